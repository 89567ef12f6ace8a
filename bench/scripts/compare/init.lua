-- quill's half of bench/compare-love.sh: runs the workload named by
-- QUILL_COMPARE_ROW and prints "<row> <throughput>" (calls, MB or frames per
-- second). bench/love/compare/main.lua is the other half, row for row.
--   cd bench/scripts/compare && QUILL_COMPARE_ROW=transform ../../../build/bin/quill_bench
local row = os.getenv("QUILL_COMPARE_ROW") or "method"
local seconds = tonumber(os.getenv("QUILL_COMPARE_SECONDS")) or 0.3 -- least time of a measured run
local tree = os.getenv("QUILL_COMPARE_TREE") -- folder of the archive rows' files

-- Runs body(n) with n growing until a run takes at least `seconds`, then reports
-- the best of three runs of that size.
local function rate(body)
    local n = 1
    while true do
        local start = sys.clock()
        body(n)
        if sys.clock() - start >= seconds then break end
        n = n * 2
    end
    local best = math.huge
    for _ = 1, 3 do
        local start = sys.clock()
        body(n)
        best = math.min(best, sys.clock() - start)
    end
    return n / best
end

local function calls(body)
    return rate(function(n) for _ = 1, n do body() end end)
end

-- Reads the files through the mounted archive; MB per second.
local function reads(archive, files)
    local mounted = ArchiveFileSystem.create(tree .. "/" .. archive) -- unmounted once collected
    FileSystem.mount(mounted)
    local bytes = 0
    for _, path in ipairs(files) do bytes = bytes + #FileSystem.readFile(path) end
    local result = rate(function(n)
        for _ = 1, n do
            for _, path in ipairs(files) do FileSystem.readFile(path) end
        end
    end) * bytes / 1048576
    FileSystem.unmount(mounted)
    return result
end

local function listed(pattern)
    local files = {}
    for line in io.lines(tree .. "/files.txt") do
        if line:match(pattern) then files[#files + 1] = line end
    end
    return files
end

-- Frames per second of draw() between beginRender and endRender, 640 × 480,
-- no vertical sync.
local renderer, frame
local function frames(draw)
    frame = Frame.create{title = "compare", width = 640, height = 480}
    assert(EngineSystems.create{width = 640, height = 480, verticalSync = false})
    renderer = Renderer.active()
    renderer.ClearColor = {0, 0, 0, 255}
    return rate(function(n)
        for _ = 1, n do
            renderer:beginRender()
            if draw then
                ImmediateMode.beginDraw()
                draw()
                ImmediateMode.endDraw()
            end
            renderer:endRender()
        end
    end)
end

local function texture(size, nearest)
    local image = Image.create(size, size)
    for y = 0, size - 1 do
        for x = 0, size - 1 do image:setPixel(x, y, {x * 255 / size, y * 255 / size, 128, 255}) end
    end
    local t = RenderableTexture.create(image)
    if nearest and t.setFilter then t:setFilter("nearest") end -- builds before the filter had none
    return t
end

local floor = math.floor
local red = {255, 0, 0, 255}
local rows = {
    method = function()
        local object = BenchObject.create()
        return calls(function() object:getValue() end)
    end,
    property = function()
        local object = BenchObject.create()
        return calls(function() local _ = object.Value end)
    end,
    transform = function()
        local scene = Scene.createSimpleScene() -- its nodes go with it
        local node = scene:addNode()
        node:setPosition(1, 2, 3)
        return calls(function() node:getTransform() end), scene
    end,
    pixel = function()
        local image = Image.create(4, 4)
        return calls(function() image:getPixel(1, 1) end)
    end,
    archive_text = function() return reads("compressed.dat", listed("^large/.*[02468]%.bin$")) end,
    archive_all = function() return reads("compressed.dat", listed("")) end,
    archive_plain = function() return reads("plain.dat", listed("")) end,
    empty_frame = function() return frames(nil) end,
    rects_10k = function()
        return frames(function()
            for i = 0, 9999 do ImmediateMode.fillRect(i % 100 * 6, floor(i / 100) % 120 * 4, 4, 3, red) end
        end)
    end,
    rects_100k = function()
        return frames(function()
            for i = 0, 99999 do ImmediateMode.fillRect(i % 100 * 6, floor(i / 100) % 120 * 4, 4, 3, red) end
        end)
    end,
    rects_images_10k = function()
        local t
        return frames(function()
            t = t or texture(32)
            for i = 0, 9999 do
                local x, y = i % 100 * 6, floor(i / 100) % 120 * 4
                ImmediateMode.fillRect(x, y, 4, 3, red)
                ImmediateMode.drawImage(t, x, y)
            end
        end)
    end,
    sprites_10k = function()
        local t
        return frames(function()
            t = t or texture(32)
            for i = 0, 9999 do ImmediateMode.drawImage(t, i % 100 * 6, floor(i / 100) % 120 * 4) end
        end)
    end,
    images_100k_8x8 = function()
        local t
        return frames(function()
            t = t or texture(8, true)
            for i = 0, 99999 do ImmediateMode.drawImage(t, i % 100 * 6, floor(i / 100) % 120 * 4) end
        end)
    end,
    text = function()
        local font
        local line = string.rep("The quick brown fox jumps over the lazy dog. ", 3)
        return frames(function()
            font = font or Font.create("consolas")
            for i = 0, 99 do ImmediateMode.drawText(line, 0, i * 5, font) end
        end)
    end,
}

print(string.format("%s %.6g", row, assert(rows[row], "unknown row")()))
sys.exit()
