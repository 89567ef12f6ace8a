-- display
-- timeout: 40
-- Camera controls on a real window: they take the flight keys and the right
-- button before the scripts see them, and turn the camera with the mouse.
local t = require "testing"
local w = require "windowing"

local frame = Frame.create{title = "controls-test", x = 40, y = 40, width = 300, height = 200}
local camera = Camera.create(1, 1, 0.1, 100)
local controls = CameraControls.create(camera)

local function types(events)
    local list = {}
    for _, event in ipairs(events) do
        if event.type ~= "mouse_motion" and event.type ~= "focus" then
            list[#list + 1] = event.type .. (event.key and (" " .. event.key) or "") ..
                (event.button and (" " .. event.button) or "")
        end
    end
    return table.concat(list, ", ")
end

-- Runs frames with controls:update until done() holds.
local function fly(what, done)
    local deadline = sys.clock() + 5
    local events = {}
    repeat
        w.nextFrame()
        controls:update(1 / 60)
        for _, event in ipairs(w.drain(frame)) do events[#events + 1] = event end
        if done() then return events end
    until sys.clock() > deadline
    error("timed out waiting for " .. what, 2)
end

w.run(function()
    local id = w.windowId("controls-test")
    w.focus(frame, id)

    t.test("other keys reach the scripts; the flight keys move the camera instead", function()
        w.xdo("key k")
        local events = w.waitFor(frame, "k", function(list) return #w.only(list, "key") >= 2 end)
        t.equal(types(events), "key K, key K")
        w.xdo("keydown w")
        events = fly("forward flight", function() return camera:getPosition()[3] > 0.5 end)
        t.equal(types(events), "", "W is not seen by the scripts")
        w.xdo("keyup w")
        events = fly("a stop", function()
            local before = camera:getPosition()[3]
            controls:update(1 / 60)
            return camera:getPosition()[3] == before
        end)
        t.equal(types(events), "")
    end)

    t.test("the right button is swallowed and turns on mouse look", function()
        w.xdo("mousemove --window " .. id .. " 150 100")
        w.waitFor(frame, "pointer inside", function() return true end)
        w.xdo("mousedown 3")
        fly("relative mode", function() return true end)
        w.xdo("mousemove_relative -- 40 0")
        local events = fly("a turn", function()
            local forward = camera:getWorldRotation().z
            return math.abs(forward[1]) > 0.01
        end)
        w.xdo("mouseup 3")
        events = w.waitFor(frame, "release", function() return not sys.mouseDown(2) end)
        t.equal(#w.only(events, "mouse_button"), 0, "no right button events queued")
        -- The left button is the scripts'.
        w.xdo("click 1")
        events = w.waitFor(frame, "left click", function(list) return #w.only(list, "mouse_button") >= 2 end)
        t.equal(types(events), "mouse_button 0, mouse_button 0")
    end)

    t.test("released controls see nothing more", function()
        controls:dispose()
        w.xdo("key w")
        local events = w.waitFor(frame, "w", function(list) return #w.only(list, "key") >= 2 end)
        t.equal(types(events), "key W, key W")
        -- Leave the pointer where the next windowed test's windows are not.
        w.xdo("mousemove 1200 1000")
    end)
end)
