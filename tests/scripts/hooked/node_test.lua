-- The Node script class, on nodes made by the test hooks.
local t = require "testing"
local quill = require "quill"
local vec, mat = quill.vec, quill.mat
local newNode = testhooks.newNode

local function near(actual, expected, what)
    t.nearVec(actual, expected, 1e-4, what, 3)
end

local function nearMat(a, b, what)
    t.nearMat(a, b, 1e-4, what, 3)
end

local function names(nodes)
    local list = {}
    for i, node in ipairs(nodes) do list[i] = node:getName() end
    return table.concat(list, ",")
end

t.test("the hierarchy: addTo, remove, children, parent, findNode", function()
    local root, a, b, c = newNode("root"), newNode("a"), newNode("b"), newNode("c")
    t.equal(a:addTo(root), root, "addTo gives the parent")
    b:addTo(root)
    c:addTo(root)
    a:addTo(root)
    t.equal(names(root:getChildren()), "a,b,c", "same parent: order kept")
    a:addTo(b)
    a:addTo(root)
    t.equal(names(root:getChildren()), "b,c,a", "moved to the end")
    t.equal(a:getParent(), root)
    t.equal(b:remove(), b, "remove gives the node")
    t.equal(b:getParent(), nil)
    c.Name = "a"
    t.equal(root:findNode("a"), c, "children in order, subtrees first")
    t.equal(root:findNode("root"), root)
    t.equal(root:findNode("nothing"), nil)
    t.equal(newNode():getName(), "", "unnamed")
end)

t.test("position and transform setters take numbers, vecs and mats", function()
    local node = newNode()
    node:setPosition(1, 2, 3)
    near(node:getPosition(), { 1, 2, 3 })
    node.Position = vec(4, 5, 6)
    near(node.Position, { 4, 5, 6 })
    node:move(1, 1, 1)
    node:move({ 0, 0, 1 })
    near(node.Position, { 5, 6, 8 })
    local m = mat.rotation(0.2, 0.4, 0.6) * mat.translation(7, 8, 9)
    node.Transform = m
    nearMat(node:getTransform(), m)
    nearMat(node.Rotation, mat.rotation(0.2, 0.4, 0.6))
    node:setRotation(0.1, 0.2, 0.3, "zyx")
    nearMat(node:getRotation(), mat.rotation(0.1, 0.2, 0.3, "zyx"))
    node:setRotation(0.1, 0.2, 0.3)
    nearMat(node:getRotation(), mat.rotation(0.1, 0.2, 0.3, "xyz"))
    near(node.Position, { 7, 8, 9 }, "a rotation keeps the position")
    t.fails(function() Node.setRotation(node, 0, 0, 0, "XYZ") end,
        "bad argument #5 to 'setRotation' (invalid rotation order)")
    t.fails(function() node:setPosition("up") end, "vec expected")
end)

t.test("rotateAbout turns in object space, rotate in parent space", function()
    local start = mat.rotation(0.5, -0.3, 1.1)
    local turn = mat.rotationX(0.9)
    local node = newNode()
    node.Rotation = start
    node:rotateAbout(1, 0.7)
    nearMat(node.Rotation, mat.rotationY(0.7) * start)
    node.Rotation = start
    node:rotate(turn)
    nearMat(node.Rotation, start * turn)
    node.Transform = start * mat.translation(1, 2, 3)
    node:transform(turn * mat.translation(0, 1, 0))
    nearMat(node.Transform, start * mat.translation(1, 2, 3) * turn * mat.translation(0, 1, 0))
    t.fails(function() node:rotateAbout(3, 1) end, "invalid base vector index")
    t.fails(function() node:rotateAbout(-1, 1) end, "invalid base vector index")
end)

t.test("world transforms follow the parents", function()
    local parent, child = newNode("p"), newNode("c")
    child:addTo(parent)
    parent.Transform = mat.rotationY(math.pi / 2) * mat.translation(10, 0, 0)
    child.Position = vec(0, 0, 1)
    near(child:getWorldPosition(), { 11, 0, 0 })
    parent:move(0, 5, 0)
    near(child:getWorldPosition(), { 11, 5, 0 })
    nearMat(child:getWorldRotation(), mat.rotationY(math.pi / 2))
    nearMat(child:getLocalToWorldMatrix(), child.Transform * parent.Transform)
    nearMat(child:getLocalToWorldMatrix() * child:getWorldToLocalMatrix(), mat.identity())
end)

t.test("lookAt points world Z at the target under a turned parent", function()
    local parent, child = newNode(), newNode()
    child:addTo(parent)
    parent.Transform = mat.rotation(0.4, 1.3, -0.7) * mat.translation(2, 0, 1)
    child:setPosition(1, 2, 3)
    local from = child:getWorldPosition()
    child:lookAt(vec(-5, 4, 9))
    local z = child:getWorldRotation().z
    near(z, (vec(-5, 4, 9) - from):normalize())
    near(child:getWorldPosition(), from, "position unchanged")
end)

t.test("components: replacing detaches first, handles keep them alive", function()
    local node = newNode("n")
    local first = testhooks.newComponent("MeshEntity", "first", 0)
    local second = testhooks.newComponent("LightEntity", "second", 1)
    node:setRenderEntity(first)
    t.equal(node.RenderEntity, first)
    node.RenderEntity = second
    local events = table.concat(testhooks.takeEvents(), "; ")
    t.equal(events, "attach first to n; detach first from n; attach second to n")
    first = nil
    collectgarbage()
    collectgarbage()
    t.equal(table.concat(testhooks.takeEvents(), "; "), "destroy first", "freed with its last handle")
    second = nil
    collectgarbage()
    collectgarbage()
    t.equal(#testhooks.takeEvents(), 0, "the node still holds the second")
    t.equal(getmetatable(node:getRenderEntity()), LightEntity, "given with the class of its type")
    node:setRenderEntity(nil)
    collectgarbage()
    collectgarbage()
    t.equal(table.concat(testhooks.takeEvents(), "; "), "detach second from n; destroy second")
    t.equal(node.RenderEntity, nil)
end)

t.test("component slots check their classes", function()
    local node = newNode("n")
    local body = testhooks.newComponent("RigidBody", "body")
    local sound = testhooks.newComponent("SoundSource", "sound")
    node.RigidBody = body
    node:setSoundSource(sound)
    t.equal(node:getRigidBody(), body)
    t.equal(node.SoundSource, sound)
    t.fails(function() node:setRenderEntity(body) end, "RenderEntity expected")
    t.fails(function() node:setRigidBody(sound) end, "RigidBody expected")
    t.fails(function() node:setSoundSource(newNode()) end, "SoundSource expected")
    local odd = testhooks.newComponent("RenderEntity", "odd", 7)
    node:setRenderEntity(odd)
    t.fails(function() node:getRenderEntity() end, "unknown render entity type")
    node:setRenderEntity(nil)
    body:dispose()
    t.fails(function() node:setRigidBody(body) end, "object disposed")
    testhooks.takeEvents()
end)

t.test("handles: wrong classes, disposed nodes, unknown properties", function()
    local node = newNode()
    t.fails(function() node:addTo({}) end, "Node expected")
    t.fails(function() Node.getName(5) end, "Node expected")
    t.fails(function() node.Colour = 1 end, "attempt to set invalid property 'Colour'")
    node:dispose()
    t.fails(function() node:getName() end, "object disposed")
end)

t.done()
