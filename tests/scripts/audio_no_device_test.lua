-- display
-- no-sound-device
-- Without any sound device the audible engine fails cleanly, with its error
-- in place of the engine systems, and the silent engine still works. (Windows
-- under Wine, run with no sound server to play to; the unit tests cover Linux.)
local t = require "testing"

if sys.platform() ~= "win32" then
    print("# skipped: the unit tests run the FAudio engine without a device")
    t.done()
    return
end

Frame.create{title = "audio-no-device-test", width = 160, height = 120}

t.test("the audible engine reports the missing device", function()
    local systems, message = EngineSystems.create{dontAdjustFrame = true, renderEngine = "opengl", audioEngine = "xaudio2"}
    t.equal(systems, nil, "engine systems")
    t.equal(message, "XAudio2 error in CreateMasteringVoice")
end)

t.test("the silent engine plays along", function()
    local systems, message = EngineSystems.create{dontAdjustFrame = true, renderEngine = "opengl"}
    assert(systems, message)
    local engine = AudioEngine.active()
    local world, listener = AudioWorld.create(), AudioListener.create()
    local source = SoundSource.create(world)
    listener:setSoundSource(source)
    engine:beginFrame()
    engine:render(world, listener)
    engine:endFrame()
    t.equal(source:isPlaying(), false, "playing")
end)

t.done()
