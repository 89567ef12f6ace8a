-- display
-- timeout: 30
-- The main window lives for the whole run, whatever becomes of its script
-- handle: a game that keeps its frame in a dead local (as a first init.lua
-- does) still draws after the collector runs. Other frames go with their
-- handles.
local t = require "testing"
local w = require "windowing"

do
    local frame = Frame.create{title = "lifetime-main", width = 128, height = 96}
    local other = Frame.create{title = "lifetime-other", x = 300, width = 64, height = 48}
end
assert(EngineSystems.create{width = 128, height = 96})
local renderer = Renderer.active()

local function clearedTo(colour)
    renderer.ClearColor = colour
    renderer:beginRender()
    renderer:saveScreenShot("shot.png")
    renderer:endRender()
    return Image.load("shot.png"):getPixel(64, 48)
end

w.run(function()
    t.test("the main window draws before and after a collection", function()
        t.nearVec(clearedTo({200, 40, 90, 255}), {200, 40, 90}, 0.5, "before", 3)
        collectgarbage()
        collectgarbage()
        w.nextFrame()
        t.equal(w.exists("lifetime-main"), true, "the main window")
        t.nearVec(clearedTo({30, 160, 220, 255}), {30, 160, 220}, 0.5, "after", 3)
    end)

    t.test("another frame goes with its handle", function()
        for _ = 1, 3 do
            w.nextFrame()
        end
        t.equal(w.exists("lifetime-other"), false, "the other window")
    end)
end)
