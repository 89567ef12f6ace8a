-- A watcher over the game's folder, polled once per frame as a game does.
local t = require "testing"

FileSystem.createPath("assets/textures/")
local watcher = DirectoryWatcher.create("assets")
local missing = DirectoryWatcher.create("no-such-folder")

t.test("nothing changed, nothing to report", function()
    t.equal(select("#", watcher:getChangedFile()), 0)
    t.equal(select("#", missing:getChangedFile()), 0)
end)

-- The watch is set up on the watcher's own thread: the file is written again
-- every frame until the watcher sees it.
local seen = {}
local deadline = sys.clock() + 10
sys.displayFunc(function()
    local path = watcher:getChangedFile()
    while path do
        seen[#seen + 1] = path
        path = watcher:getChangedFile()
    end
    if #seen == 0 and sys.clock() < deadline then
        t.writeFile("assets/textures/wall.txt", "edited")
        return
    end
    t.test("a changed file comes with its path under the watched folder", function()
        t.equal(seen[1], "assets/textures/wall.txt")
        t.equal(select("#", missing:getChangedFile()), 0, "values from a missing folder")
    end)
    watcher:dispose()
    t.done()
end)
