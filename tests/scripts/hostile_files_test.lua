-- display
-- timeout: 120
-- Files made to hurt: pictures whose headers lie, fonts whose glyphs would
-- need gigabytes, mesh segments outside their index list, a text file of
-- very many fields and animations of very many track names. Each gives a
-- clean error or a sound result, quickly.
local t = require "testing"

local frame = Frame.create{title = "hostile-files-test", width = 64, height = 48}
assert(EngineSystems.create{width = 64, height = 48})

local function bytes(list)
    local out = {}
    for i, b in ipairs(list) do out[i] = string.char(b) end
    return table.concat(out)
end

-- Calls fn and returns its error (nil when it succeeded) and the CPU seconds it took.
local function timed(fn, ...)
    local start = os.clock()
    local ok, err = pcall(fn, ...)
    return (not ok) and tostring(err) or nil, os.clock() - start
end

t.test("pictures whose headers promise what the file does not hold are refused", function()
    t.writeFile("freed1.tga", bytes{0x0a, 0x08, 0x0a, 0x00, 0x02, 0x02, 0x00, 0x20, 0x08, 0x01, 0x08, 0x01, 0x20,
                                   0x08, 0x01, 0x00, 0x20, 0x01})
    t.writeFile("freed2.tga", bytes{0x2f, 0x08, 0x0a, 0x00, 0x00, 0x00, 0x00, 0x20, 0x08, 0x01, 0x44, 0x00, 0x00,
                                   0x11, 0x22, 0x00, 0x20, 0x44})
    for _, name in ipairs{"freed1.tga", "freed2.tga"} do
        t.fails(function() Image.load(name) end, "Error loading: " .. name)
        t.fails(function() Font.load(name, 8) end, "Error loading: " .. name)
    end
    -- A GIF whose first frame claims 65535 x 65535 pixels.
    t.writeFile("screen.gif", "GIF89a\1\0\1\0\0\0\0,\0\0\0\0\255\255\255\255\0\2\2\68\1\0;")
    t.fails(function() Image.load("screen.gif") end, "Error loading: screen.gif")
end)

-- The font the other tests use, with its units per em (two bytes of the
-- "head" table) set to 16: every glyph becomes 128 times larger per side.
local function writeSixteenUnitsPerEm(source, target)
    local file = assert(io.open(source, "rb"))
    local font = file:read("*a")
    file:close()
    local function u16(at) return font:byte(at) * 256 + font:byte(at + 1) end
    local function u32(at) return u16(at) * 65536 + u16(at + 2) end
    for record = 0, u16(5) - 1 do
        local at = 13 + 16 * record
        if font:sub(at, at + 3) == "head" then
            local units = u32(at + 8) + 18 + 1
            t.writeFile(target, font:sub(1, units - 1) .. "\0\16" .. font:sub(units + 2))
            return
        end
    end
    error("no head table")
end

t.test("fonts whose glyphs do not fit the atlas fail at once, in both styles", function()
    local path = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf"
    writeSixteenUnitsPerEm(path, "sixteen.ttf")
    for _, case in ipairs{{"sixteen.ttf", 16}, {path, 5000}, {path, 20000}} do
        for _, style in ipairs{"plain", "stroke"} do
            local err, seconds = timed(Font.loadTrueType, case[1], case[2], style ~= "plain" and style or nil)
            local what = case[1] .. " at " .. case[2] .. " " .. style
            t.equal(err and err:match("Font glyphs too large for the atlas at size %d+$") ~= nil, true, what)
            t.equal(seconds < 1, true, what .. " fails in well under a second")
        end
    end
    -- Large sizes whose glyphs still fit keep working.
    local large = Font.loadTrueType(path, 120, "stroke")
    t.equal(large:isPrintable("W"), true)
end)

-- --- a model whose only mesh has one segment, at the given first index ---

local function writeModel(path, firstIndex, count)
    local out = FileOutputStream.create(path)
    local function floats(...) for _, v in ipairs({...}) do out:writeFloat(v) end end
    out:writeBytes("MDL1")
    out:writeInt(2)
    out:writeInt(1)
    out:writeInt(4)
    out:writeBytes("mesh")
    floats(1, 0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0)
    out:writeInt(-1)
    out:writeInt(0)
    out:writeBytes("MESH")
    out:writeInt(2)
    out:writeInt(3)
    for slot = 0, 14 do
        out:writeInt(3)
        out:writeInt(3)
        out:writeInt(slot == 0 and 12 or 0)
        if slot == 0 then floats(0, 0, 0, 1, 0, 0, 0, 1, 0) end
    end
    out:writeInt(3)
    for i = 0, 2 do out:writeInt(i) end
    out:writeInt(1)
    out:writeInt(0)
    out:writeInt(3)
    out:writeInt(firstIndex)
    out:writeInt(count)
    floats(0, 0, 0, 1, 0, 0, 0, 1, 1, 1)
    out:writeInt(0)
    floats(0, 0, 0)
    out:writeByte(0)
    out:dispose()
end

t.test("mesh segments must start inside their index list, even empty ones", function()
    writeModel("far.model", 4096, 0)
    writeModel("wrapping.model", 2147483647, 0)
    writeModel("end.model", 3, 0)
    t.fails(function() Mesh.load("far.obj") end, "Invalid file format: far.model")
    t.fails(function() Mesh.load("wrapping.obj") end, "Invalid file format: wrapping.model")
    t.fails(function() Model.load("far.obj") end, "Invalid file format: far.model")
    -- An empty segment at the very end of the list is sound.
    local mesh = Mesh.load("end.obj")
    mesh:triangulate()
    t.equal(mesh:getNumIndices(), 3)
end)

t.test("a text file of very many fields parses in linear time", function()
    local fields = {'Name = "crowded"'}
    for i = 1, 80000 do fields[#fields + 1] = "field" .. i .. " = " .. i end
    fields[#fields + 1] = "field7 = 1"
    t.writeFile("crowded.materials", "material { " .. table.concat(fields, ", ") .. " }")
    local err, seconds = timed(MaterialLibrary.load, "crowded.materials", 0)
    t.equal(err, nil)
    t.equal(seconds < 1, true, "1 MB of fields parses in well under a second")
    t.equal(Material.findMaterialByName("crowded") ~= nil, true)

    t.writeFile("number.materials", "\n5 = 3")
    t.fails(function() MaterialLibrary.load("number.materials") end, "number.materials:2: identifier expected")
end)

t.test("controllers cost what their own nodes cost, however many track names exist", function()
    local out = FileOutputStream.create("names.animation")
    out:writeBytes("ANIM")
    out:writeInt(1)
    out:writeInt(5)
    out:writeBytes("names")
    out:writeFloat(30)
    out:writeInt(0)
    local tracks = 200000
    out:writeInt(tracks)
    for i = 1, tracks do
        local name = "hostile-track-" .. i
        out:writeInt(#name)
        out:writeBytes(name)
        out:writeInt(0)
    end
    out:dispose()
    t.equal(Animation.load("names.fbx"):getFrameCount(), 0)

    local scene = Scene.createSimpleScene()
    local root = scene:addNode()
    root:setName("a node named after all those tracks")
    local start = os.clock()
    for _ = 1, 200 do
        local controller = AnimationController.create(root)
        controller:sample()
        controller:dispose()
    end
    t.equal(os.clock() - start < 0.5, true, "200 controllers of one node")
end)

frame:dispose()
t.done()
