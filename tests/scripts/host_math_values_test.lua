-- The vec and mat values the host hands to scripts: while the globals are
-- quill's own library the host builds them itself, and they must be the very
-- tables vec() and mat.create() build; a game's own constructors are called.
local t = require "testing"

local scene = Scene.createSimpleScene() -- kept: its nodes go with it
local node = scene:addNode()
node:setPosition(1, 2.5, -3)
node:setRotation(0.3, 0.2, 0.1)
local image = Image.create(2, 2)
image:setPixel(1, 1, {10, 20, 30, 40})

-- The keys of a table in the order pairs gives them, with their values.
local function layout(value)
    local out = {}
    for key, element in pairs(value) do out[#out + 1] = tostring(key) .. "=" .. tostring(element) end
    return table.concat(out, " ")
end

local function sameVec(actual, expected, what)
    t.equal(getmetatable(actual), getmetatable(expected), what .. " metatable")
    t.equal(layout(actual), layout(expected), what .. " layout")
    t.equal(#actual, #expected, what .. " length")
end

-- The same matrix rebuilt through the script constructors, row by row.
local function rebuilt(m)
    local function row(r) return vec(r[1], r[2], r[3], r[4]) end
    return mat.create(row(m.x), row(m.y), row(m.z), row(m.w))
end

local function sameMat(actual, what)
    local expected = rebuilt(actual)
    t.equal(getmetatable(actual), mat.metatable, what .. " metatable")
    local keys = {}
    for key in pairs(actual) do keys[#keys + 1] = key end
    local expectedKeys = {}
    for key in pairs(expected) do expectedKeys[#expectedKeys + 1] = key end
    t.equal(table.concat(keys, " "), table.concat(expectedKeys, " "), what .. " row order")
    for _, name in ipairs({"x", "y", "z", "w"}) do sameVec(actual[name], expected[name], what .. "." .. name) end
end

t.test("vecs, colours and matrices are the constructors' own tables", function()
    local position = node:getPosition()
    sameVec(position, vec(1, 2.5, -3, 0), "position")
    t.equal(tostring(position), "vec(1, 2.5, -3, 0)")
    sameVec(image:getPixel(1, 1), vec(10, 20, 30, 40), "pixel")
    sameMat(node:getTransform(), "transform")
    sameMat(node.Rotation, "rotation")
    t.equal(tostring(node:getTransform().w), "vec(1, 2.5, -3, 1)")
    -- They work with the library's operators and read back unchanged.
    local m = node:getTransform() * mat.identity()
    node:setTransform(m)
    t.equal(tostring(node:getTransform()), tostring(m))
end)

t.test("a game's own vec and mat.create are called", function()
    local quillVec, quillCreate = vec, mat.create
    local calls = 0
    vec = function(x, y, z, w)
        calls = calls + 1
        return {x, y, z, w, mine = true}
    end
    local pixel = image:getPixel(1, 1)
    t.equal(pixel.mine and pixel[4], 40, "the game's vec")
    local m = node:getTransform()
    t.equal(calls, 5, "vec calls")
    t.equal(getmetatable(m), mat.metatable, "quill's mat.create")
    t.equal(m.w.mine and m.w[2], 2.5, "rows from the game's vec")
    vec = quillVec

    mat.create = function(x, y, z, w) return {rows = {x, y, z, w}} end
    t.equal(node:getTransform().rows[4][3], -3, "the replaced mat.create")
    mat.create = quillCreate
    sameMat(node:getTransform(), "restored")

    local call = getmetatable(vec).__call
    getmetatable(vec).__call = function() return "called" end
    t.equal(node:getPosition(), "called", "the replaced vec call")
    getmetatable(vec).__call = call
    sameVec(node:getPosition(), vec(1, 2.5, -3, 0), "restored position")
end)

t.test("a cleared global is quill's own again", function()
    local quillVec, quillMat = vec, mat
    vec, mat = nil, nil
    sameVec(image:getPixel(1, 1), quillVec(10, 20, 30, 40), "pixel")
    t.equal(rawget(_G, "vec"), quillVec, "vec put back")
    local m = node:getTransform()
    t.equal(rawget(_G, "mat"), quillMat, "mat put back")
    sameMat(m, "transform")
end)

t.test("methods that return vecs and mats fail as plain bindings do", function()
    local gone = Scene.createSimpleScene()
    local goneNode = gone:addNode()
    gone:dispose()
    -- Each message carries the position of the call in the case's own line
    -- (not a tail call, which would leave no caller to name).
    local cases = {
        {function() local _ = Node.getPosition(nil) end, "bad argument #1 to 'getPosition' (Node expected, got nil)"},
        {function() local _ = goneNode:getTransform() end, "calling 'getTransform' on bad self (object disposed)"},
        {function() local _ = Image.getPixel(node, 0, 0) end, "bad argument #1 to 'getPixel' (Image expected, got userdata)"},
        {function() local _ = image:getPixel(1) end, "bad argument #2 to 'getPixel' (number expected, got no value)"},
        {function() local _ = image:getPixel(7, 0) end, "coordinate out of range"},
        {function() local _ = image:getPixel(-1, 0) end, "coordinate out of range"},
        {function() local _ = Node.getTransform(setmetatable({}, Node)) end,
            "bad argument #1 to 'getTransform' (Node expected, got table)"},
        {function() local _ = Node.getPosition(image) end, "bad argument #1 to 'getPosition' (Node expected, got userdata)"},
    }
    for i, case in ipairs(cases) do
        local ok, err = pcall(case[1])
        local info = debug.getinfo(case[1], "S")
        t.equal(ok, false, "case " .. i)
        t.equal(err, info.short_src .. ":" .. info.linedefined .. ": " .. case[2], "case " .. i)
    end
    -- Nothing of a failed call is left behind, and other argument counts work.
    sameVec(image:getPixel(1, 1), vec(10, 20, 30, 40), "pixel after the errors")
    sameVec(node:getPosition("ignored"), vec(1, 2.5, -3, 0), "position with an extra argument")
    t.equal(select("#", node:getTransform()), 1, "one result")
end)

t.test("derived classes and coordinates the direct path leaves to the binding", function()
    local camera = Camera.create(1, 1, 0.1, 100)
    camera:setPosition(4, 5, 6)
    sameMat(camera:getTransform(), "camera transform")
    t.equal(tostring(camera:getTransform().w), "vec(4, 5, 6, 1)")
    sameMat(camera:getProjectionMatrix(), "projection")
    -- Fractions and numeric strings are converted as the binding converts them.
    for _, at in ipairs({{1.5, 1.25}, {"1", "1"}, {1, 1}}) do
        sameVec(image:getPixel(at[1], at[2]), vec(10, 20, 30, 40), "pixel at " .. tostring(at[1]))
    end
    sameVec(image:getPixel(0, 0), vec(0, 0, 0, 0), "another pixel")
    camera:dispose()
    t.equal(pcall(camera.getTransform, camera), false, "disposed camera")
end)

t.done()
