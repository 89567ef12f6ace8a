-- The demo game. For now it counts frames and tells the time once a second,
-- then leaves after a few seconds.
sys.setCompanyName("quill")
sys.setApplicationName("demo")
sys.setMaxFrameRate(60)

local frames = 0
local nextReport = 1

sys.displayFunc(function()
    frames = frames + 1
    local now = sys.time()
    if now >= nextReport then
        print(string.format("%d frames, %.2f s", frames, now))
        nextReport = nextReport + 1
    end
    if now >= 3 then
        print("bye")
        sys.exit()
    end
end)
