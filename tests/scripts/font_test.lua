-- display
-- timeout: 60
-- Fonts from scripts: the built-in fonts, font images and TrueType files, text
-- widths and the failures scripts see.
local t = require "testing"

local frame = Frame.create{title = "font-test", width = 64, height = 48}

t.test("without a renderer fonts cannot be made", function()
    t.fails(function() Font.create("consolas") end, "engine not initialized")
end)

assert(EngineSystems.create{width = 64, height = 48})

t.test("built-in fonts are fixed-width", function()
    for name, size in pairs{fixedsys = {8, 15}, consolas = {7, 13}} do
        local font = Font.create(name)
        t.equal(font:getLineHeight(), size[2], name)
        t.equal(font:getMaxBearingY(), 0, name)
        t.equal(font:getTextWidth("Ab \xC4"), 4 * size[1], name)
        t.equal(font:getTextWidth(""), 0, name)
        t.equal(font:getTextWidth("a\nb"), 2 * size[1], "a newline has no glyph")
        t.equal(font:isPrintable(" "), true, name)
        t.equal(font:isPrintable("\t"), false, name)
        t.equal(font:isPrintable("\xF6"), true, name)
    end
    t.fails(function() Font.create("Consolas") end, "unknown built-in font")
    t.fails(function() Font.create("consolas"):isPrintable("ab") end, "invalid character")
    t.fails(function() Font.create("consolas"):isPrintable("") end, "invalid character")
end)

t.test("font images load fixed- or variable-width", function()
    local cells = Image.create(97 * 5, 6)
    cells:save("cells.png")
    local fixed = Font.load("cells.png", 5, 1)
    t.equal(fixed:getLineHeight(), 6)
    t.equal(fixed:getTextWidth("AB "), 6 + 6 + 5)
    t.fails(function() Font.load("cells.png", 4) end, "Image size is invalid for a fixed width font")
    t.fails(function() Font.load("missing.png") end, "File not found: missing.png")

    local marked = Image.create(10, 4)
    for _, x in ipairs{0, 1, 4} do
        marked:setPixel(x, 0, {255, 255, 255, 255})
    end
    marked:save("marked.png")
    local variable = Font.load("marked.png", -1, 2)
    t.equal(variable:getLineHeight(), 3)
    t.equal(variable:getTextWidth("ABC"), 4 + 3 + 2)
end)

t.test("TrueType fonts rasterise at a pixel size", function()
    local path = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf"
    local plain = Font.loadTrueType(path, 24)
    local stroked = Font.loadTrueType(path, 24, "stroke")
    t.equal(plain:getLineHeight() >= 24, true)
    t.equal(plain:getMaxBearingY() > 12, true)
    t.equal(stroked:getTextWidth("Hello"), plain:getTextWidth("Hello"))
    t.fails(function() Font.loadTrueType(path, 24, "bold") end, "invalid enum")
    local f = io.open("broken.ttf", "wb")
    f:write("not a font")
    f:close()
    t.fails(function() Font.loadTrueType("broken.ttf", 12) end, "FT_New_Face failed with error code")
end)

frame:dispose()
t.done()
