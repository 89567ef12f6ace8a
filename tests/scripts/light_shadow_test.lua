-- display
-- fixture: shaders
-- Lights and shadows from scripts: every kind of light in one frame, static
-- shadow maps made, kept by the light and refused at sizes without cubes.
local t = require "testing"

local frame = Frame.create{title = "light-shadow-test", width = 64, height = 48}
assert(EngineSystems.create{width = 64, height = 48})
local renderer = Renderer.active()

local scene = Scene.createSimpleScene()
local box = scene:createMesh(Mesh.createBox(1, 1, 1))
box:getRenderEntity().StaticShadow = true
scene:createLight("ambient", {0.1, 0.1, 0.1})
scene:createLight("directional", {0.5, 0.5, 0.5}, {0, -1, 1})
local lamp = scene:createLight("point", {1, 0.5, 0.2}, {0, 3, 0}, 8)
scene:createLight("spot", {1, 1, 1}, {0, -1, 0}, 10, 0.8):setPosition(2, 4, 0)
local camera = Camera.create(1, 0.75, 0.1, 100)
camera:setPosition(0, 2, -6)

local function frameOnce()
    renderer:beginRender()
    renderer:renderScene(scene, camera)
    renderer:endRender()
end

t.test("static shadow maps are cubes of the sizes that have them, kept by the light", function()
    local light = lamp:getRenderEntity()
    light.CastShadow = true
    local map = light:renderStaticShadowMap(64, 0, 0)
    t.equal(map:getWidth(), 64)
    light:setStaticShadowMap(map)
    map = nil
    collectgarbage()
    collectgarbage()
    t.equal(light:getStaticShadowMap():getWidth(), 64)
    frameOnce()
    if sys.platform() == "win32" then
        -- Direct3D 9 renders any size its 1024 shadow depth buffer holds.
        t.equal(light:renderStaticShadowMap(512, 0, 0):getWidth(), 512)
        t.fails(function() light:renderStaticShadowMap(2048, 0, 0) end,
                "Static shadow map size 2048 is outside 1 to 1024")
    else
        -- OpenGL has depth buffers for its shadow cubes' sizes only.
        for _, size in ipairs({8, 512, 2048}) do
            t.fails(function() light:renderStaticShadowMap(size, 0, 0) end, "No depth buffer for static shadow map")
        end
    end
end)

t.test("every kind of light draws, with and without shadows", function()
    for _, quality in ipairs({0, 1}) do
        renderer.ShadowQuality = quality
        for _, shadows in ipairs({true, false}) do
            renderer.RenderShadows = shadows
            lamp:getRenderEntity():setStaticShadowMap(nil)
            frameOnce()
        end
    end
    t.equal(renderer.ShadowQuality, 1)
end)

frame:hide()
t.done()
