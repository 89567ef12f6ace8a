-- The peer's half of bench/compare-love.sh: the workload named by
-- QUILL_COMPARE_ROW, the same as bench/scripts/compare/init.lua runs on quill,
-- printed as "<row> <throughput>". For the archive rows this file is packed
-- into a .love together with the tree of files.
local row = os.getenv("QUILL_COMPARE_ROW") or "method"
local seconds = tonumber(os.getenv("QUILL_COMPARE_SECONDS")) or 0.3 -- least time of a measured run
local floor = math.floor

local function rate(body)
    local n = 1
    while true do
        local start = love.timer.getTime()
        body(n)
        if love.timer.getTime() - start >= seconds then break end
        n = n * 2
    end
    local best = math.huge
    for _ = 1, 3 do
        local start = love.timer.getTime()
        body(n)
        best = math.min(best, love.timer.getTime() - start)
    end
    return n / best
end

local function calls(body)
    return rate(function(n) for _ = 1, n do body() end end)
end

local function reads(files)
    local bytes = 0
    for _, path in ipairs(files) do bytes = bytes + #love.filesystem.read(path) end
    return rate(function(n)
        for _ = 1, n do
            for _, path in ipairs(files) do love.filesystem.read(path) end
        end
    end) * bytes / 1048576
end

local function listed(pattern)
    local files = {}
    for line in love.filesystem.lines("files.txt") do
        if line:match(pattern) then files[#files + 1] = line end
    end
    return files
end

local function frames(draw)
    local g = love.graphics
    return rate(function(n)
        for _ = 1, n do
            g.origin()
            g.clear(0, 0, 0, 1)
            if draw then draw() end
            g.present()
        end
    end)
end

local function texture(size, nearest)
    local data = love.image.newImageData(size, size)
    for y = 0, size - 1 do
        for x = 0, size - 1 do data:setPixel(x, y, x / size, y / size, 0.5, 1) end
    end
    local image = love.graphics.newImage(data)
    if nearest then image:setFilter("nearest", "nearest") end
    return image
end

local rows = {
    method = function()
        local rng = love.math.newRandomGenerator(1)
        return calls(function() rng:getSeed() end)
    end,
    property = function()
        local transform = love.math.newTransform()
        return calls(function() transform:isAffine2DTransform() end)
    end,
    transform = function()
        local transform = love.math.newTransform(1, 2)
        return calls(function() transform:getMatrix() end)
    end,
    pixel = function()
        local data = love.image.newImageData(4, 4)
        return calls(function() data:getPixel(1, 1) end)
    end,
    archive_text = function() return reads(listed("^large/.*[02468]%.bin$")) end,
    archive_all = function() return reads(listed("")) end,
    archive_plain = function() return reads(listed("")) end,
    empty_frame = function() return frames(nil) end,
    rects_10k = function()
        local g = love.graphics
        return frames(function()
            g.setColor(1, 0, 0, 1)
            for i = 0, 9999 do g.rectangle("fill", i % 100 * 6, floor(i / 100) % 120 * 4, 4, 3) end
        end)
    end,
    rects_100k = function()
        local g = love.graphics
        return frames(function()
            g.setColor(1, 0, 0, 1)
            for i = 0, 99999 do g.rectangle("fill", i % 100 * 6, floor(i / 100) % 120 * 4, 4, 3) end
        end)
    end,
    rects_images_10k = function()
        local g, t = love.graphics, texture(32)
        return frames(function()
            for i = 0, 9999 do
                local x, y = i % 100 * 6, floor(i / 100) % 120 * 4
                g.setColor(1, 0, 0, 1)
                g.rectangle("fill", x, y, 4, 3)
                g.setColor(1, 1, 1, 1)
                g.draw(t, x, y)
            end
        end)
    end,
    sprites_10k = function()
        local g, t = love.graphics, texture(32)
        return frames(function()
            for i = 0, 9999 do g.draw(t, i % 100 * 6, floor(i / 100) % 120 * 4) end
        end)
    end,
    images_100k_8x8 = function()
        local g, t = love.graphics, texture(8, true)
        return frames(function()
            for i = 0, 99999 do g.draw(t, i % 100 * 6, floor(i / 100) % 120 * 4) end
        end)
    end,
    text = function()
        local g = love.graphics
        local line = string.rep("The quick brown fox jumps over the lazy dog. ", 3)
        return frames(function()
            for i = 0, 99 do g.print(line, 0, i * 5) end
        end)
    end,
}

function love.load()
    print(string.format("%s %.6g", row, assert(rows[row], "unknown row")()))
    io.stdout:flush()
    love.event.quit()
end
