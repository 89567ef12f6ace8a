-- display
-- fixture: shaders
-- Particle systems from scripts: emitters built property by property, systems
-- loaded from definition files and shared by name, entities that run them on
-- nodes and are drawn with the scene, and the errors of each.
local t = require "testing"

local frame = Frame.create{title = "particles-test", width = 64, height = 48}
assert(EngineSystems.create{width = 64, height = 48})
local renderer = Renderer.active()

t.test("a new emitter has the script defaults and keeps what it is given", function()
    local e = ParticleEmitter.create()
    t.equal(e.Opacity, 1)
    t.equal(e.EmissionRate, 0)
    t.equal(e.SpawnBurst, false)
    t.equal(e.BlendMode, "Translucent")
    t.equal(e.Mesh, nil)
    t.equal(e.Texture, nil)
    t.nearVec(e.Gravity, {0, 0, 0}, 0, "gravity", 3)

    local numbers = {"EmissionRate", "EmissionTime", "FrameRate", "Opacity", "FadeIn", "FadeOut",
                     "AirResistance", "RotationSpeed", "DepthBias"}
    for i, name in ipairs(numbers) do
        e[name] = i + 0.5
        t.equal(e["get" .. name](e), i + 0.5, name)
    end
    for i, name in ipairs{"MaxParticles", "FrameSize", "FrameCount"} do
        e["set" .. name](e, i * 10)
        t.equal(e[name], i * 10, name)
    end
    for _, name in ipairs{"SpawnBurst", "ColorAnimation", "ObjectSpace", "ClampToGroundPlane"} do
        e[name] = true
        t.equal(e[name], true, name)
        t.fails(function() e[name] = 1 end, "boolean expected")
    end
    for i, name in ipairs{"Velocity", "SprayAngle", "Lifetime", "Size"} do
        e[name] = {i, i + 1}
        local range = e[name]
        t.equal(range[1], i, name)
        t.equal(range[2], i + 1, name)
        t.fails(function() e[name] = 3 end, "range expected")
    end
    e:setGravity(0, -9.5, 0)
    t.nearVec(e.Gravity, {0, -9.5, 0}, 0, "gravity", 3)
    e.BoxMin = vec(-1, -2, -3)
    t.nearVec(e:getBoxMin(), {-1, -2, -3}, 0, "box min", 3)
    t.fails(function() e:setGravity("down") end, "vec expected")
    e:setBoxMax(1, 2, 3)
    t.nearVec(e.BoxMax, {1, 2, 3}, 0, "box max", 3)

    e:setBlendMode("Additive")
    t.equal(e:getBlendMode(), "Additive")
    t.fails(function() e:setBlendMode("additive") end, "invalid enum")
    t.equal(e.BlendMode, "Additive", "a refused name changes nothing")
end)

t.test("the colour table is read and written by index, Color0 without one", function()
    local e = ParticleEmitter.create()
    e:setColor(1, 0.5, 0.25)
    e:setColor(2, 0, 1, 0)
    e:setColor(3, vec(0, 0, 1))
    e.Color = {0.5, 0.5, 0.5}
    t.nearVec(e:getColor(), {0.5, 0.5, 0.5}, 0, "colour 0", 3)
    t.nearVec(e:getColor(0), {0.5, 0.5, 0.5}, 0, "colour 0 by index", 3)
    t.nearVec(e:getColor(1), {0, 0, 0}, 0, "colour 1 untouched", 3)
    t.nearVec(e:getColor(2), {0, 1, 0}, 0, "colour 2", 3)
    t.nearVec(e:getColor(3), {0, 0, 1}, 0, "colour 3", 3)
    t.fails(function() e:setColor(4, 1, 1, 1) end, "color index out of range")
    t.fails(function() e:getColor(-1) end, "color index out of range")
end)

t.test("meshes, skeletons and textures are taken by class", function()
    local e = ParticleEmitter.create()
    local cdf = MeshCDF.create(Mesh.createBox(1, 1, 1))
    e.Mesh = cdf
    t.equal(e.Mesh, cdf)
    e:setMesh(nil)
    t.equal(e:getMesh(), nil)
    t.fails(function() MeshCDF.create("box") end, "Mesh expected")
    t.fails(function() e:setMesh(Mesh.createBox(1, 1, 1)) end, "MeshCDF expected")
    t.fails(function() e:setSkeleton(cdf) end, "Skeleton expected")
    t.fails(function() e:setTexture(cdf) end, "RenderableTexture expected")
    local texture = RenderableTexture.create(Image.create(4, 4))
    e.Texture = texture
    t.equal(e.Texture, texture)
    t.fails(function() ParticleEmitter.getOpacity(cdf) end, "ParticleEmitter expected")
end)

t.test("a system keeps its emitters in order", function()
    local s = ParticleSystem.create()
    local a, b, c = ParticleEmitter.create(), ParticleEmitter.create(), ParticleEmitter.create()
    s:addParticleEmitter(a)
    s:addParticleEmitter(b)
    s:addParticleEmitter(c)
    s:addParticleEmitter(a)
    s:removeParticleEmitter(a)
    s:removeParticleEmitter(ParticleEmitter.create())
    -- b, c, a are left: an entity shows them as three instances.
    local entity = ParticleEntity.create(s)
    t.equal(entity:isAlive(), false)
    t.fails(function() s:addParticleEmitter(s) end, "ParticleEmitter expected")
    t.fails(function() ParticleSystem.reload(a) end, "ParticleSystem expected")
end)

Image.create(8, 8):save("spark.tga")
local sparks = [[
-- a fountain of sparks
emitter {
    EmissionRate = 50, MaxParticles = 100, Texture = "spark.tga", BlendMode = "additive",
    Lifetime = {1, 2}, Velocity = {1, 2}, SprayAngle = {0, 30}, Size = {0.1, 0.2},
    Gravity = {0, -9.8, 0}, Color0 = {1, 0.6, 0.2}, Opacity = 1,
}
]]
t.writeFile("sparks.particles", sparks)
t.writeFile("fountain.particles", sparks)

t.test("definition files load once per name and reload in place", function()
    local s = ParticleSystem.load("sparks.particles")
    t.equal(ParticleSystem.load("sparks.particles"), s)
    t.equal(ParticleSystem.getParticleSystemByFilename("sparks.particles"), s)
    t.equal(ParticleSystem.getParticleSystemByFilename("SPARKS.particles"), nil)

    local node = Scene.createSimpleScene():addNode()
    local entity = ParticleEntity.create(s)
    node:setRenderEntity(entity)
    entity:update(1)
    t.equal(entity:isAlive(), true)

    t.writeFile("sparks.particles", "emitter { Texture = \"spark.tga\", BlendMode = \"Translucent\" }\n" ..
                                    "sparkles { }\n")
    t.fails(function() s:reload() end, "Invalid block in particle system file sparks.particles")
    -- The emitter read before the error stays; the entity restarts with it.
    entity:update(0.1)
    t.equal(entity:isAlive(), false, "the kept emitter has no emission time or lifetime")
end)

t.test("load errors are script errors", function()
    t.writeFile("bad-enum.particles", "emitter { Texture = \"spark.tga\", BlendMode = \"Opaque\" }")
    t.fails(function() ParticleSystem.load("bad-enum.particles") end,
            "Invalid property enum value in bad-enum.particles")
    t.equal(ParticleSystem.getParticleSystemByFilename("bad-enum.particles"), nil, "nothing is kept")
    t.fails(function() ParticleSystem.load("missing.particles") end, "File not found: missing.particles")
    t.writeFile("broken.particles", "emitter {\n Opacity = yes }")
    t.fails(function() ParticleSystem.load("broken.particles") end, "broken.particles:2: syntax error")
end)

t.test("entities run on nodes and are drawn with the scene", function()
    local scene = Scene.createSimpleScene()
    scene:createLight("ambient", {1, 1, 1})
    local camera = Camera.create(1, 0.75, 0.1, 100)
    camera:setPosition(0, 2, -6)

    local system = ParticleSystem.load("fountain.particles")
    local entity = ParticleEntity.create()
    t.equal(entity:getEntityType(), "ParticleEntity")
    t.fails(function() entity:update(0.1) end, "particle system is not attached to a node")
    local node = scene:addNode()
    node:setRenderEntity(entity)
    t.equal(getmetatable(node:getRenderEntity()), ParticleEntity)
    entity:update(0.1)  -- no system: nothing happens
    entity:setParticleSystem(system)
    t.fails(function() entity:setParticleSystem(nil) end, "ParticleSystem expected")
    node:setPosition(0, 1, 0)
    for _ = 1, 10 do
        entity:update(0.05)
    end
    local box = entity:getWorldBounds()
    t.equal(box.pos[2] - box.hsize[2] < 1.5, true, "the box holds the fountain")
    entity:stop()
    entity:update(5)
    t.equal(entity:isAlive(), true, "stopped, the clock stands still")
    entity:start()
    entity:reset()
    entity:update(0.1)

    renderer:beginRender()
    renderer:renderScene(scene, camera)
    renderer:endRender()
end)

t.done()
