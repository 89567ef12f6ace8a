-- display
-- timeout: 100
-- fixture: crash_box
-- A script error under a display: the error and its traceback reach stderr
-- before the "Software Failure" box shows, and stopping the game from outside
-- while the box is up ends the game at once with the crash code and takes the
-- box's process with it. A running game stops at once too, and without a
-- usable display the error still reaches stderr.
local t = require "testing"

local function read(path)
    local file = io.open(path, "rb")
    if not file then
        return ""
    end
    local text = file:read("*a")
    file:close()
    return text
end

local function run(command)
    local pipe = io.popen(command)
    local text = pipe:read("*a")
    pipe:close()
    return text
end

local function fields(text)
    local seen = {}
    for name, value in text:gmatch("([%w_]+)=([^\n]*)") do
        seen[name] = seen[name] and seen[name] .. "\n" .. value or value
    end
    return seen
end

local function expectErrorWithTraceback(stderr)
    assert(stderr:find("Software Failure\n\n", 1, true), "title on stderr:\n" .. stderr)
    assert(stderr:find("init.lua:6: the game failed while starting\nstack traceback:\n", 1, true),
        "error and traceback on stderr:\n" .. stderr)
    assert(stderr:find("in function 'explode'", 1, true), "the traceback names the function:\n" .. stderr)
    assert(stderr:find("An error log has been written to:\n", 1, true), "log path on stderr:\n" .. stderr)
end

for _, signal in ipairs({ "TERM", "INT" }) do
    t.test("SIG" .. signal .. " while the box shows ends the game and the box", function()
        local seen = fields(run("sh stop-during-box.sh " .. signal .. " 2>&1"))
        assert(seen.box ~= "none", "the box never showed: " .. tostring(seen.box))
        assert((seen.helpers or "") ~= "", "the box has its own process")
        t.equal(seen.shared, nil, "the box's process holds none of the game's output")
        expectErrorWithTraceback(read("failing/stderr-during-box.txt"))
        t.equal(read("failing/game.out"), "started\n", "print output comes first")
        t.equal(seen.status, "255", "exit code")
        assert(tonumber(seen.milliseconds) < 3000, "the game took " .. seen.milliseconds .. " ms to end")
        t.equal(seen.left, "", "box processes left")
        t.equal(seen.boxes, "0", "boxes on screen")
    end)
end

for _, signal in ipairs({ "TERM", "INT" }) do
    t.test("SIG" .. signal .. " ends a game in its frame loop at once", function()
        local seen = fields(run("sh stop-running.sh " .. signal .. " 2>&1"))
        t.equal(seen.status, signal == "TERM" and "143" or "130", "ended by the signal")
        assert(tonumber(seen.milliseconds) < 3000, "the game took " .. seen.milliseconds .. " ms to end")
    end)
end

t.test("with DISPLAY set but empty the error still reaches stderr", function()
    local status = run("cd failing && DISPLAY= timeout 30 \"$QUILL_BIN_DIR/quill\" >game.out 2>game.err; echo $?")
    t.equal(status, "255\n", "exit code")
    expectErrorWithTraceback(read("failing/game.err"))
end)

t.done()
