-- Calls per second through the binding framework.
local N = 10000000

local function measure(name, body)
    body(N / 10) -- warm up
    local best = math.huge
    for _ = 1, 3 do
        local start = sys.clock()
        body(N)
        best = math.min(best, sys.clock() - start)
    end
    print(string.format("%-44s %7.1f ns/call  %6.2f M calls/s", name, best / N * 1e9, N / best / 1e6))
end

local object = BenchObject.create()
local date = FileDate.createFromUnixTime(0)

measure("empty loop", function(n) for _ = 1, n do end end)
measure("static host function sys.deltaTime()", function(n)
    local f = sys.deltaTime
    for _ = 1, n do f() end
end)
measure("static host function BenchObject.nothing()", function(n)
    for _ = 1, n do BenchObject.nothing() end
end)
measure("method on a handle object:getValue()", function(n)
    for _ = 1, n do object:getValue() end
end)
measure("method on a handle date:toUnixTime()", function(n)
    for _ = 1, n do date:toUnixTime() end
end)
measure("property read object.Value", function(n)
    for _ = 1, n do local _ = object.Value end
end)
measure("property write object.Value = 2", function(n)
    for _ = 1, n do object.Value = 2 end
end)
sys.exit()
