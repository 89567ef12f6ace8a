-- A watcher over the game's folder, polled once per frame as a game does.
local t = require "testing"

FileSystem.createPath("assets/textures/")
t.writeFile("assets/textures/old.txt", "old")
t.writeFile("assets/textures/before.txt", "before")
local watcher = DirectoryWatcher.create("assets")
local missing = DirectoryWatcher.create("no-such-folder")

t.test("nothing changed, nothing to report", function()
    t.equal(select("#", watcher:getChangedFile()), 0)
    t.equal(select("#", missing:getChangedFile()), 0)
end)

local function takeAll(into)
    local path = watcher:getChangedFile()
    while path do
        into[#into + 1] = path
        into[path] = true
        path = watcher:getChangedFile()
    end
end

local function waitFrames(seconds, done)
    local deadline = sys.clock() + seconds
    while not done() and sys.clock() < deadline do
        coroutine.yield()
    end
end

local body = coroutine.wrap(function()
    -- The watch is set up on the watcher's own thread: the file is written
    -- again every frame until the watcher sees it.
    local seen = {}
    waitFrames(10, function()
        t.writeFile("assets/textures/wall.txt", "edited")
        takeAll(seen)
        return seen["assets/textures/wall.txt"]
    end)
    t.test("a changed file comes with its path under the watched folder", function()
        assert(seen["assets/textures/wall.txt"], "not seen; seen: " .. table.concat(seen, ", "))
        t.equal(select("#", missing:getChangedFile()), 0, "values from a missing folder")
    end)

    -- A folder that was there before the watch began is watched as well.
    takeAll({})
    t.writeFile("assets/textures/new.txt", "new")
    t.writeFile("assets/textures/old.txt", "changed")
    assert(os.rename("assets/textures/before.txt", "assets/textures/after.txt"))
    local expected = { "new.txt", "old.txt", "before.txt", "after.txt" }
    local changes = {}
    waitFrames(10, function()
        takeAll(changes)
        for _, name in ipairs(expected) do
            if not changes["assets/textures/" .. name] then
                return false
            end
        end
        return true
    end)
    t.test("a created, a modified and a renamed file in a subfolder are reported", function()
        for _, name in ipairs(expected) do
            assert(changes["assets/textures/" .. name], name .. " not seen; seen: " .. table.concat(changes, ", "))
        end
    end)

    watcher:dispose()
    t.done()
end)

sys.displayFunc(function()
    body()
end)
