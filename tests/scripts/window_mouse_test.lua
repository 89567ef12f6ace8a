-- display
-- timeout: 30
-- Mouse buttons, motion, the wheel, relative motion and focus loss on a real
-- window, driven through the X server.
local t = require "testing"
local w = require "windowing"

local frame = Frame.create{title = "mouse-test", x = 60, y = 60, width = 300, height = 200}
local other = Frame.create{title = "mouse-other", x = 420, y = 60, width = 120, height = 80}

local function describe(event)
    if event.type == "mouse_button" then
        return string.format("button %d %s at %d,%d", event.button, event.down and "down" or "up", event.x, event.y)
    elseif event.type == "key" then
        return string.format("key %s %s", event.key, event.down and "down" or "up")
    elseif event.type == "focus" then
        return "focus " .. tostring(event.focus)
    elseif event.type == "mouse_motion" then
        return string.format("motion %d,%d", event.x, event.y)
    end
    return event.type
end

local function describeAll(events)
    local list = {}
    for _, event in ipairs(events) do
        list[#list + 1] = describe(event)
    end
    return table.concat(list, "; ")
end

local function has(events, text)
    for _, event in ipairs(events) do
        if describe(event) == text then
            return true
        end
    end
    return false
end

w.run(function()
    local id = w.windowId("mouse-test")
    -- A window lives while a script holds its frame: this body holds the second one.
    assert(other, "the second frame")
    local otherId = w.windowId("mouse-other")
    w.focus(frame, id)

    t.test("motion and buttons report client positions and update the polled state", function()
        w.xdo("mousemove --window " .. id .. " 30 40")
        w.waitFor(frame, "motion", function(events) return has(events, "motion 30,40") end)
        local x, y = sys.mousePos()
        t.equal(x .. "," .. y, "30,40", "mouse position")

        w.xdo("mousedown 1")
        local events = w.waitFor(frame, "left down", function() return sys.mouseDown(0) end)
        t.equal(describeAll(events), "button 0 down at 30,40")
        t.equal(events[1].modifiers, 0, "modifiers")
        t.equal(sys.mousePressed(0), true, "pressed in its frame")
        w.nextFrame()
        t.equal(sys.mousePressed(0), false, "pressed in the next frame")
        t.equal(sys.mouseDown(0), true, "held in the next frame")
        w.xdo("mouseup 1")
        events = w.waitFor(frame, "left up", function() return not sys.mouseDown(0) end)
        t.equal(describeAll(events), "button 0 up at 30,40")

        w.xdo("keydown shift click 1 keyup shift")
        events = w.waitFor(frame, "shift click", function(list) return #w.only(list, "mouse_button") >= 2 end)
        t.equal(w.only(events, "mouse_button")[1].modifiers, 1, "modifiers with shift held")

        w.xdo("click 2 click 3")
        events = w.waitFor(frame, "middle and right", function(list) return #list >= 4 end)
        t.equal(describeAll(events),
            "button 1 down at 30,40; button 1 up at 30,40; button 2 down at 30,40; button 2 up at 30,40")
    end)

    t.test("buttons outside 0 to 2 read nothing", function()
        w.xdo("mousedown 1")
        w.waitFor(frame, "left down", function() return sys.mouseDown(0) end)
        for _, button in ipairs({-1, 3, 1000}) do
            t.equal(sys.mouseDown(button), false, "down " .. button)
            t.equal(sys.mousePressed(button), false, "pressed " .. button)
        end
        w.xdo("mouseup 1")
        w.waitFor(frame, "left up", function() return not sys.mouseDown(0) end)
    end)

    t.test("one wheel notch is a delta of 1", function()
        w.xdo("click 4 click 5 click 5")
        local events = w.waitFor(frame, "three notches", function(list)
            return #w.only(list, "mouse_wheel") >= 3
        end)
        local wheel = w.only(events, "mouse_wheel")
        t.equal(wheel[1].delta .. " " .. wheel[2].delta .. " " .. wheel[3].delta, "1 -1 -1")
    end)

    t.test("losing focus releases the held button, then the held key, then reports the loss", function()
        w.xdo("keydown d mousedown 1")
        w.waitFor(frame, "d and the left button", function()
            return sys.keyDown("d") and sys.mouseDown(0)
        end)
        w.xdo("windowfocus --sync " .. otherId)
        local events = w.waitFor(frame, "focus loss", function(list) return has(list, "focus false") end)
        t.equal(describeAll(events), "button 0 up at 30,40; key D up; focus false")
        t.equal(frame:hasFocus(), false, "focus flag")
        t.equal(sys.keyDown("d"), false, "d held")
        t.equal(sys.mouseDown(0), false, "button held")
        w.xdo("keyup d mouseup 1")
        w.focus(frame, id)
        t.equal(frame:hasFocus(), true, "focus flag after refocusing")
    end)

    t.test("relative mode queues one summed motion event per frame", function()
        t.fails(function() frame:setMouseMotionMode("sideways") end, "invalid enum")
        -- The client area's centre on the screen, from the pointer's place in it
        -- (where the client area starts inside the window is the platform's).
        w.xdo("mousemove 100 100")
        local seen = w.only(w.waitFor(frame, "motion", function(list) return #w.only(list, "mouse_motion") > 0 end),
            "mouse_motion")
        local centre = string.format("%d,%d", 100 - seen[#seen].x + 150, 100 - seen[#seen].y + 100)
        frame:setMouseMotionMode("relative")
        w.nextFrame()
        w.nextFrame()
        local events = w.drain(frame)
        t.equal(describeAll(events), "motion 0,0", "a frame without movement")

        w.xdo("mousemove_relative -- 12 -5 mousemove_relative -- 3 -2")
        local moved = w.waitFor(frame, "movement", function(list)
            return #list > 0 and describeAll(list) ~= "motion 0,0"
        end)
        t.equal(describe(moved[#moved]), "motion 15,-7", "the summed movement")
        for _, event in ipairs(moved) do
            t.equal(event.type, "mouse_motion")
        end
        local x, y = sys.mousePos()
        t.equal(x .. "," .. y, "15,-7", "mouse position holds the movement")
        local location = w.capture("xdotool getmouselocation --shell")
        t.equal(location:match("X=(%d+)") .. "," .. location:match("Y=(%d+)"), centre, "cursor at the client centre")
        w.nextFrame()
        t.equal(describeAll(w.drain(frame)), "motion 0,0", "the frame after")

        frame:setMouseMotionMode("normal")
        w.xdo("mousemove --window " .. id .. " 50 60")
        w.waitFor(frame, "client positions again", function(list) return has(list, "motion 50,60") end)
    end)

    t.test("sizes and positions", function()
        local size = frame:getSize()
        t.equal(size[1] .. "," .. size[2] .. "," .. size[3] .. "," .. size[4], "300,200,0,0")
        local position = frame:getPosition()
        t.equal(position[1] .. "," .. position[2], "60,60")
        t.equal(tostring(vec.isvec(size)) .. " " .. tostring(vec.isvec(position)), "true true", "quill's own vec values")
        w.xdo("windowsize " .. id .. " 320 240")
        local events = w.waitFor(frame, "resize", function(list) return #w.only(list, "resize") > 0 end)
        local resize = w.only(events, "resize")[1]
        t.equal(resize.width .. "x" .. resize.height .. " " .. resize.resizeType, "320x240 restore")
        size = frame:getSize()
        t.equal(size[1] .. "," .. size[2], "320,240", "size after resizing")
    end)
end)
