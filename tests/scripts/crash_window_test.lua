-- display
-- timeout: 30
-- expect-exit: 255
-- check: crash_window_check.lua
-- A crash while a window is open: the main window is hidden before the
-- message box shows. A helper in the background records what is visible when
-- the box is up, then presses its button.
sys.setCompanyName("Crash Tests")
sys.setApplicationName("Window")

local frame = Frame.create{title = "crash-main", width = 200, height = 120}
frame:showCursor(false)

os.execute([[(
    box=$(timeout 20 xdotool search --sync --name '^Software Failure$' | head -n 1)
    if xdotool search --onlyvisible --name '^crash-main$' >/dev/null; then
        echo visible >main-window.txt
    else
        echo hidden >main-window.txt
    fi
    timeout 10 xdotool windowfocus --sync "$box" key Return
) >/dev/null 2>&1 &]])

sys.displayFunc(function()
    error("the game failed with its window open")
end)
