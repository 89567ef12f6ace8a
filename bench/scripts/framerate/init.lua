-- The frame rate the loop achieves against setMaxFrameRate targets.
local targets = { 60, 240, 1000 }
local seconds = 3
local index, frames, start = 1, 0, nil

sys.setMaxFrameRate(targets[index])
sys.displayFunc(function()
    local now = sys.clock()
    if not start then
        start = now
        return
    end
    frames = frames + 1
    if now - start >= seconds then
        local rate = frames / (now - start)
        local target = targets[index]
        print(string.format("target %4d fps: achieved %8.2f fps (%+.3f%%)", target, rate,
            (rate - target) / target * 100))
        index = index + 1
        if not targets[index] then
            sys.exit()
            return
        end
        sys.setMaxFrameRate(targets[index])
        frames, start = 0, nil
    end
end)
