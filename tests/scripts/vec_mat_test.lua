-- quill's own vec and mat library, found by require although the game folder
-- has no copy of it.
local t = require "testing"
local vec = require "vec"
local mat = require "mat"

local function near(a, b, what)
    t.nearVec(a, b, 1e-6, what)
end

local function nearMat(a, b, what)
    t.nearMat(a, b, 1e-6, what)
end

t.test("require finds the built-in library and shares one copy", function()
    t.equal(require("vec"), vec)
    t.equal(require("quill").mat, mat)
    t.equal(rawget(_G, "vec"), vec, "the global is the library's vec")
end)

t.test("vectors are arrays with arithmetic operators", function()
    local a, b = vec(1, 2, 3), vec(4, -5, 6, 1)
    t.equal(a[4], 0, "w defaults to 0")
    near(a + b, { 5, -3, 9, 1 })
    near(a - b, { -3, 7, -3, -1 })
    near(-b, { -4, 5, -6, -1 })
    near(a * 2, { 2, 4, 6, 0 })
    near(2 * a, { 2, 4, 6, 0 })
    near(a * b, { 4, -10, 18, 0 })
    near(b / 2, { 2, -2.5, 3, 0.5 })
    t.equal(a == vec(1, 2, 3, 0), true, "equal by value")
    t.equal(a == b, false)
    t.equal(tostring(vec(1, 0.5, -2)), "vec(1, 0.5, -2, 0)")
end)

t.test("dot, cross, length, normalize and lerp", function()
    local a, b = vec(1, 2, 3), vec(4, -5, 6)
    t.equal(a:dot(b), 12)
    t.equal(vec.dot(a, b), 12)
    near(vec(1, 0, 0):cross(vec(0, 1, 0)), { 0, 0, 1, 0 })
    near(a:cross(b), { 27, 6, -13, 0 })
    t.equal(vec(3, 4, 0):length(), 5)
    t.equal(vec(3, 4, 0):length2(), 25)
    near(vec(0, 0, -7):normalize(), { 0, 0, -1, 0 })
    t.equal(vec(0, 0, 0):normalize()[1] ~= vec(0, 0, 0):normalize()[1], true, "zero length gives NaN")
    near(a:lerp(b, 0.25), { 1.75, 0.25, 3.75, 0 })
    t.equal(vec.isvec(a), true)
    t.equal(vec.isvec({ 1, 2, 3 }), false)
end)

t.test("rotations turn right-handed and compose like the host's Euler orders", function()
    near(vec(0, 1, 0, 0) * mat.rotationX(math.pi / 2), { 0, 0, 1, 0 })
    near(vec(0, 0, 1, 0) * mat.rotationY(math.pi / 2), { 1, 0, 0, 0 })
    near(vec(1, 0, 0, 0) * mat.rotationZ(math.pi / 2), { 0, 1, 0, 0 })
    -- "xyz" with a quarter turn about Y: the first row is (0, 0, 1).
    near(mat.rotation(0, math.pi / 2, 0).x, { 0, 0, 1, 0 })
    local ax, ay, az = 0.3, -0.8, 1.2
    nearMat(mat.rotation(ax, ay, az, "zxy"),
        mat.rotationZ(-az) * mat.rotationX(-ax) * mat.rotationY(-ay))
    nearMat(mat.rotationAxis(vec(0, 2, 0), 0.7), mat.rotationY(0.7))
    t.fails(function() mat.rotation(0, 0, 0, "xxy") end, "invalid rotation order")
end)

t.test("a point times a product is the point through each in turn", function()
    local a = mat.rotationY(0.5) * mat.translation(1, 2, 3)
    local b = mat.scale(2, 1, 0.5) * mat.rotationX(-1.1)
    local p = vec(0.5, -1, 2, 1)
    near(p * (a * b), (p * a) * b)
    near(a:transformPoint(vec(0, 0, 0)), { 1, 2, 3, 0 })
    near(a:transformVector(vec(0, 0, 1)), vec(0, 0, 1, 0) * mat.rotationY(0.5))
    near(a:position(), { 1, 2, 3, 0 })
    nearMat(a * 2, mat.create(a.x * 2, a.y * 2, a.z * 2, a.w * 2))
end)

t.test("the inverse undoes scale, shear and translation", function()
    local m = mat.scale(2, 3, 0.5) * mat.rotation(0.4, 1, -0.3) * mat.translation(5, -2, 7)
    m.y = m.y + m.x * 0.25
    nearMat(m * m:inverse(), mat.identity())
    nearMat(m:inverse() * m, mat.identity())
    nearMat(m:transpose():transpose(), m)
    t.equal(mat.identity() == mat.identity(), true)
end)

t.test("lookAt and basis point Z at the target, keeping Y up", function()
    local m = mat.lookAt(vec(1, 1, 1), vec(4, 5, 1))
    near(m.z, { 0.6, 0.8, 0, 0 })
    near(m.w, { 1, 1, 1, 1 })
    t.equal(m.y[2] > 0, true, "Y leans up")
    nearMat(mat.basis(vec(0, -3, 0)), mat.create(vec(1, 0, 0), vec(0, 0, 1), vec(0, -1, 0), vec(0, 0, 0, 1)))
    local p = m:transformPoint(vec(0, 0, 5))
    near(p, { 4, 5, 1, 0 })
end)

t.test("matrices print their rows", function()
    t.equal(tostring(mat.translation(1, 2, 3)),
        "mat((1, 0, 0, 0), (0, 1, 0, 0), (0, 0, 1, 0), (1, 2, 3, 1))")
end)

t.done()
