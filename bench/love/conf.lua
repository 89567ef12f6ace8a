-- Headless: only the file system and the timer are needed.
function love.conf(t)
    t.window = nil
    for _, name in ipairs({ "audio", "data", "font", "graphics", "image", "joystick", "keyboard", "math",
        "mouse", "physics", "sound", "system", "thread", "touch", "video", "window" }) do
        t.modules[name] = false
    end
end
