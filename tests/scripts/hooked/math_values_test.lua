local firstLine = vec(1, 2, 3)
-- How the host reads the script math values and builds them back. The first
-- line shows that vec exists before the main script's first statement.
local t = require "testing"
local echo = testhooks.echo

local function same(actual, expected, what)
    for i = 1, #expected do
        t.near(actual[i], expected[i], 1e-6, (what or "value") .. " [" .. i .. "]")
    end
end

t.test("vec and mat are quill's own from the main script's first line", function()
    same(firstLine, { 1, 2, 3, 0 })
    t.equal(rawget(_G, "vec"), require("vec"), "require gives the global's table")
    t.equal(rawget(_G, "mat"), require("mat"))
    t.equal(getmetatable(echo("vec3", { 1, 2, 3 })), vec.metatable)
    local m = echo("mat4", { x = { 1 }, y = {}, z = {}, w = {} })
    t.equal(getmetatable(m), mat.metatable)
    t.equal(getmetatable(m.x), vec.metatable, "rows are the same vec")
    same(m.x * mat.identity(), { 1, 0, 0, 0 }, "host values work with the library's operators")
end)

t.test("a global a script cleared is quill's own again at its next use", function()
    local quillVec = vec
    vec = nil
    t.equal(getmetatable(echo("vec3", { 1, 2, 3 })), quillVec.metatable)
    t.equal(vec, quillVec)
end)

t.test("missing, non-numeric and metamethod-only elements read as 0", function()
    same(echo("vec3", { 1, 2 }), { 1, 2, 0, 0 })
    same(echo("vec3", { "x", true, 3 }), { 0, 0, 3, 0 })
    same(echo("vec3", { "4", 5, 6, 7 }), { 4, 5, 6, 0 }, "numeric strings convert; w is 0 going out")
    local proxy = setmetatable({}, { __index = function(_, i) return 9 end })
    same(echo("vec4", proxy), { 0, 0, 0, 0 }, "elements are read raw")
    same(echo("vec2", { 7 }), { 7, 0 })
    same(echo("range", { 0.5, 2 }), { 0.5, 2 })
end)

t.test("vectors accept three numbers where the setter allows", function()
    same(echo("vec3args", 1, 2, 3), { 1, 2, 3, 0 })
    same(echo("vec3args", vec(4, 5, 6)), { 4, 5, 6, 0 })
    t.fails(function() echo("vec3args", 1, 2) end, "number expected")
end)

t.test("a transform crosses as a 4x4 and comes back unchanged", function()
    local m = mat.rotation(0.3, -1.2, 2.0, "yzx") * mat.translation(4, 5, 6)
    m.x[4] = 99 -- the fourth element of each row is ignored on reading
    local back = echo("mat4x3", m)
    for _, row in ipairs({ "x", "y", "z" }) do
        same(back[row], { m[row][1], m[row][2], m[row][3], 0 }, row)
    end
    same(back.w, { 4, 5, 6, 1 }, "w")
    local r = echo("mat3", m)
    same(r.w, { 0, 0, 0, 1 }, "a rotation has no translation")
    same(r.y, { m.y[1], m.y[2], m.y[3], 0 })
    local full = mat.create(vec(1, 2, 3, 4), vec(5, 6, 7, 8), vec(9, 10, 11, 12), vec(13, 14, 15, 16))
    t.equal(echo("mat4", full) == full, true, "Mat4 keeps all sixteen")
end)

t.test("rows are read by name, through metamethods", function()
    local rows = { x = { 1, 0, 0 }, y = { 0, 2, 0 }, z = { 0, 0, 3 }, w = { 7, 8, 9 } }
    local m = echo("mat4x3", setmetatable({}, { __index = rows }))
    same(m.y, { 0, 2, 0, 0 })
    same(m.w, { 7, 8, 9, 1 })
end)

t.test("boxes cross as centre and half size, spheres and rays by field", function()
    local box = echo("box", { pos = { 1, 2, 3 }, hsize = { 0.5, 1, 2 } })
    same(box.pos, { 1, 2, 3, 0 })
    same(box.hsize, { 0.5, 1, 2, 0 })
    local sphere = echo("sphere", { pos = { 1, 1, 1 }, radius = 2.5 })
    same(sphere.pos, { 1, 1, 1 })
    t.equal(sphere.radius, 2.5)
    t.equal(echo("sphere", { pos = {} }).radius, 0, "missing radius")
    local ray = echo("ray", { pos = vec(0, 1, 0), dir = { 0, 0, 2 } })
    same(ray.pos, { 0, 1, 0 })
    same(ray.dir, { 0, 0, 2 })
end)

t.test("colors are four bytes", function()
    same(echo("color", { 255, 128.9, 0, 64 }), { 255, 128, 0, 64 })
    same(echo("color", { 300, -1, "x", 1e300 }), { 44, 255, 0, 0 }, "wrapped into a byte; out of range is 0")
end)

t.test("each kind names its type when given something else", function()
    local cases = {
        { "vec3", "vec" }, { "vec2", "vec" }, { "vec4", "vec" }, { "mat3", "mat" }, { "mat4x3", "mat" },
        { "mat4", "mat" }, { "box", "box" }, { "sphere", "sphere" }, { "ray", "ray" }, { "range", "range" },
        { "color", "color" },
    }
    for _, case in ipairs(cases) do
        t.fails(function() echo(case[1], 5) end, "bad argument #2 to 'echo' (" .. case[2] .. " expected, got number)")
    end
    t.fails(function() echo("mat3", { x = {}, y = {} }) end, "mat expected")
    t.fails(function() echo("box", { pos = {} }) end, "box expected")
    t.fails(function() echo("ray", { dir = {} }) end, "ray expected")
end)

t.test("a game's own vec and mat are used", function()
    local quillVec, quillMat = vec, mat
    vec = function(x, y, z, w) return { mine = true, x, y, z, w } end
    mat = { create = function(x, y, z, w) return { mine = true, x = x, y = y, z = z, w = w } end }
    local v = echo("vec3", { 1, 2, 3 })
    local m = echo("mat3", { x = { 1 }, y = { 0, 1 }, z = { 0, 0, 1 } })
    vec, mat = quillVec, quillMat
    t.equal(v.mine, true)
    same(v, { 1, 2, 3, 0 })
    t.equal(m.mine, true)
    t.equal(m.z.mine, true, "rows are built with the game's vec")
end)

t.done()
