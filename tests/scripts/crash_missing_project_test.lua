-- expect-exit: 255
-- check: crash_check.lua
-- Loading a project that exists nowhere restarts into the crash report.
require("desktop").answerCrashReport()
sys.setCompanyName("Crash Tests")
sys.setApplicationName("Crash")

local file = io.open("expected-error.txt", "w")
file:write("File not found: missing.lua")
file:close()

sys.loadProject("missing.lua")
