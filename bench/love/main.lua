-- Reads every file of the mounted .love archive (the benchmark tree) a few
-- times and prints the best rate for the small files and for all files.
local function collect(dir, out)
    for _, name in ipairs(love.filesystem.getDirectoryItems(dir)) do
        local path = dir == "" and name or dir .. "/" .. name
        local info = love.filesystem.getInfo(path)
        if info.type == "directory" then
            collect(path, out)
        elseif path:match("^small/") or path:match("^large/") then
            out[#out + 1] = path
        end
    end
    return out
end

local function measure(files)
    local best, bytes = math.huge, 0
    for _ = 1, 5 do
        bytes = 0
        local start = love.timer.getTime()
        for _, path in ipairs(files) do
            bytes = bytes + #love.filesystem.read(path)
        end
        best = math.min(best, love.timer.getTime() - start)
    end
    return bytes / best / 1048576, #files / best
end

function love.load()
    local all = collect("", {})
    local small = {}
    for _, path in ipairs(all) do
        if path:match("^small/") then small[#small + 1] = path end
    end
    local mbSmall, filesSmall = measure(small)
    local mbAll, filesAll = measure(all)
    print(string.format("love small: %.1f MB/s, %.0f files/s", mbSmall, filesSmall))
    print(string.format("love all:   %.1f MB/s, %.0f files/s (%d files)", mbAll, filesAll, #all))
    love.event.quit()
end
