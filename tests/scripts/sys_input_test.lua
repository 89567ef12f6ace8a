-- Key and mouse polling before any frame exists, the key names, and a frame
-- that cannot open (no display here).
local t = require "testing"

t.test("polling without a main frame reads nothing", function()
    for _, name in ipairs({"a", "A", "space", "Up", "numpad_0", 38, 0, 511, 512, -1}) do
        t.equal(sys.keyDown(name), false, "keyDown " .. name)
        t.equal(sys.keyPressed(name), false, "keyPressed " .. name)
    end
    for _, button in ipairs({0, 1, 2, 3, -1}) do
        t.equal(sys.mouseDown(button), false, "mouseDown " .. button)
        t.equal(sys.mousePressed(button), false, "mousePressed " .. button)
    end
    local x, y = sys.mousePos()
    t.equal(x, 0, "x")
    t.equal(y, 0, "y")
end)

t.test("key names by code", function()
    local cases = {
        {8, "backspace"}, {18, "alt"}, {48, "0"}, {90, "Z"}, {96, "numpad_0"}, {111, "numpad_divide"},
        {121, "f10"}, {145, "scroll_lock"}, {187, "+"}, {190, "."}, {0, nil}, {108, nil}, {186, nil},
    }
    for _, case in ipairs(cases) do
        t.equal(sys.getKeyName(case[1]), case[2], "code " .. case[1])
    end
    t.fails(function() sys.keyDown() end, "string expected")
end)

t.test("a name of no key is an error, not a key that is never down", function()
    for _, name in ipairs({"", "xylophone", "?", "up ", "f13", "key-512"}) do
        t.fails(function() sys.keyDown(name) end, "invalid key name")
        t.fails(function() sys.keyPressed(name) end, "invalid key name")
    end
end)

t.test("a frame that cannot open raises the window error", function()
    t.fails(function() Frame.create() end, "CreateWindowEx failed")
    t.fails(function() Frame.create("big") end, "table expected")
end)

t.done()
