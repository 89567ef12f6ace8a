-- Runs after crash_window_test: what the background helper saw, and the log.
local t = require "testing"

local function read(path)
    local file = io.open(path, "rb")
    if not file then
        return nil
    end
    local text = file:read("*a")
    file:close()
    return text
end

t.test("the main window was hidden while the message box showed", function()
    t.equal(read("main-window.txt"), "hidden\n")
end)

t.test("the error and its traceback reached the console as well as the box", function()
    local shown = read("../output.txt") or ""
    assert(shown:find("init.lua:25: the game failed with its window open\nstack traceback:\n", 1, true), shown)
end)

t.test("the error log holds the error", function()
    local log = read(os.getenv("HOME") .. "/Documents/Crash Tests/Window/error.log")
    assert(log and log:find("the game failed with its window open", 1, true), "error log")
end)

t.done()
