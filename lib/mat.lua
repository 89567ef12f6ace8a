-- mat: a 4×4 matrix for row vectors, stored as a table of four vec rows
-- {x = row 0, y = row 1, z = row 2, w = row 3}. A point p transforms as p * M,
-- and A * B means "apply A, then B". The rows x, y, z of a transform are its
-- local axes and w holds the translation, as the host gives and reads them.
--
--   mat.create(x, y, z, w), mat.identity(), mat.translation(x, y, z), mat.scale(x, y, z)
--   mat.rotationX/Y/Z(angle), mat.rotation(ax, ay, az [, order]), mat.rotationAxis(axis, angle)
--   mat.basis(direction), mat.lookAt(eye, target)
--   A * B, M * s, v * M, m:inverse(), m:transpose(), m:transformPoint(p),
--   m:transformVector(v), m:position(), tostring(m)

local vec = require "vec"

local setmetatable, getmetatable, type, error = setmetatable, getmetatable, type, error
local sin, cos, sqrt, format = math.sin, math.cos, math.sqrt, string.format
local new = vec.new

local mat = {}
local Mat = { __index = mat }

local function create(x, y, z, w)
    return setmetatable({ x = x, y = y, z = z, w = w }, Mat)
end

local function rows(a, b, c, d, e, f, g, h, i, j, k, l, m, n, o, p)
    return create(new(a, b, c, d), new(e, f, g, h), new(i, j, k, l), new(m, n, o, p))
end

mat.create = create
mat.metatable = Mat

function mat.ismat(m)
    return getmetatable(m) == Mat
end

function mat.identity()
    return rows(1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1)
end

-- Accepts three numbers or a vec.
function mat.translation(x, y, z)
    if type(x) == "table" then x, y, z = x[1], x[2], x[3] end
    return rows(1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, x, y, z, 1)
end

function mat.scale(x, y, z)
    if type(x) == "table" then x, y, z = x[1], x[2], x[3] end
    y, z = y or x, z or x
    return rows(x, 0, 0, 0, 0, y, 0, 0, 0, 0, z, 0, 0, 0, 0, 1)
end

-- Right-handed turns about one axis, the same matrices the host uses.
function mat.rotationX(a)
    local c, s = cos(a), sin(a)
    return rows(1, 0, 0, 0, 0, c, s, 0, 0, -s, c, 0, 0, 0, 0, 1)
end

function mat.rotationY(a)
    local c, s = cos(a), sin(a)
    return rows(c, 0, -s, 0, 0, 1, 0, 0, s, 0, c, 0, 0, 0, 0, 1)
end

function mat.rotationZ(a)
    local c, s = cos(a), sin(a)
    return rows(c, s, 0, 0, -s, c, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1)
end

-- One row of a product: the row vector r times the matrix with rows bx..bw.
local function rowTimes(r, bx, by, bz, bw)
    local x, y, z, w = r[1], r[2], r[3], r[4]
    return new(x * bx[1] + y * by[1] + z * bz[1] + w * bw[1],
        x * bx[2] + y * by[2] + z * bz[2] + w * bw[2],
        x * bx[3] + y * by[3] + z * bz[3] + w * bw[3],
        x * bx[4] + y * by[4] + z * bz[4] + w * bw[4])
end

local function multiply(a, b)
    local bx, by, bz, bw = b.x, b.y, b.z, b.w
    return create(rowTimes(a.x, bx, by, bz, bw), rowTimes(a.y, bx, by, bz, bw), rowTimes(a.z, bx, by, bz, bw),
        rowTimes(a.w, bx, by, bz, bw))
end

local elementary = { x = mat.rotationX, y = mat.rotationY, z = mat.rotationZ }
local orders = { xyz = true, xzy = true, yxz = true, yzx = true, zxy = true, zyx = true }

-- Euler angles, given in x, y, z order; the order string (default "xyz") says
-- how they compose, exactly as Node.setRotation does: "pqr" is Rp(-ap)·Rq(-aq)·Rr(-ar).
function mat.rotation(ax, ay, az, order)
    order = order or "xyz"
    if not orders[order] then
        error("invalid rotation order", 2)
    end
    local angles = { x = ax, y = ay, z = az }
    local p, q, r = order:sub(1, 1), order:sub(2, 2), order:sub(3, 3)
    return multiply(multiply(elementary[p](-angles[p]), elementary[q](-angles[q])), elementary[r](-angles[r]))
end

-- A right-handed turn by angle about any axis (a vec, normalized here).
function mat.rotationAxis(axis, angle)
    local l = sqrt(axis[1] * axis[1] + axis[2] * axis[2] + axis[3] * axis[3])
    local x, y, z = axis[1] / l, axis[2] / l, axis[3] / l
    local c, s = cos(angle), sin(angle)
    local t = 1 - c
    return rows(t * x * x + c, t * x * y + s * z, t * x * z - s * y, 0,
        t * x * y - s * z, t * y * y + c, t * y * z + s * x, 0,
        t * x * z + s * y, t * y * z - s * x, t * z * z + c, 0,
        0, 0, 0, 1)
end

-- The rotation whose Z axis is the direction and whose Y axis is as close to
-- up as it allows; straight up or down uses X as the hint.
function mat.basis(d)
    local dx, dy, dz = d[1], d[2], d[3]
    local xx, xy, xz, yx, yy, yz
    if dx ~= 0 or dz ~= 0 then
        xx, xy, xz = dz, 0, -dx                                        -- (0, 1, 0) × d
        yx, yy, yz = dy * xz - dz * xy, dz * xx - dx * xz, dx * xy - dy * xx  -- d × x
    else
        yx, yy, yz = 0, dz, -dy                                        -- d × (1, 0, 0)
        xx, xy, xz = yy * dz - yz * dy, yz * dx - yx * dz, yx * dy - yy * dx  -- y × d
    end
    local lx = 1 / sqrt(xx * xx + xy * xy + xz * xz)
    local ly = 1 / sqrt(yx * yx + yy * yy + yz * yz)
    local lz = 1 / sqrt(dx * dx + dy * dy + dz * dz)
    return rows(xx * lx, xy * lx, xz * lx, 0, yx * ly, yy * ly, yz * ly, 0, dx * lz, dy * lz, dz * lz, 0, 0, 0, 0, 1)
end

-- A transform placed at eye whose Z axis points at target.
function mat.lookAt(eye, target)
    local m = mat.basis(new(target[1] - eye[1], target[2] - eye[2], target[3] - eye[3]))
    m.w = new(eye[1], eye[2], eye[3], 1)
    return m
end

function mat.transpose(m)
    local x, y, z, w = m.x, m.y, m.z, m.w
    return rows(x[1], y[1], z[1], w[1], x[2], y[2], z[2], w[2], x[3], y[3], z[3], w[3], x[4], y[4], z[4], w[4])
end

-- The general inverse by cofactors; a singular matrix gives non-finite elements.
function mat.inverse(m)
    local a00, a01, a02, a03 = m.x[1], m.x[2], m.x[3], m.x[4]
    local a10, a11, a12, a13 = m.y[1], m.y[2], m.y[3], m.y[4]
    local a20, a21, a22, a23 = m.z[1], m.z[2], m.z[3], m.z[4]
    local a30, a31, a32, a33 = m.w[1], m.w[2], m.w[3], m.w[4]
    local s0 = a00 * a11 - a10 * a01
    local s1 = a00 * a12 - a10 * a02
    local s2 = a00 * a13 - a10 * a03
    local s3 = a01 * a12 - a11 * a02
    local s4 = a01 * a13 - a11 * a03
    local s5 = a02 * a13 - a12 * a03
    local c5 = a22 * a33 - a32 * a23
    local c4 = a21 * a33 - a31 * a23
    local c3 = a21 * a32 - a31 * a22
    local c2 = a20 * a33 - a30 * a23
    local c1 = a20 * a32 - a30 * a22
    local c0 = a20 * a31 - a30 * a21
    local d = 1 / (s0 * c5 - s1 * c4 + s2 * c3 + s3 * c2 - s4 * c1 + s5 * c0)
    return rows(
        (a11 * c5 - a12 * c4 + a13 * c3) * d, (-a01 * c5 + a02 * c4 - a03 * c3) * d,
        (a31 * s5 - a32 * s4 + a33 * s3) * d, (-a21 * s5 + a22 * s4 - a23 * s3) * d,
        (-a10 * c5 + a12 * c2 - a13 * c1) * d, (a00 * c5 - a02 * c2 + a03 * c1) * d,
        (-a30 * s5 + a32 * s2 - a33 * s1) * d, (a20 * s5 - a22 * s2 + a23 * s1) * d,
        (a10 * c4 - a11 * c2 + a13 * c0) * d, (-a00 * c4 + a01 * c2 - a03 * c0) * d,
        (a30 * s4 - a31 * s2 + a33 * s0) * d, (-a20 * s4 + a21 * s2 - a23 * s0) * d,
        (-a10 * c3 + a11 * c1 - a12 * c0) * d, (a00 * c3 - a01 * c1 + a02 * c0) * d,
        (-a30 * s3 + a31 * s1 - a32 * s0) * d, (a20 * s3 - a21 * s1 + a22 * s0) * d)
end

-- p as a point (w = 1); the result is x, y, z with w 0, like the host's vectors.
function mat.transformPoint(m, p)
    local x, y, z = p[1], p[2], p[3]
    local rx, ry, rz, rw = m.x, m.y, m.z, m.w
    return new(x * rx[1] + y * ry[1] + z * rz[1] + rw[1],
        x * rx[2] + y * ry[2] + z * rz[2] + rw[2],
        x * rx[3] + y * ry[3] + z * rz[3] + rw[3], 0)
end

-- v as a direction: the translation row does not apply.
function mat.transformVector(m, v)
    local x, y, z = v[1], v[2], v[3]
    local rx, ry, rz = m.x, m.y, m.z
    return new(x * rx[1] + y * ry[1] + z * rz[1], x * rx[2] + y * ry[2] + z * rz[2],
        x * rx[3] + y * ry[3] + z * rz[3], 0)
end

function mat.position(m)
    return new(m.w[1], m.w[2], m.w[3], 0)
end

function Mat.__mul(a, b)
    if type(b) == "number" then
        a, b = b, a
    end
    if type(a) == "number" then
        return create(b.x * a, b.y * a, b.z * a, b.w * a)
    end
    return multiply(a, b)
end

function Mat.__eq(a, b)
    return a.x == b.x and a.y == b.y and a.z == b.z and a.w == b.w
end

function Mat.__tostring(m)
    local x, y, z, w = m.x, m.y, m.z, m.w
    return format("mat((%g, %g, %g, %g), (%g, %g, %g, %g), (%g, %g, %g, %g), (%g, %g, %g, %g))",
        x[1], x[2], x[3], x[4], y[1], y[2], y[3], y[4], z[1], z[2], z[3], z[4], w[1], w[2], w[3], w[4])
end

return mat
