-- Runs after a crash test: the error log and the message the user was shown.
local t = require "testing"

local function read(path)
    local file = assert(io.open(path, "rb"))
    local text = file:read("*a")
    file:close()
    return text
end

local expected = read("expected-error.txt")
sys.setCompanyName("Crash Tests")
sys.setApplicationName("Crash")
local logPath = sys.getSystemFolder("documents") .. "/error.log"
local log = read(logPath)

t.test("the error log starts with the error text", function()
    t.equal(log:sub(1, #expected), expected)
end)

t.test("the error log has the system lines in order", function()
    -- One block for each display adapter ends the log.
    local adapters = 0
    local rest = log:gsub("Display device (%d+):\n  Device name: [^\n]*\n  Device string: [^\n]*\n" ..
        "  State flags: %x%x%x%x%x%x%x%x\n\n", function(index)
            t.equal(tonumber(index), adapters, "adapter number")
            adapters = adapters + 1
            return ""
        end)
    local pattern = "\n\nOS Version %d+%.%d+\n\n" ..
        "OEM ID: %d+\nNumber of processors: %d+\nPage size: %d+\nProcessor type: %d+\n\n" ..
        "Total memory: %d+ MB\nFree memory: %d+ MB\n\n$"
    assert(rest:find(pattern), "system lines missing or out of order:\n" .. log)
    assert(not log:find("\r", 1, true), "lines end with a single newline")
    if sys.platform() == "win32" then
        assert(adapters > 0, "no display adapter:\n" .. log)
    end
end)

-- Windows shows the report in a box even without a game window; the test's
-- helper answered it.
if sys.platform() == "win32" then
    t.test("the user was shown the Software Failure box", function()
        assert(FileSystem.fileExists("crash-box-shown"), "no box titled Software Failure")
    end)
    t.done()
    return
end

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
