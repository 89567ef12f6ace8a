-- display
-- The demo's generated content as the demo uses it: quill-demo-assets writes
-- the music, the chime, the waving model and its clip; the files are what
-- they claim to be, of the lengths the generator promises, and load through
-- the sound, model and animation API.
local t = require "testing"

local bin = os.getenv("QUILL_BIN_DIR") or "."
assert(os.execute(string.format('"%s/quill-demo-assets" .', bin)) == 0, "quill-demo-assets")

local function readFile(path)
    local file = assert(io.open(path, "rb"))
    local bytes = file:read("*a")
    file:close()
    return bytes
end

local function u16(bytes, at) return bytes:byte(at) + 256 * bytes:byte(at + 1) end
local function u32(bytes, at) return u16(bytes, at) + 65536 * u16(bytes, at + 2) end

Frame.create{title = "demo-assets-test", width = 200, height = 150}
local systems, message = EngineSystems.create{dontAdjustFrame = true, audioEngine = "xaudio2"}
assert(systems, message)

t.test("the chime is a mono 16-bit WAVE of one and a half seconds", function()
    local wave = readFile("chime.wav")
    t.equal(wave:sub(1, 4) .. wave:sub(9, 16), "RIFFWAVEfmt ")
    t.equal(u32(wave, 5), #wave - 8, "RIFF size")
    t.equal(u16(wave, 21), 1, "PCM")
    t.equal(u16(wave, 23), 1, "channels")
    t.equal(u32(wave, 25), 44100, "rate")
    t.equal(u16(wave, 35), 16, "bits")
    t.equal(wave:sub(37, 40), "data")
    t.equal(u32(wave, 41) / 2, 66150, "frames")
    -- Audible, and not clipped flat.
    local loudest = 0
    for at = 45, #wave - 1, 2 do
        local v = u16(wave, at)
        loudest = math.max(loudest, v >= 32768 and 65536 - v or v)
    end
    t.equal(loudest > 8000 and loudest < 32767, true, "peak " .. loudest)
    -- Played from a node, in 3D, as the demo rings it.
    local world, listener = AudioWorld.create(), AudioListener.create()
    local source = SoundSource.create(world)
    local hand = AudioListener.create()
    hand:setPosition(3, 0, 0)
    hand:setSoundSource(source)
    source:play(Sample.load("chime.wav"), true)
    t.equal(source:isPlaying(), true)
end)

t.test("the music is an Ogg Vorbis stream of eight stereo seconds", function()
    local ogg = readFile("music.ogg")
    t.equal(ogg:sub(1, 4), "OggS")
    t.equal(ogg:sub(29, 35), "\1vorbis", "identification header")
    t.equal(ogg:byte(40), 2, "channels")
    t.equal(u32(ogg, 41), 44100, "rate")
    -- The last page's granule position counts the frames of the whole stream.
    local last
    local at = 1
    while true do
        local found = ogg:find("OggS", at, true)
        if not found then break end
        last, at = found, found + 1
    end
    t.equal(bit.band(ogg:byte(last + 5), 4), 4, "end of stream")
    t.equal(u32(ogg, last + 6) + 4294967296 * u32(ogg, last + 10), 8 * 44100, "frames")
    local music = SoundSource.create(AudioWorld.create())
    music:playStream("music.ogg")
    t.equal(music:isPlaying(), true)
    music:stop()
end)

-- The baked files, and the glTF file converted where glTF is converted (the
-- clip keeps its 12 frames a second, its first key repeated at the end).
local wavers = {{"waver_baked.fbx", 24, 2}}
local gltfOk, gltfModel = pcall(Model.load, "waver.gltf")
-- Without a converter the build either knows the extension and finds no
-- model file, or does not know it at all.
local noConverter = not gltfOk and (tostring(gltfModel):find("File not found: waver.model", 1, true) or
                                    tostring(gltfModel):find("Could not find asset processor", 1, true))
if not noConverter then
    wavers[#wavers + 1] = {"waver.gltf", 25, 25 / 12}
end
for _, case in ipairs(wavers) do
    t.test("the waver's arm bends by its clip and its bounds follow: " .. case[1], function()
        local scene = Scene.createQuadTreeScene(64, 4)
        local waver = Model.load(case[1]):instantiate(scene)
        local controller = AnimationController.create(waver)
        local clip = Animation.load(case[1])
        t.equal(clip.Name, "wave")
        t.equal(clip.FrameCount, case[2])
        t.near(clip.Length, case[3], 1e-6)
        controller:addClip(clip, "wave")
        controller:play("wave", true)
        local body = waver:getRenderEntity()
        local function left(box) return box.pos[1] - box.hsize[1] end
        local bindLeft = left(body:getWorldBounds())
        -- Filed in the quad tree at rest, before the arm moves.
        t.equal(#scene:query("box", {pos = {0, 1, 0}, hsize = {0.1, 0.1, 0.1}}), 1, "the post at rest")
        controller:sample()
        local hand = waver:findNode("waver elbow"):getWorldPosition()
        -- The arm leans towards -X (a turn about +Z), past the post's side.
        t.equal(hand[1] < -0.5, true, "hand x " .. hand[1])
        t.equal(left(body:getWorldBounds()) < bindLeft - 1, true, "bounds reach the arm")
        t.equal(#scene:query("box", {pos = hand, hsize = {0.1, 0.1, 0.1}}), 1, "the quad tree finds the bent arm")
    end)
end

t.done()
