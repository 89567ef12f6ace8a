-- display
-- System cursors and cursors drawn from pictures, shown by a frame.
local t = require "testing"
require "quill"

local frame = Frame.create{title = "cursor-test", width = 200, height = 120}

t.test("every system cursor exists and others are refused", function()
    for _, name in ipairs{"arrow", "ibeam", "wait", "hand", "split_horizontal", "split_vertical"} do
        local cursor = Cursor.createSystemCursor(name)
        frame:setCursor(cursor)
        frame:setCursor(cursor)
    end
    t.fails(function() Cursor.createSystemCursor("crosshair") end, "invalid enum")
end)

t.test("a cursor from a picture, with the picture's errors", function()
    local picture = Image.create(16, 16)
    for i = 0, 15 do
        picture:setPixel(i, i, vec(255, 0, 0, 255))
    end
    picture:save("pointer.png")
    local cursor = Cursor.create("pointer.png", 0, 0)
    frame:setCursor(cursor)
    -- The frame keeps its cursor alive after the script lets go of it.
    cursor = nil
    collectgarbage()
    collectgarbage()
    frame:setCursor(Cursor.create("pointer.png", 15, 15))
    t.fails(function() Cursor.create("nowhere.png", 0, 0) end, "nowhere.png")
    t.fails(function() Cursor.create("pointer.png", 0) end, "number expected")
    t.fails(function() frame:setCursor(picture) end, "Cursor expected")
end)

t.done()
