-- display
-- Animations, controllers and states as scripts use them: loading clips by
-- their source name, playing them on an instantiated model's nodes, blending,
-- events, and the errors.
local t = require "testing"

local frame = Frame.create{title = "animation-test", width = 320, height = 240}
assert(EngineSystems.create{width = 320, height = 240})

-- --- writing animation files by hand ---

local function writeString(out, text)
    out:writeInt(#text)
    out:writeBytes(text)
end

-- tracks: {{node name, {x positions, one key per frame}}}
local function writeAnimation(path, name, fps, frames, tracks, options)
    options = options or {}
    local out = FileOutputStream.create(path)
    out:writeBytes(options.magic or "ANIM")
    out:writeInt(options.version or 1)
    writeString(out, name)
    out:writeFloat(fps)
    out:writeInt(frames)
    out:writeInt(#tracks)
    for _, track in ipairs(tracks) do
        writeString(out, track[1])
        out:writeInt(#track[2])
        for _, x in ipairs(track[2]) do
            for _, value in ipairs({x, 0, 0, 0, 0, 0, 1, 1, 1, 1}) do out:writeFloat(value) end
        end
    end
    out:dispose()
end

writeAnimation("walk.animation", "walk cycle", 10, 4, {{"arm", {0, 10, 20, 30}}, {"ghost", {5, 5, 5, 5}}})
writeAnimation("wave.animation", "wave", 2, 2, {{"arm", {100, 100}}})
writeAnimation("broken.animation", "broken", 10, 1, {}, {magic = "AMIN"})
writeAnimation("future.animation", "future", 10, 1, {}, {version = 3})

local scene = Scene.createSimpleScene()
local root = scene:addNode()
root:setName("body")
local arm = scene:addNode()
arm:setName("arm")
arm:addTo(root)

t.test("a clip loads once by its source name and shows its fields", function()
    local walk = Animation.load("walk.fbx")
    t.equal(Animation.load("walk.fbx"), walk, "loaded once")
    t.equal(walk.Name, "walk cycle")
    t.equal(walk.FramesPerSecond, 10)
    t.equal(walk.FrameCount, 4)
    t.near(walk.Length, 0.4, 1e-6)
    walk.Name = "walking"
    t.equal(walk:getName(), "walking")
    walk:setFrameCount(8)
    walk:setFramesPerSecond(20)
    t.near(walk:getLength(), 0.4, 1e-6)
    walk:setFrameCount(4)
    walk:setFramesPerSecond(10)
    t.fails(function() walk.Length = 3 end, "property accessor not found")
end)

t.test("load errors carry the reader's and the registry's messages", function()
    t.fails(function() Animation.load("broken.fbx") end, "Invalid file format: broken.animation")
    t.fails(function() Animation.load("future.fbx") end,
        "Invalid file version (expected v1, got v3): future.animation")
    t.fails(function() Animation.load("walk.obj") end, "Could not find asset processor for file: walk.obj")
    t.fails(function() Animation.load("missing.fbx") end, "missing.animation")
    t.fails(function() Animation.load(nil) end, "string expected")
end)

t.test("states start stopped and take their settings", function()
    local controller = AnimationController.create(root)
    t.equal(controller:getAnimationStateCount(), 0)
    controller:addClip(Animation.load("walk.fbx"), "walk")
    local state = controller:getAnimationState(1)
    t.equal(controller:getAnimationState("walk"), state)
    t.equal(state.Name, "walk")
    t.equal(state.Animation, Animation.load("walk.fbx"))
    t.equal(state.Layer, 0)
    t.equal(state.Time, 0)
    t.equal(state.Weight, 0)
    t.equal(state.Speed, 1)
    t.equal(state.Loop, false)
    t.equal(state.Enabled, false)
    state.Speed = 2
    state.Loop = true
    t.equal(state:advance(0.25), 0.25, "advance gives back its dt")
    t.near(state.Time, 0.5, 1e-6)
    state.Animation = nil
    t.equal(state:getAnimation(), nil)
    t.fails(function() state:setLoop(1) end, "boolean expected")
    t.fails(function() state:setAnimation(root) end, "Animation expected")
end)

t.test("playing and sampling drives the named nodes", function()
    local controller = AnimationController.create(root)
    controller:addClip(Animation.load("walk.fbx"), "walk")
    controller:play("walk", true)
    t.equal(controller:isPlaying("walk"), true)
    controller:update(0.15)    -- samples at 0, then moves on
    t.nearVec(arm:getPosition(), {0, 0, 0}, 1e-5, "first key", 3)
    controller:sample()
    t.nearVec(arm:getPosition(), {15, 0, 0}, 1e-3, "between keys 1 and 2", 3)
    controller:advance(0.25)   -- 0.4 of a 0.4 s clip: looping wraps to key 0
    controller:sample()
    t.near(arm:getPosition()[1], 0, 1e-3)
    t.nearVec(root:getPosition(), {0, 0, 0}, 0, "the body has no track", 3)
    controller:stop()
    t.equal(controller:isPlaying("walk"), false)
end)

t.test("a higher layer blends over a lower one by its weight", function()
    local controller = AnimationController.create(root)
    controller:addClip(Animation.load("walk.fbx"), "walk")
    controller:addClip(Animation.load("wave.fbx"), "wave")
    controller:play("walk", false, 0)
    controller:play("wave", true, 1)
    controller:getAnimationState("wave").Weight = 0.25
    controller:getAnimationState("walk").Time = 0.2     -- key 2: x = 20
    controller:sample()
    t.near(arm:getPosition()[1], 0.25 * 100 + 0.75 * 20, 1e-3)
    t.equal(controller:isPlaying("walk"), true, "the other layer kept playing")
end)

t.test("events crossed by the last advance come back as names", function()
    local clip = Animation.load("wave.fbx")   -- 1 s
    clip:addEvent(0.5, "step")
    clip:addEvent(0.5, "step")
    clip:addEvent(0.5, "clap")
    local controller = AnimationController.create(root)
    controller:addClip(clip, "wave")
    controller:play("wave")
    controller:advance(0.25)
    t.equal(controller:getEvents(), nil, "nothing crossed")
    controller:advance(0.25)
    t.equal(controller:getEvents(), nil, "an event at the end of the step waits")
    controller:advance(0.25)
    local events = controller:getEvents()
    t.equal(#events, 2)
    t.equal(events[1], "step")
    t.equal(events[2], "clap")
    controller:advance(1)
    t.equal(controller:getEvents(), nil)
    t.equal(controller:isPlaying("wave"), false, "ran out")
end)

t.test("wrong names and indices raise the controller's errors", function()
    local controller = AnimationController.create(root)
    controller:addClip(Animation.load("walk.fbx"), "walk")
    t.fails(function() controller:play("run") end, "invalid animation state run")
    t.fails(function() controller:getAnimationState(0) end, "invalid animation state index")
    t.fails(function() controller:getAnimationState(2) end, "invalid animation state index")
    t.fails(function() controller:getAnimationState("run") end, "no animation state with name: run")
    t.equal(controller:isPlaying("run"), false)
    t.fails(function() controller:play("walk", "yes") end, "boolean expected")
    t.fails(function() AnimationController.create(scene) end, "Node expected")
    t.fails(function() controller:addClip(root, "x") end, "Animation expected")
end)

t.test("a controller follows the nodes of an instantiated model", function()
    local out = FileOutputStream.create("puppet.model")
    out:writeBytes("MDL1")
    out:writeInt(2)
    out:writeInt(2)
    for i, name in ipairs({"hips", "arm"}) do
        writeString(out, name)
        for _, value in ipairs({1, 0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0}) do out:writeFloat(value) end
        out:writeInt(i - 2)
        out:writeInt(-1)
    end
    out:dispose()
    arm:setPosition(0, 0, 0)
    local puppet = Model.load("puppet.obj"):instantiate(scene)
    local controller = AnimationController.create(puppet)
    controller:addClip(Animation.load("wave.fbx"), "wave")
    controller:play("wave")
    controller:sample()
    t.nearVec(puppet:findNode("arm"):getPosition(), {100, 0, 0}, 1e-5, "arm", 3)
    t.nearVec(arm:getPosition(), {0, 0, 0}, 1e-5, "the other hierarchy's arm", 3)
end)

t.test("a controller outlives the nodes and the scene it drives", function()
    local stage = Scene.createSimpleScene()
    local hips = stage:addNode()
    local limb = stage:addNode()
    limb:setName("arm")
    limb:addTo(hips)
    local controller = AnimationController.create(hips)
    controller:addClip(Animation.load("wave.fbx"), "wave")
    controller:play("wave", true)
    stage:removeNode(limb)
    controller:update(0.1)
    stage:dispose()
    controller:update(0.1)
    t.equal(controller:isPlaying("wave"), true)
end)

t.done()
