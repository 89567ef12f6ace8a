-- vec: a four-component vector, stored as a plain array {x, y, z, w} with a
-- shared metatable, so LuaJIT keeps every operation a few table reads.
-- The host builds vectors by calling vec(x, y, z, w) and reads back v[1]..v[4];
-- a three-component vector has w = 0.
--
--   local v = vec(1, 2, 3)           -- w defaults to 0
--   v + u, v - u, -v, v * 2, 2 * v, v * u (per component), v / 2, v * m (v·M)
--   v:dot(u), v:cross(u), v:length(), v:normalize(), v:lerp(u, t), tostring(v)

local setmetatable, getmetatable, type = setmetatable, getmetatable, type
local sqrt, format = math.sqrt, string.format

local vec = {}
local Vec = { __index = vec }

local function new(x, y, z, w)
    return setmetatable({ x or 0, y or 0, z or 0, w or 0 }, Vec)
end

vec.new = new
vec.metatable = Vec

function vec.isvec(v)
    return getmetatable(v) == Vec
end

function vec.copy(v)
    return new(v[1], v[2], v[3], v[4])
end

-- x, y, z (and w) as separate values.
function vec.unpack(v)
    return v[1], v[2], v[3], v[4]
end

function vec.dot(a, b)
    return a[1] * b[1] + a[2] * b[2] + a[3] * b[3] + (a[4] or 0) * (b[4] or 0)
end

-- The three-dimensional cross product; w is 0.
function vec.cross(a, b)
    local ax, ay, az, bx, by, bz = a[1], a[2], a[3], b[1], b[2], b[3]
    return new(ay * bz - az * by, az * bx - ax * bz, ax * by - ay * bx, 0)
end

function vec.length2(v)
    local x, y, z, w = v[1], v[2], v[3], v[4] or 0
    return x * x + y * y + z * z + w * w
end

function vec.length(v)
    local x, y, z, w = v[1], v[2], v[3], v[4] or 0
    return sqrt(x * x + y * y + z * z + w * w)
end

function vec.distance(a, b)
    local x, y, z, w = a[1] - b[1], a[2] - b[2], a[3] - b[3], (a[4] or 0) - (b[4] or 0)
    return sqrt(x * x + y * y + z * z + w * w)
end

-- A zero vector gives non-finite components, as in the host.
function vec.normalize(v)
    local x, y, z, w = v[1], v[2], v[3], v[4] or 0
    local s = 1 / sqrt(x * x + y * y + z * z + w * w)
    return new(x * s, y * s, z * s, w * s)
end

function vec.lerp(a, b, t)
    local aw = a[4] or 0
    return new(a[1] + (b[1] - a[1]) * t, a[2] + (b[2] - a[2]) * t, a[3] + (b[3] - a[3]) * t,
        aw + ((b[4] or 0) - aw) * t)
end

function Vec.__add(a, b)
    return new(a[1] + b[1], a[2] + b[2], a[3] + b[3], a[4] + b[4])
end

function Vec.__sub(a, b)
    return new(a[1] - b[1], a[2] - b[2], a[3] - b[3], a[4] - b[4])
end

function Vec.__unm(a)
    return new(-a[1], -a[2], -a[3], -a[4])
end

-- Scaling by a number, the per-component product of two vectors, or the row
-- vector times a matrix (any table with rows x, y, z, w).
function Vec.__mul(a, b)
    if type(b) == "number" then
        return new(a[1] * b, a[2] * b, a[3] * b, a[4] * b)
    elseif type(a) == "number" then
        return new(b[1] * a, b[2] * a, b[3] * a, b[4] * a)
    end
    local x = b.x
    if x then
        local y, z, w = b.y, b.z, b.w
        local px, py, pz, pw = a[1], a[2], a[3], a[4]
        return new(px * x[1] + py * y[1] + pz * z[1] + pw * w[1],
            px * x[2] + py * y[2] + pz * z[2] + pw * w[2],
            px * x[3] + py * y[3] + pz * z[3] + pw * w[3],
            px * x[4] + py * y[4] + pz * z[4] + pw * w[4])
    end
    return new(a[1] * b[1], a[2] * b[2], a[3] * b[3], a[4] * b[4])
end

function Vec.__div(a, b)
    if type(b) == "number" then
        return new(a[1] / b, a[2] / b, a[3] / b, a[4] / b)
    end
    return new(a[1] / b[1], a[2] / b[2], a[3] / b[3], a[4] / b[4])
end

function Vec.__eq(a, b)
    return a[1] == b[1] and a[2] == b[2] and a[3] == b[3] and a[4] == b[4]
end

function Vec.__tostring(v)
    return format("vec(%g, %g, %g, %g)", v[1], v[2], v[3], v[4])
end

-- vec(x, y, z, w) builds a vector; missing components are 0.
return setmetatable(vec, { __call = function(_, x, y, z, w) return new(x, y, z, w) end })
