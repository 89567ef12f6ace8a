-- display
-- timeout: 30
-- Key events and key polling on a real window, typed through the X server.
local t = require "testing"
local w = require "windowing"

local frame = Frame.create{title = "keys-test", x = 40, y = 40, width = 240, height = 160}

local function describe(keyEvents)
    local list = {}
    for _, event in ipairs(keyEvents) do
        list[#list + 1] = string.format("%s %d %s %s %d", event.key, event.keyCode,
            event.down and "down" or "up", event.char and string.format("%q", event.char) or "-", event.modifiers)
    end
    return list
end

local function same(actual, expected)
    t.equal(table.concat(actual, "\n"), table.concat(expected, "\n"))
end

w.run(function()
    w.focus(frame, w.windowId("keys-test"))

    t.test("keys arrive with their codes, names, characters and modifiers", function()
        local typed = "a shift+b F10 BackSpace Tab Return Escape semicolon minus KP_Add F12 space"
        same(describe(w.typeKeys(frame, typed, 26)), {
            'A 65 down "a" 0', 'A 65 up "a" 0',
            'shift 16 down - 1', 'B 66 down "B" 1', 'shift 16 up - 0', 'B 66 up "B" 0',
            'f10 121 down - 0', 'f10 121 up - 0',
            'backspace 8 down "\\8" 0', 'backspace 8 up "\\8" 0',
            'tab 9 down "\\9" 0', 'tab 9 up "\\9" 0',
            'enter 13 down "\\13" 0', 'enter 13 up "\\13" 0',
            'escape 27 down "\\27" 0', 'escape 27 up "\\27" 0',
            'key-186 186 down ";" 0', 'key-186 186 up ";" 0',
            '- 189 down "-" 0', '- 189 up "-" 0',
            'numpad_plus 107 down "+" 0', 'numpad_plus 107 up "+" 0',
            'f12 123 down - 0', 'f12 123 up - 0',
            'space 32 down " " 0', 'space 32 up " " 0',
        })
    end)

    t.test("alt makes no key events and keys typed with it are dropped", function()
        w.xdo("keydown alt keydown x keyup x keyup alt key y")
        same(describe(w.only(w.waitFor(frame, "the key after alt", function(events)
            return #w.only(events, "key") >= 2
        end), "key")), {'Y 89 down "y" 0', 'Y 89 up "y" 0'})
        t.equal(sys.keyDown("alt"), false, "alt held")
    end)

    t.test("a key held across frames is pressed in its first frame only", function()
        w.xdo("keydown g")
        w.waitFor(frame, "g down", function() return sys.keyDown("g") end)
        t.equal(sys.keyPressed("G"), true, "pressed in the first frame")
        w.nextFrame()
        t.equal(sys.keyDown("G"), true, "still held")
        t.equal(sys.keyPressed("g"), false, "pressed in the second frame")
        t.equal(#w.drain(frame), 0, "events in the second frame")
        w.xdo("keyup g")
        w.waitFor(frame, "g up", function() return not sys.keyDown("g") end)
    end)

    t.test("auto-repeat queues every key-down but presses the key once", function()
        -- The key goes down and repeats while this frame sleeps; the next pump
        -- sees all of it at once.
        w.xdo("keydown h")
        sys.sleep(1200)
        w.nextFrame()
        local downs = w.only(w.drain(frame), "key")
        w.xdo("keyup h")
        t.equal(sys.keyPressed("h"), true, "pressed")
        assert(#downs >= 2, "expected at least two key-downs, got " .. #downs)
        for _, event in ipairs(downs) do
            t.equal(event.key .. tostring(event.down), "Htrue", "event")
        end
        w.waitFor(frame, "h up", function() return not sys.keyDown("h") end)
    end)

    t.test("events not polled during a frame are gone in the next one", function()
        w.xdo("key k")
        local deadline = sys.clock() + 5
        repeat
            w.nextFrame()
        until sys.keyPressed("k") or sys.clock() > deadline
        t.equal(sys.keyPressed("k"), true, "k pressed")
        w.nextFrame()
        t.equal(frame:pollEvents(), nil, "left-over event")
    end)

    t.test("key names and codes", function()
        t.equal(sys.getKeyName(65), "A")
        t.equal(sys.getKeyName(107), "numpad_plus")
        t.equal(sys.getKeyName(186), nil)
        w.xdo("keydown plus")
        w.waitFor(frame, "+ down", function() return sys.keyDown("+") end)
        t.equal(sys.keyDown("+"), true, "by name")
        w.xdo("keyup plus")
    end)

    t.test("keys are polled by name in any letter case, or by code", function()
        w.xdo("keydown Up")
        w.waitFor(frame, "up down", function() return sys.keyDown("up") end)
        for _, key in ipairs({"Up", "UP", "up", 38}) do
            t.equal(sys.keyDown(key), true, "keyDown " .. key)
        end
        t.equal(sys.keyPressed("UP"), true, "pressed this frame, by name")
        t.equal(sys.keyPressed(38), true, "pressed this frame, by code")
        t.equal(sys.keyDown("Down"), false, "another key")
        t.fails(function() sys.keyDown("upp") end, "invalid key name")
        w.xdo("keyup Up")
        w.waitFor(frame, "up released", function() return not sys.keyDown(38) end)
        w.xdo("keydown semicolon")
        w.waitFor(frame, "; down", function() return sys.keyDown("key-186") end)
        t.equal(sys.keyDown(186), true, "the key event's name and the code agree")
        w.xdo("keyup semicolon")
    end)
end)
