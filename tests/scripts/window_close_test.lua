-- display
-- timeout: 30
-- Close requests: a frame without automatic close only queues the event, a
-- second frame closes without ending the process, and closing the main window
-- ends it (exit code 0) before another display call. A first run opens a
-- window and restarts: the next run starts without windows, its first frame is
-- the main window again, and the old main window's end does not end it.
local t = require "testing"
local w = require "windowing"

if sys.args().phase ~= "second" then
    Frame.create{title = "close-first-run"}
    sys.displayFunc(function()
        sys.restart({phase = "second"})
    end)
    return
end

t.test("a restarted run starts without windows", function()
    t.equal(sys.keyDown("a"), false, "keys")
    local x, y = sys.mousePos()
    t.equal(x + y, 0, "mouse")
    t.equal(w.exists("close-first-run"), false, "the first run's window")
end)

local main = Frame.create{title = "close-main", x = 20, y = 20, width = 200, height = 120}
local kept = Frame.create{title = "close-kept", x = 240, y = 20, width = 120, height = 80, autoClose = false}
local second = Frame.create{title = "close-second", x = 380, y = 20, width = 120, height = 80}


w.run(function()
    t.test("option types are checked", function()
        t.fails(function() Frame.create{width = "wide"} end, "field 'width': number expected, got string")
        t.fails(function() Frame.create{resizable = 1} end, "field 'resizable': boolean expected, got number")
        t.fails(function() Frame.create{parent = {}} end, "field 'parent': Frame expected, got table")
        t.fails(function() main:setMenuBar(42) end, "Menu expected")
        t.fails(function() main:setCursor(nil) end, "Cursor expected")
        main:setMenuBar(nil)
    end)

    t.test("without automatic close only the close event is queued", function()
        w.requestClose("close-kept")
        local events = w.waitFor(kept, "close", function(list) return #list > 0 end)
        t.equal(#events, 1, "events")
        t.equal(events[1].type, "close")
        t.equal(w.windowId("close-kept") ~= nil, true, "window still there")
    end)

    t.test("closing a second frame does not end the process", function()
        w.requestClose("close-second")
        local events = w.waitFor(second, "close", function(list) return #list > 0 end)
        t.equal(events[1].type, "close")
        for _ = 1, 5 do
            w.nextFrame()
        end
        t.equal(w.exists("close-second"), false, "the closed window")
    end)

    t.test("a child frame with its parent option opens", function()
        -- Wide enough for a caption's buttons, which Windows keeps a window above.
        local child = Frame.create{title = "close-child", parent = main, dialog = true, width = 160, height = 60}
        t.equal(child:getSize()[1], 160, "width")
        child:dispose()
    end)

    -- The last step: the run must end after the main window closes, with no
    -- further display call, even when another frame's end is what reads the
    -- close request.
    t.summary()
    w.requestClose("close-main")
    kept:dispose()
    w.nextFrame()
    print("not ok - a display call ran after the main window closed")
end, true)
