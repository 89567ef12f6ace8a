-- display
-- The audible engine through the script API: its defaults, sample loading and
-- its errors, 3D rules, and streamed music that plays on over frames. The test
-- host sends the sound to SDL's silent device.
local t = require "testing"

local function u16(v) return string.char(v % 256, math.floor(v / 256) % 256) end
local function u32(v) return u16(v % 65536) .. u16(math.floor(v / 65536)) end
local function chunk(id, body) return id .. u32(#body) .. body end
local function fmt(tag, channels) return u16(tag) .. u16(channels) .. u32(22050) .. u32(22050 * 2 * channels) .. u16(2 * channels) .. u16(16) end
local function riff(body, form) return "RIFF" .. u32(#body + 4) .. (form or "WAVE") .. body end
local silence = string.rep("\0", 400)

t.writeFile("mono.wav", riff(chunk("fmt ", fmt(1, 1)) .. chunk("data", silence)))
t.writeFile("stereo.wav", riff(chunk("fmt ", fmt(1, 2)) .. chunk("data", silence)))
t.writeFile("float.wav", riff(chunk("fmt ", fmt(3, 1)) .. chunk("data", silence)))
t.writeFile("empty.wav", riff(chunk("fmt ", fmt(1, 1))))
t.writeFile("avi.wav", riff(chunk("fmt ", fmt(1, 1)), "AVI "))
t.writeFile("text.wav", "just some text, not a sound file")
local bin = os.getenv("QUILL_BIN_DIR") or "."
assert(os.execute(string.format('"%s/quill_ogg_tone" music.ogg 11025', bin)) == 0, "quill_ogg_tone")

Frame.create{title = "audio-xaudio2-test", width = 200, height = 150}
local systems, message = EngineSystems.create{dontAdjustFrame = true, audioEngine = "xaudio2"}
assert(systems, message)
local engine = AudioEngine.active()

t.test("worlds, listeners and sources start at their defaults", function()
    local world, listener = AudioWorld.create(), AudioListener.create()
    t.equal(world:getVolume(), 1, "world volume")
    t.equal(listener:getVolume(), 1, "listener volume")
    world:setVolume(0.5)
    listener:setVolume(0.25)
    t.equal(world:getVolume(), 0.5)
    t.equal(listener:getVolume(), 0.25)
    local source = SoundSource.create(world)
    local defaults = {Volume = 1, MinDistance = 1, MaxDistance = 10, Loop = false}
    for name, value in pairs(defaults) do
        t.equal(source[name], value, name)
    end
    t.equal(source:getMute(), false, "mute")
    source.Volume, source.MinDistance, source.MaxDistance, source.Loop = 0.5, 2, 30, true
    source:setMute(true)
    t.equal(source.Volume .. " " .. source.MinDistance .. " " .. source.MaxDistance, "0.5 2 30")
    t.equal(source.Loop and source:getMute(), true, "loop and mute")
end)

t.test("samples load from WAVE files and fail with the file's fault", function()
    local cases = {
        {"text.wav", "Not a RIFF file."},
        {"avi.wav", "Not a WAVE file."},
        {"float.wav", "Not a PCM waveform file."},
        {"empty.wav", "Failed to load sample from file empty.wav"},
        {"none.wav", "File not found: none.wav"},
    }
    for _, case in ipairs(cases) do
        t.fails(function() Sample.load(case[1]) end, case[2])
        t.equal(Sample.getSampleByFilename(case[1]), nil, case[1] .. " not registered")
    end
    local sample = Sample.load("mono.wav")
    t.equal(tostring(Sample.getSampleByFilename("mono.wav")), tostring(sample), "registered")
    t.writeFile("mono.wav", "no longer a sound file")
    t.fails(function() sample:reload() end, "Not a RIFF file.")
end)

t.test("playing: pending counts as playing, 3D needs mono", function()
    local world, listener = AudioWorld.create(), AudioListener.create()
    local source = SoundSource.create(world)
    listener:setSoundSource(source)
    t.fails(function() source:play(Sample.load("stereo.wav"), true) end,
        "Trying to play non-mono 3D sound: stereo.wav")
    t.equal(source:isPlaying(), false, "failed play")
    source:play(Sample.load("stereo.wav"), false)
    t.equal(source:isPlaying(), true, "pending")
    t.equal(source:getSamplePosition(), 0, "position while pending")
    source:play(Sample.load("mono.wav"), true)
    engine:beginFrame()
    engine:render(world, listener)
    engine:endFrame()
    t.equal(source:isPlaying(), true, "started")
    source:stop()
    t.equal(source:isPlaying(), false, "stopped")
end)

t.test("music files are checked when played", function()
    local source = SoundSource.create(AudioWorld.create())
    t.fails(function() source:playStream("stereo.wav") end, "Not an Ogg Vorbis file")
    t.fails(function() source:playStream("none.ogg") end, "File not found: none.ogg")
    t.equal(source:isPlaying(), false)
end)

-- Over frames: music four times shorter than the wait loops on, and a world
-- left out of the frame's renders pauses its looping sample until it is
-- rendered again.
local world, listener = AudioWorld.create(), AudioListener.create()
local music = SoundSource.create(world)
music:playStream("music.ogg")
local other = AudioWorld.create()
local loop = SoundSource.create(other)
loop.Loop = true
loop:play(Sample.load("stereo.wav"), false)

local started = sys.clock()
local phase, pausedPosition = "playing", nil
sys.displayFunc(function()
    engine:beginFrame()
    engine:render(world, listener)
    if phase ~= "paused" then
        engine:render(other, listener)
    end
    engine:endFrame()
    local timedOut = sys.clock() - started > 30
    if phase == "playing" and loop:getSamplePosition() > 0 then
        phase = "paused"
    elseif phase == "paused" then
        pausedPosition = loop:getSamplePosition()
        t.test("a world left out of the frame pauses its sources", function()
            t.equal(pausedPosition, 0, "position while paused")
            t.equal(loop:isPlaying(), true, "paused counts as playing")
        end)
        phase = "resumed"
    elseif phase == "resumed" and (music:getSamplePosition() > 4 * 11025 or timedOut) then
        t.test("the world plays on when rendered again", function()
            t.equal(loop:getSamplePosition() > 0, true, "position after resuming")
        end)
        local position = music:getSamplePosition()
        t.test("streamed music loops on over frames", function()
            t.equal(position > 4 * 11025, true, "frames played: " .. position)
            t.equal(music:isPlaying(), true, "still playing")
        end)
        music:stop()
        t.done()
    elseif timedOut then
        t.test("frames run their course", function() error("stuck in phase " .. phase) end)
        t.done()
    end
end)
