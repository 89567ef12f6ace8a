-- Answers the host's modal boxes and dialogs from outside, as a user would:
-- a shell loop in the background finds the window by its title with xdotool
-- and types into it. The Windows host runs under Wine on the same X display,
-- and reaches the shell through Wine's "start /unix".
local desktop = {}

desktop.windows = sys.platform() == "win32"

local launched = 0

-- A path as the machine's shell sees it (Wine shows "/" as drive Z:).
local function unixPath(path)
    if desktop.windows then
        path = path:gsub("^[Zz]:", ""):gsub("\\", "/")
    end
    return path
end

-- Starts a POSIX shell command in the background; it outlives nothing: the
-- commands given here end by themselves within seconds.
function desktop.background(command)
    if not desktop.windows then
        os.execute("(" .. command .. ") >/dev/null 2>&1 &")
        return
    end
    -- cmd.exe would read the command's quotes and redirections itself: the
    -- command goes through a file.
    launched = launched + 1
    local name = string.format("background-%d.sh", launched)
    local file = assert(io.open(name, "wb"))
    file:write("(" .. command .. ") >/dev/null 2>&1\n")
    file:close()
    os.execute("start /unix /bin/sh " .. unixPath(sys.rootDirectory() .. "/" .. name))
end

-- Waits for a window with the title (a pattern), then gives it the answer
-- (xdotool commands for its window $id) once a second for as long as it is
-- there: a loaded machine may show the window before it takes input. Under
-- Wine the answer is given once: a closed box stays on the display until the
-- program next reads its window events, and a repeat would reach the box
-- shown after it. A window that never comes is waited for a minute. Returns
-- a function that waits until the answering has ended.
local answers = 0

function desktop.answer(titlePattern, command)
    answers = answers + 1
    local marker = string.format("answered-%d", answers)
    local once = desktop.windows and " && break" or ""
    desktop.background(string.format(
        "id=$(timeout 60 xdotool search --sync --onlyvisible --name '%s' | head -n 1) && for i in $(seq 30); do " ..
        "sleep 1; xdotool getwindowname $id 2>/dev/null | grep -Eq '%s' || break; %s%s; done; touch '%s'",
        titlePattern, titlePattern, command, once, unixPath(sys.rootDirectory() .. "/" .. marker)))
    return function()
        local deadline = sys.clock() + 40
        while not FileSystem.fileExists(marker) and sys.clock() < deadline do
            sys.sleep(100)
        end
    end
end

-- Answers with keys (xdotool key names), the window focused first. A focus
-- the window does not take would hold "--sync" for ever: the wait is bounded.
-- Keys go only to a window that took the focus, so that an answer repeated
-- just as the window closed cannot reach the next one.
function desktop.answerWithKeys(titlePattern, keys)
    return desktop.answer(titlePattern, "timeout 3 xdotool windowfocus --sync $id && xdotool key --delay 100 " .. keys)
end

-- Where a test without a display shows its crash report: on Windows it is a
-- box all the same, which this answers, leaving the file "crash-box-shown" in
-- the game's folder when it did.
function desktop.answerCrashReport()
    if desktop.windows then
        local marker = unixPath(sys.rootDirectory() .. "/crash-box-shown")
        desktop.answer("^Software Failure$", "touch '" .. marker .. "'; " ..
            "timeout 3 xdotool windowfocus --sync $id && xdotool key Return")
    end
end

return desktop
