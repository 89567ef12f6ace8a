-- display
-- The audio model on the null engine: the sample registry, the constant
-- getters of the silent classes, sources as node components, argument checks.
local t = require "testing"

t.test("audio objects need the engine systems", function()
    t.fails(function() AudioEngine.active() end, "engine not initialized")
    t.fails(function() AudioWorld.create() end, "engine not initialized")
    t.fails(function() AudioListener.create() end, "engine not initialized")
    t.fails(function() Sample.load("a.wav") end, "engine not initialized")
end)

Frame.create{title = "audio-test", width = 200, height = 150}
local systems, message = EngineSystems.create{dontAdjustFrame = true}
assert(systems, message)

t.test("the frame protocol runs on the active engine", function()
    local engine = AudioEngine.active()
    t.equal(rawequal(engine, AudioEngine.active()), true, "one handle")
    local world, listener = AudioWorld.create(), AudioListener.create()
    engine:beginFrame()
    engine:render(world, listener)
    engine:endFrame()
    t.fails(function() engine:render(listener, world) end, "AudioWorld expected")
    t.fails(function() engine:render(world, Node) end, "AudioListener expected")
end)

t.test("samples are shared by exact file name", function()
    t.equal(Sample.getSampleByFilename("shot.wav"), nil, "never loaded")
    local a = Sample.load("shot.wav")
    local b = Sample.load("shot.wav")
    t.equal(rawequal(a, b), false, "each load makes its own handle")
    t.equal(tostring(a), tostring(b), "of the same sample")
    t.equal(tostring(Sample.getSampleByFilename("shot.wav")), tostring(a), "found by name")
    local upper = Sample.load("SHOT.wav")
    t.equal(tostring(upper) ~= tostring(a), true, "letter case makes another sample")
    a:reload()
    t.fails(function() Sample.load(nil) end, "string expected")
end)

t.test("a sample dropped by every holder leaves the registry", function()
    Sample.load("gone.wav"):dispose()
    t.equal(Sample.getSampleByFilename("gone.wav"), nil)
end)

t.test("null worlds, listeners and sources answer constants", function()
    local world = AudioWorld.create()
    world:setVolume(0.5)
    t.equal(world:getVolume(), 0, "world volume")
    local listener = AudioListener.create()
    listener:setVolume(0.5)
    t.equal(listener:getVolume(), 0, "listener volume")

    local source = SoundSource.create(world)
    source:setVolume(0.5)
    source.MinDistance = 2
    source.MaxDistance = 20
    source.Loop = true
    source:setMute(true)
    source:play(Sample.load("shot.wav"), true)
    source:playStream("music.ogg")
    local expected = {Volume = 0, MinDistance = 0, MaxDistance = 0, Loop = false}
    for name, value in pairs(expected) do
        t.equal(source[name], value, name)
    end
    t.equal(source:getMute(), false, "mute")
    t.equal(source:isPlaying(), false, "playing")
    t.equal(source:getSamplePosition(), 0, "position")
    source:stop()
end)

t.test("a source is a node component that knows its node", function()
    local listener = AudioListener.create()
    listener.Name = "ears"
    local source = SoundSource.create(AudioWorld.create())
    t.equal(source:getNode(), nil, "unattached")
    listener:setSoundSource(source)
    t.equal(rawequal(listener:getSoundSource(), source), true, "slot")
    t.equal(rawequal(source:getNode(), listener), true, "node")
    listener:setPosition(1, 2, 3)
    t.equal(listener:getWorldPosition()[2], 2, "listeners are nodes")
    listener:setSoundSource(nil)
    t.equal(source:getNode(), nil, "detached")
end)

t.test("argument checks", function()
    local source = SoundSource.create(AudioWorld.create())
    local sample = Sample.load("shot.wav")
    t.fails(function() source:play(sample) end, "boolean expected, got no value")
    t.fails(function() source:play(sample, nil) end, "boolean expected, got nil")
    t.fails(function() source:play(sample, 1) end, "boolean expected, got number")
    t.fails(function() source:play(source, true) end, "Sample expected")
    t.fails(function() source:setLoop("yes") end, "boolean expected")
    t.fails(function() SoundSource.create(source) end, "AudioWorld expected")
    t.fails(function() source.Pitch = 2 end, "attempt to set invalid property 'Pitch'")
end)

t.done()
