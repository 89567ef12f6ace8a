-- display
-- Model sources as scripts meet them: OBJ and LightWave files converted into
-- model files on their first load, used as they are while up to date, and
-- the importers' errors.
local t = require "testing"

local frame = Frame.create{title = "importers-test", width = 320, height = 240}
assert(EngineSystems.create{width = 320, height = 240})

-- --- LightWave files written byte by byte (big-endian) ---

local function u2(n) return string.char(math.floor(n / 256) % 256, n % 256) end
local function u4(n) return u2(math.floor(n / 65536)) .. u2(n % 65536) end

-- Normal numbers and zero only, which is all these files need.
local function f4(x)
    if x == 0 then return u4(0) end
    local sign = x < 0 and 2147483648 or 0
    local m, e = math.frexp(math.abs(x))
    return u4(sign + (e + 126) * 8388608 + math.floor((m * 2 - 1) * 8388608 + 0.5))
end

local function s0(text)
    text = text .. "\0"
    return #text % 2 == 1 and text .. "\0" or text
end

local function chunk(id, body) return id .. u4(#body) .. body end
local function sub(id, body) return id .. u2(#body) .. body end

local function layer(n) return chunk("LAYR", u2(n) .. u2(0) .. f4(0) .. f4(0) .. f4(0) .. s0("")) end

local function points(list)
    local body = {}
    for _, p in ipairs(list) do body[#body + 1] = f4(p[1]) .. f4(p[2]) .. f4(p[3]) end
    return chunk("PNTS", table.concat(body))
end

local function faces(list, kind)
    local body = {kind or "FACE"}
    for _, corners in ipairs(list) do
        body[#body + 1] = u2(#corners)
        for _, c in ipairs(corners) do body[#body + 1] = u2(c) end
    end
    return chunk("POLS", table.concat(body))
end

local function lwo(...)
    local body = "LWO2" .. table.concat({...})
    return chunk("FORM", body)
end

local square = {{0, 0, 0}, {2, 0, 0}, {2, 2, 0}, {0, 2, 0}}

-- --- OBJ ---

t.test("an OBJ source converts into a model file beside it, once", function()
    t.writeFile("crate.obj", "# crate\nv 0 0 0\nv 2 0 0\nvt 0 0\nv 2 2 0\nv 0 2 0\n" ..
        "f 1/1/1 2/1/1 3/1/1 4/1/1\n")
    local model = Model.load("crate.obj")
    t.equal(model:getNodeCount(), 1)
    local root = model:getNode(1)
    t.equal(root.Name, "")
    local entity = root:getRenderEntity()
    t.equal(entity:getEntityType(), "MeshEntity")
    t.equal(entity:getCastShadow(), true)
    t.equal(FileSystem.fileExists("crate.model"), true)
    t.equal(FileSystem.fileDate("crate.model"):compare(FileSystem.fileDate("crate.obj")), 0)

    local mesh = Mesh.load("crate.obj")
    t.equal(mesh:getNumVertices(), 4)
    t.equal(#mesh:getIndices(), 6, "the quad is fanned into two triangles")
    t.equal(mesh:getNumSegments(), 1)
    t.equal(#mesh:getNormalArray(), 12)
    t.equal(mesh:getTexcoordArray(), nil)

    -- Up to date, the source is not read again.
    local date = FileSystem.fileDate("crate.obj")
    local converted = FileSystem.readFile("crate.model")
    t.writeFile("crate.obj", "f 7 8 9\n")
    FileSystem.setFileDate("crate.obj", date)
    AssetProcessor.find("Model", "crate.obj"):processFile("crate.obj")
    t.equal(FileSystem.readFile("crate.model") == converted, true)
end)

t.test("bad OBJ faces fail and leave no model file", function()
    for name, text in pairs{
        ["late.obj"] = {"v 0 0 0\nv 1 0 0\nf 1 2 3\nv 0 1 0\n", 3},
        ["zero.obj"] = {"v 0 0 0\nv 1 0 0\nv 0 1 0\nf 0 1 2\n", 4},
        ["two.obj"] = {"v 0 0 0\r\nv 1 0 0\r\nv 0 1 0\r\n\r\nf 1 2 \r\n", 5},
    } do
        t.writeFile(name, text[1])
        local err = t.fails(function() Model.load(name) end, "Malformed obj file: ")
        t.equal(string.find(err, name .. ":" .. text[2], 1, true) ~= nil, true, err)
        t.equal(FileSystem.fileExists(name:gsub("obj$", "model")), false)
    end
end)

-- --- LightWave ---

t.test("a LightWave source gives the geometry of its first layer", function()
    t.writeFile("ship.lwo", lwo(
        chunk("TAGS", s0("hull")),
        layer(0), points(square), faces{{0, 1, 2, 3}, {0, 2}},
        chunk("PTAG", "SURF" .. u2(0) .. u2(0)),
        layer(1), points{{5, 5, 5}, {6, 5, 5}, {6, 6, 5}}, faces{{0, 1, 2}}))
    local mesh = Mesh.load("ship.lwo")
    t.equal(mesh:getNumVertices(), 4)
    t.equal(#mesh:getIndices(), 6)
    local box = mesh:getBoundingBox()
    t.equal(box.pos[1], 1)
    t.equal(box.hsize[2], 1)
    t.equal(Model.load("ship.lwo"):getNode(1):getRenderEntity():getEntityType(), "MeshEntity")
end)

t.test("LightWave errors name the file", function()
    local cases = {
        {"old.lwo", chunk("FORM", "LWOB" .. points(square)), "Not a lightwave object "},
        {"upper.lwo", lwo(layer(1), points(square), faces{{0, 1, 2}}), "No layer 0 in file "},
        {"tagged.lwo", lwo(chunk("TAGS", s0("a")), layer(0), points(square), faces{{0, 1, 2}},
            chunk("PTAG", "SURF" .. u2(0) .. u2(3))), "Invalid tag index in file "},
        {"polytag.lwo", lwo(chunk("TAGS", s0("a")), layer(0), points(square), faces{{0, 1, 2}},
            chunk("PTAG", "SURF" .. u2(4) .. u2(0))), "Invalid poly index in file "},
        {"bump.lwo", lwo(chunk("SURF", s0("skin") .. s0("") ..
            sub("BLOK", sub("IMAP", s0("\128") .. sub("CHAN", "BUMP")))), layer(0), points(square), faces{{0, 1, 2}}),
            "Unsupported material channel BUMP in file "},
    }
    for _, c in ipairs(cases) do
        t.writeFile(c[1], c[2])
        local err = t.fails(function() Mesh.load(c[1]) end, c[3])
        t.equal(string.find(err, c[1], 1, true) ~= nil, true, err)
        t.equal(FileSystem.fileExists(c[1]:gsub("lwo$", "model")), false)
    end
    -- A patch chunk is no polygon list: its tags are not read.
    t.writeFile("patch.lwo", lwo(layer(0), points(square), faces{{0, 1, 2}}, faces({{0, 1, 2, 3}}, "PTCH"),
        chunk("PTAG", "SURF" .. u2(9) .. u2(9))))
    t.equal(#Mesh.load("patch.lwo"):getIndices(), 3)
end)

t.done()
