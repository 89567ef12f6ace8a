-- display
-- A game folder with nothing but its init.lua, and an archive without the
-- shader files: the shaders built into the host draw a lit box and a label.
local t = require "testing"

local frame = Frame.create{title = "bare-game-test", width = 128, height = 96}
assert(EngineSystems.create{width = 128, height = 96})
local renderer = Renderer.active()

local scene = Scene.createSimpleScene()
scene:createMesh(Mesh.createBox(1, 1, 1))
scene:createLight("ambient", {0.2, 0.2, 0.2})
scene:createLight("directional", {1, 1, 1}, {0, 0, 1})
local camera = Camera.create(1, 128 / 96, 0.1, 100)
camera:setPosition(0, 0, -3)
local font = Font.create("fixedsys")

local function brightness(pixel) return (pixel[1] + pixel[2] + pixel[3]) / 3 end

t.test("the game has no shader files of its own", function()
    t.equal(FileSystem.fileExists("shaders/gl/Mesh.vsh"), false)
    t.equal(FileSystem.fileExists("shaders/gl/ImmediateMode.vsh"), false)
end)

t.test("a lit box and a text label are drawn", function()
    renderer.ClearColor = {0, 0, 0, 255}
    renderer:beginRender()
    renderer:renderScene(scene, camera)
    ImmediateMode.beginDraw()
    ImmediateMode.fillRect(0, 72, 40, 24, {0, 0, 0, 255})
    ImmediateMode.drawText("HIH", 2, 76, font, {255, 255, 255, 255})
    ImmediateMode.endDraw()
    renderer:saveScreenShot("shot.png")
    renderer:endRender()

    local shot = Image.load("shot.png")
    local centre, corner = shot:getPixel(64, 48), shot:getPixel(126, 2)
    t.equal(brightness(centre) > 100, true, "the lit face: " .. brightness(centre))
    t.equal(brightness(corner) < 20, true, "beside the box: " .. brightness(corner))
    local lit = 0
    for y = 72, 95 do
        for x = 0, 39 do
            if brightness(shot:getPixel(x, y)) > 200 then lit = lit + 1 end
        end
    end
    t.equal(lit > 20 and lit < 40 * 24 / 2, true, "label pixels: " .. lit)
end)

frame:hide()
t.done()
