-- Drives windowed script tests: the test body runs as a coroutine that resumes
-- once per frame, and real X input comes from xdotool (the display has no
-- window manager, so a window is focused explicitly before typing).
local t = require "testing"

local windowing = {}

local bin = os.getenv("QUILL_BIN_DIR") or "."
local windows = sys.platform() == "win32"
if windows then
    bin = bin:gsub("/", "\\")
end

-- The command as this platform's shell runs it. Under Wine the X tools are
-- the machine's own programs, which a helper runs and waits for.
local function machineCommand(command)
    if not windows then
        return command
    end
    local file = assert(io.open("machine-command.sh", "wb"))
    file:write(command, "\n")
    file:close()
    return bin .. "\\quill_unix_run.exe machine-command.sh"
end

-- Runs a shell command and fails the test when it fails.
function windowing.sh(command)
    local status = os.execute(machineCommand(command))
    if status ~= 0 and status ~= true then
        error("command failed: " .. command, 2)
    end
end

-- What a shell command prints.
function windowing.capture(command)
    local pipe = io.popen(machineCommand(command))
    local text = pipe:read("*a")
    pipe:close()
    return text
end

function windowing.xdo(arguments)
    windowing.sh("xdotool " .. arguments)
end

-- The X window id of the window with exactly this title.
function windowing.windowId(title)
    local id = windowing.capture("xdotool search --sync --onlyvisible --name '^" .. title .. "$' 2>/dev/null")
    return assert(tonumber(id:match("%d+")), "no window titled " .. title)
end

-- Whether a window with exactly this title exists, shown or not.
function windowing.exists(title)
    return windowing.capture("xdotool search --name '^" .. title .. "$'"):match("%d") ~= nil
end

-- A close request as the window's close box sends it (on X, as a window
-- manager does).
function windowing.requestClose(title)
    if windows then
        local status = os.execute(bin .. "\\quill_close_window.exe " .. title)
        assert(status == 0 or status == true, "no window titled " .. title)
    else
        windowing.sh(bin .. "/quill_close_window " .. windowing.windowId(title))
    end
end

-- Ends the coroutine's step: the body continues in the next frame, after its pump.
function windowing.nextFrame()
    coroutine.yield()
end

-- Every event queued for a frame so far in this frame.
function windowing.drain(frame)
    local events = {}
    while true do
        local event = frame:pollEvents()
        if not event then
            return events
        end
        events[#events + 1] = event
    end
end

-- The events of a type, in order.
function windowing.only(events, eventType)
    local selected = {}
    for _, event in ipairs(events) do
        if event.type == eventType then
            selected[#selected + 1] = event
        end
    end
    return selected
end

-- Collects the events of frame after frame until done(events) holds or a
-- few seconds pass. Returns every event collected and whether done held.
function windowing.collect(frame, done, seconds)
    local deadline = sys.clock() + (seconds or 5)
    local events = {}
    repeat
        windowing.nextFrame()
        for _, event in ipairs(windowing.drain(frame)) do
            events[#events + 1] = event
        end
        if done(events) then
            return events, true
        end
    until sys.clock() > deadline
    return events, false
end

local function describe(events)
    local seen = {}
    for _, event in ipairs(events) do
        if event.type == "key" then
            seen[#seen + 1] = event.key .. (event.down and "-down" or "-up")
        else
            seen[#seen + 1] = event.type
        end
    end
    return table.concat(seen, " ")
end

-- Waits frame by frame, collecting the frame's events, until done(events)
-- holds; fails after a few seconds. Returns every event collected.
function windowing.waitFor(frame, what, done, seconds)
    local events, ok = windowing.collect(frame, done, seconds)
    if not ok then
        error(string.format("timed out waiting for %s (events seen: %s)", what, describe(events)), 2)
    end
    return events
end

-- Types a key sequence and returns its key events once count of them came.
-- On a loaded machine a typed key has been seen to go missing between
-- xdotool and the window; a sequence that comes short is typed once more,
-- with a note of what came, before the wait fails.
function windowing.typeKeys(frame, keys, count)
    local function enough(events)
        return #windowing.only(events, "key") >= count
    end
    windowing.xdo("key " .. keys)
    local events, ok = windowing.collect(frame, enough)
    if ok then
        return windowing.only(events, "key")
    end
    print(string.format("# %d of %d key events came (%s); typing again", #windowing.only(events, "key"), count,
        describe(events)))
    windowing.xdo("key " .. keys)
    return windowing.only(windowing.waitFor(frame, "the typed keys " .. keys, enough), "key")
end

-- Gives the keyboard to a window and lets the focus events pass.
function windowing.focus(frame, id)
    windowing.xdo("windowfocus --sync " .. id)
    windowing.waitFor(frame, "focus", function()
        return frame:hasFocus()
    end)
    windowing.nextFrame()
    windowing.drain(frame)
end

-- Runs body(), a sequence of t.test calls that may wait for frames, from the
-- display function; prints the summary and ends the run when it returns,
-- unless keepRunning is set (the body then decides how the run ends).
function windowing.run(body, keepRunning)
    local routine = coroutine.create(body)
    sys.displayFunc(function()
        local ok, err = coroutine.resume(routine)
        if not ok then
            t.test("the windowed test body runs to its end", function()
                error(err, 0)
            end)
            t.done()
        elseif coroutine.status(routine) == "dead" and not keepRunning then
            t.done()
        end
    end)
end

return windowing
