-- expect-exit: 255
-- check: crash_check.lua
-- An error in the display function ends the process with the crash report.
require("desktop").answerCrashReport()
sys.setCompanyName("Crash Tests")
sys.setApplicationName("Crash")
sys.setSupportAddress("help@example.org")

local file = io.open("expected-error.txt", "wb")
file:write("init.lua:20: the display function failed\nstack traceback:")
file:close()
file = io.open("support-address.txt", "wb")
file:write("help@example.org")
file:close()

local frame = 0
sys.displayFunc(function()
    frame = frame + 1
    if frame == 2 then
        error("the display function failed")
    end
end)
