-- display
-- timeout: 120
-- What the audible engine plays, as heard: the sound goes to a PulseAudio null
-- sink and parec records its monitor (Windows under Wine; on Linux the unit
-- tests record SDL's disk output instead). A source on the listener's right is
-- heard on the right, distance follows the engine's curve, a world not
-- rendered is silent, and a looping stream plays on without gaps.
local t = require "testing"
local w = require "windowing"

if sys.platform() ~= "win32" then
    print("# skipped: the sound is recorded from the PulseAudio sink Wine plays to")
    t.done()
    return
end

local rate = 44100

local function u16(v) return string.char(v % 256, math.floor(v / 256) % 256) end
local function u32(v) return u16(v % 65536) .. u16(math.floor(v / 65536)) end

-- One second of a 440 Hz tone, mono.
local function toneWave()
    local samples = {}
    for i = 0, rate - 1 do
        local v = math.floor(math.sin(2 * math.pi * 440 * i / rate) * 20000)
        samples[#samples + 1] = u16(v % 65536)
    end
    local data = table.concat(samples)
    local format = u16(1) .. u16(1) .. u32(rate) .. u32(rate * 2) .. u16(2) .. u16(16)
    local body = "fmt " .. u32(#format) .. format .. "data" .. u32(#data) .. data
    return "RIFF" .. u32(#body + 4) .. "WAVE" .. body
end
t.writeFile("tone.wav", toneWave())
local bin = (os.getenv("QUILL_BIN_DIR") or "."):gsub("/", "\\")
-- A quarter second of music, so the loop's seam comes often.
assert(os.execute(bin .. "\\quill_ogg_tone.exe music.ogg 11025") == 0, "quill_ogg_tone")

Frame.create{title = "audio-capture-test", width = 160, height = 120}
local systems, message = EngineSystems.create{dontAdjustFrame = true, renderEngine = "opengl", audioEngine = "xaudio2"}
assert(systems, message)
local engine = AudioEngine.active()

local scene = Scene.createSimpleScene()
local world, listener = AudioWorld.create(), AudioListener.create()
local node = scene:addNode()
local source = SoundSource.create(world)
node:setSoundSource(source)
source.MinDistance, source.MaxDistance, source.Loop = 1, 11, true

-- Renders audio frames for the seconds while the sink's monitor is recorded;
-- the recording as left and right sample lists (stereo, 16-bit).
local function record(seconds, renderWorld)
    w.sh("rm -f capture.raw; parec -d nullsink.monitor --raw --format=s16le --rate=44100 --channels=2 " ..
        "--latency-msec=20 >capture.raw 2>/dev/null & echo $! >parec.pid")
    local deadline = sys.clock() + seconds
    while sys.clock() < deadline do
        engine:beginFrame()
        if renderWorld then
            engine:render(world, listener)
        end
        engine:endFrame()
        w.nextFrame()
    end
    w.sh("kill $(cat parec.pid); sleep 0.2")
    local file = assert(io.open("capture.raw", "rb"))
    local data = file:read("*a")
    file:close()
    local left, right = {}, {}
    for i = 1, #data - 3, 4 do
        local a, b, c, d = data:byte(i, i + 3)
        local l, r = a + b * 256, c + d * 256
        left[#left + 1] = (l >= 32768 and l - 65536 or l) / 32768
        right[#right + 1] = (r >= 32768 and r - 65536 or r) / 32768
    end
    return left, right
end

local function rms(samples, from, to)
    local sum = 0
    for i = from, to do
        sum = sum + samples[i] * samples[i]
    end
    return math.sqrt(sum / math.max(1, to - from + 1))
end

-- The loudness of the last half of a recording, when the sound has settled.
local function settled(samples)
    return rms(samples, math.floor(#samples / 2), #samples)
end

w.run(function()
    -- The scene owns the node: it stays while the body runs.
    assert(scene)
    local tone = Sample.load("tone.wav")

    t.test("a source on the listener's right is heard on the right", function()
        node:setPosition(3, 0, 0)
        source:play(tone, true)
        local left, right = record(1.5, true)
        t.equal(#left > rate / 2, true, "recorded " .. #left .. " frames")
        local l, r = settled(left), settled(right)
        t.equal(r > 0.02, true, "right loudness " .. r)
        t.equal(r > 4 * l, true, string.format("right %.4f against left %.4f", r, l))
    end)

    t.test("distance attenuates as the engine's curve says", function()
        node:setPosition(0, 0, 2)
        local _, nearRight = record(1.5, true)
        node:setPosition(0, 0, 6)
        local _, farRight = record(1.5, true)
        -- The curve's gains at 2 and 6 with the distances 1 to 11.
        local function gain(d)
            local s = (d - 1) / 10
            return (1 / (16 * s + 1) - 0.0588) * 1.0588
        end
        local expected = gain(2) / gain(6)
        local ratio = settled(nearRight) / settled(farRight)
        t.near(ratio, expected, expected * 0.15, "loudness near / far")
    end)

    t.test("a world not rendered in a frame is silent", function()
        local left, right = record(1.0, false)
        t.equal(settled(left) + settled(right) < 0.002, true, "loudness " .. settled(left) + settled(right))
        source:stop()
    end)

    t.test("a looping stream plays on over its seams", function()
        source:playStream("music.ogg")
        local left = record(2.0, true)
        local first = 1
        while first <= #left and math.abs(left[first]) < 0.01 do
            first = first + 1
        end
        t.equal(first < #left / 2, true, "the music started")
        -- A gap at the seam, where the file starts again, would be at every
        -- seam. A loaded machine can starve the player or the recorder for a
        -- moment anywhere: such stretches are reported, and one may fall on a
        -- seam, but not most of them.
        local seams, quiet, count = {}, {}, 0
        for seam = first + 11025, #left - 4410, 11025 do
            count = count + 1
            if rms(left, seam - 220, seam + 220) < 0.02 then
                seams[#seams + 1] = seam - first
            end
        end
        for at = first, #left - 4410 - 441, 441 do
            if rms(left, at, at + 440) < 0.02 then
                quiet[#quiet + 1] = at - first
            end
        end
        t.equal(count >= 4, true, count .. " seams recorded")
        t.equal(#seams <= count / 4, true, "silent seams, at frames " .. table.concat(seams, " "))
        if #quiet > 0 then
            print("# silent 10 ms stretches away from the seams, at frames " .. table.concat(quiet, " "))
        end
        source:stop()
    end)
end)
