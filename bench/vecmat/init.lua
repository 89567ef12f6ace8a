-- Speed of quill's script vec and mat under LuaJIT, in ns per operation.
--   cd bench/vecmat && ../../build/bin/quill_bench
local vec = require "vec"
local mat = require "mat"

local function measure(name, count, body)
    body(1000) -- let the trace compiler see the loop first
    local start = sys.clock()
    body(count)
    local seconds = sys.clock() - start
    print(string.format("%-28s %8.1f ns/op", name, seconds * 1e9 / count))
end

local a, b = vec(1, 2, 3), vec(-4, 5, 0.5)
local m = mat.rotation(0.3, 0.2, 0.1) * mat.translation(1, 2, 3)
local n = mat.scale(2, 1, 1) * mat.rotationY(0.7)
local sink

measure("vec add", 10000000, function(count)
    local v = a
    for _ = 1, count do v = v + b end
    sink = v
end)
measure("vec dot", 10000000, function(count)
    local s = 0
    for _ = 1, count do s = s + a:dot(b) end
    sink = s
end)
measure("vec cross", 10000000, function(count)
    local v = a
    for _ = 1, count do v = v:cross(b) end
    sink = v
end)
measure("vec normalize", 10000000, function(count)
    local v = a
    for _ = 1, count do v = (v + b):normalize() end
    sink = v
end)
measure("vec * mat", 10000000, function(count)
    local v = a
    for _ = 1, count do v = v * m end
    sink = v
end)
measure("mat * mat", 1000000, function(count)
    local r = m
    for _ = 1, count do r = r * n end
    sink = r
end)
measure("mat inverse", 1000000, function(count)
    local r = m
    for _ = 1, count do r = r:inverse() end
    sink = r
end)
print(tostring(sink):sub(1, 0))
sys.exit()
