-- display
-- The physics classes on the null engine: what scripts can build, the
-- argument rules, and the answers of an engine that simulates nothing.
local t = require "testing"
require "quill"

t.test("physics needs the engine systems", function()
    t.fails(function() PhysicsEngine.active() end, "engine not initialized")
    t.fails(function() DynamicsWorld.create() end, "engine not initialized")
    t.fails(function() CollisionMesh.load("level.col") end, "engine not initialized")
end)

Frame.create{title = "physics-test", width = 200, height = 150}
local systems, message = EngineSystems.create{dontAdjustFrame = true}
assert(systems, message)
local world = DynamicsWorld.create()
local scene = Scene.createSimpleScene()

t.test("bodies of every shape, with their argument rules", function()
    local shapes = {
        CollisionShape.createPlane(vec(0, 1, 0), 2),
        CollisionShape.createBox(vec(1, 2, 3)),
        CollisionShape.createSphere(0.5),
        CollisionShape.createMesh(CollisionMesh.create(Mesh.createBox(1, 1, 1))),
    }
    for _, shape in ipairs(shapes) do
        t.equal(RigidBody.create(world, shape, "static", 0, 1):getMass(), 0)
    end
    local sphere = shapes[3]
    local body = RigidBody.create(world, sphere, "dynamic", 5, 1)
    t.equal(body.Mass, 0, "a null body's mass")
    t.equal(body:getMaterial(), nil)
    t.nearVec(body.Position, vec(0, 0, 0), 0)
    body.Position = vec(1, 2, 3)
    body:setLinearVelocity(1, 2, 3)
    body:setBodyFlag("FreezeRotY", true)
    body.Material = PhysicsMaterial.create(world)

    t.fails(function() RigidBody.create(world, sphere, "Dynamic", 5, 1) end, "invalid body type")
    t.fails(function() RigidBody.create(world, sphere, "dynamic", 0, 1) end, "invalid mass")
    t.fails(function() RigidBody.create(world, world, "static", 0, 1) end, "CollisionShape expected")
    t.fails(function() body:setBodyFlag("FreezeRotW", true) end, "invalid enum")
    t.fails(function() body:setMaterial(sphere) end, "PhysicsMaterial expected")

    local node = scene:addNode()
    node.RigidBody = body
    t.equal(rawequal(node.RigidBody, body), true, "the node's body")
end)

t.test("the world's rules and answers", function()
    world:setGravity(vec(0, -9.8, 0))
    world:enableCollisions(1, 2, false)
    t.fails(function() world:enableCollisions(3, 3, true) end, "group1 must not be same as group2")
    t.fails(function() world:enableContactReporting(3, 3, "yes") end, "boolean expected")
    t.equal(world:raycastAnyShape({pos = vec(0, 5, 0), dir = vec(0, -1, 0)}, 100), false)
    t.equal(world:getContactReport(), nil)
    local material = PhysicsMaterial.create(world)
    material.Restitution = 0.5
    t.equal(material.Restitution, 0)
end)

t.test("a character's move fills the result table", function()
    local character = CharacterController.create(world, scene:addNode(), 0.5, 1.8)
    local result = {"kept"}
    character:move(vec(1, 0, 0), result)
    t.equal(result.CollisionSides, false)
    t.equal(result.CollisionUp, false)
    t.equal(result.CollisionDown, false)
    t.equal(result[1], "kept", "an entry past the contacts")
    character:move(vec(1, 0, 0))
    t.nearVec(character:getPosition(), vec(0, 0, 0), 0)
end)

t.test("collision meshes by name are new each time under the null engine", function()
    local first, second = CollisionMesh.load("level.col"), CollisionMesh.load("level.col")
    t.equal(rawequal(first, second), false)
end)

t.done()
