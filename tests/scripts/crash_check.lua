-- Runs after a crash test: the error log and the message the user was shown.
local t = require "testing"

local function read(path)
    local file = assert(io.open(path, "rb"))
    local text = file:read("*a")
    file:close()
    return text
end

local expected = read("expected-error.txt")
local logPath = os.getenv("HOME") .. "/Documents/Crash Tests/Crash/error.log"
local log = read(logPath)

t.test("the error log starts with the error text", function()
    t.equal(log:sub(1, #expected), expected)
end)

t.test("the error log has the system lines in order", function()
    local pattern = "\n\nOS Version %d+%.%d+\n\n" ..
        "OEM ID: %d+\nNumber of processors: %d+\nPage size: %d+\nProcessor type: %d+\n\n" ..
        "Total memory: %d+ MB\nFree memory: %d+ MB\n\n$"
    assert(log:find(pattern), "system lines missing or out of order:\n" .. log)
    assert(not log:find("\r", 1, true), "lines end with a single newline")
end)

t.test("the user was told the error and where the log is", function()
    local shown = read("../output.txt")
    assert(shown:find("Software Failure", 1, true), "title")
    assert(shown:find(expected, 1, true), "error text")
    assert(shown:find("An error log has been written to:\n" .. logPath .. "\n", 1, true), "log path")
    local addressFile = io.open("support-address.txt", "rb")
    local address = addressFile and addressFile:read("*a")
    if addressFile then
        addressFile:close()
    end
    local request = address and "Please e-mail this file to " .. address .. " so that we can fix the problem.\n"
        or "Please e-mail this file to the game's developers so that they can fix the problem.\n"
    assert(shown:find(logPath .. "\n\n" .. request, 1, true), "the request to send the log:\n" .. shown)
end)

t.done()
