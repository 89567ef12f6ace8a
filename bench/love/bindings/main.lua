-- The same loops against the reference framework's C userdata methods.
local N = 10000000

local function measure(name, body)
    body(N / 10)
    local best = math.huge
    for _ = 1, 3 do
        local start = love.timer.getTime()
        body(N)
        best = math.min(best, love.timer.getTime() - start)
    end
    print(string.format("%-44s %7.1f ns/call  %6.2f M calls/s", name, best / N * 1e9, N / best / 1e6))
end

function love.load()
    local rng = love.math.newRandomGenerator(1)
    local transform = love.math.newTransform()
    measure("empty loop", function(n) for _ = 1, n do end end)
    measure("static function love.timer.getDelta()", function(n)
        local f = love.timer.getDelta
        for _ = 1, n do f() end
    end)
    measure("method rng:getSeed()", function(n)
        for _ = 1, n do rng:getSeed() end
    end)
    measure("method transform:isAffine2DTransform()", function(n)
        for _ = 1, n do transform:isAffine2DTransform() end
    end)
    love.event.quit()
end
