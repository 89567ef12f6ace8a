-- The demo game. It opens its main window, creates the engine systems, reads
-- its materials from demo.materials (their texture's TGA source is converted
-- to a DDS file on the first run), builds a small 3D scene from the built-in
-- shapes (a floor, crates, balls and a robot made of boxes and balls) and
-- renders it every frame through the deferred pipeline. A camera flies
-- through the scene with W, A, S, D, Q and E, and turns with the mouse while
-- the right button is held; its position is printed once a second. F toggles
-- fog, O ambient occlusion, 1 to 4 show the normal, glossiness, light and
-- occlusion buffers, I the renderer's statistics, F12 saves a screenshot; a
-- panel at the bottom shows the frame rate and the keys; the keys and mouse input it sees
-- are printed; closing the window ends it. The scene is lit by a sky
-- (ambient), a sun (directional), coloured lamps (point lights: two over the
-- middle cast shadows every frame, one uses a shadow map rendered once at the
-- start, the rest stand in a ring) and a torch (spot light); keys 5 to 9
-- switch them on and off, H switches shadows and J their softening. Sparks
-- fly from a ball and smoke rises from the crates (particle systems read
-- from particles/). Left
-- alone for a few seconds the demo closes by itself, so `make run` also
-- finishes unattended.
sys.setCompanyName("quill")
sys.setApplicationName("demo")
sys.setMaxFrameRate(60)

local IdleSeconds = 5

local ok, frame = pcall(Frame.create, {title = "quill demo", width = 640, height = 480, resizable = true})
if not ok then
    print("no window (" .. tostring(frame) .. "): running without one")
    frame = nil
end

local renderer
if frame then
    local systems, message = EngineSystems.create{width = 640, height = 480}
    if systems then
        renderer = Renderer.active()
        local info = renderer:getRendererInfo()
        print("renderer: " .. info.vendor .. " " .. info.renderer)
    else
        print("no engine systems (" .. tostring(message) .. "): running without rendering")
    end
end

-- The shapes uploaded to the renderer, kept for the whole run, each with the
-- material of its name.
local shapes = {}
if renderer then
    local sources = {
        {"box", Mesh.createBox(1, 1, 1)},
        {"sphere", Mesh.createSphere(3)},
        {"cone", Mesh.createCone(16)},
        {"plane", Mesh.createPlane(80, 80, 16, 16)},
        {"tetrahedron", Mesh.createTetrahedron()},
    }
    local ok, materials = pcall(MaterialLibrary.load, "demo.materials")
    if ok then
        for i = 1, materials:getMaterialCount() do
            local m = materials:getMaterial(i)
            print(string.format("material %s: blend %s, lighting %s, glossiness %g, diffuse %s", m.Name, m.BlendMode,
                tostring(m.Lighting), m.Glossiness, m.DiffuseMap and m.DiffuseMap:getWidth() .. " wide" or "none"))
        end
    else
        print("no materials (" .. tostring(materials) .. ")")
        materials = nil
    end
    for _, source in ipairs(sources) do
        local name, mesh = source[1], source[2]
        local material = materials and materials:findMaterial(name)
        if material then
            -- Every segment of the shape takes the shape's material.
            local segments = {}
            for i = 1, mesh:getNumSegments() do
                segments[i] = mesh:getSegment(i)
            end
            mesh:clearSegments()
            for _, segment in ipairs(segments) do
                mesh:addSegment(material, segment.type, segment.firstIndex, segment.count)
            end
        end
        shapes[name] = RenderableMesh.create(mesh)
        print(string.format("uploaded %s: %d vertices, %d indices", name, mesh:getNumVertices(),
            mesh:getNumIndices()))
    end
end

-- The scene: a floor, a ring of shapes around the start with a lamp over every
-- third one, crates and balls in the middle, a robot built from boxes and
-- balls, and a sky and sun that light everything. The shapes need the
-- renderer; without one the ring is plain nodes.
local scene = Scene.createQuadTreeScene(256, 6)
local sky = scene:createLight("ambient", {0.3, 0.3, 0.35})
sky:setName("sky")
local sun = scene:createLight("directional", {0.6, 0.55, 0.45}, {0.3, -1, 0.5})
sun:setName("sun")
local ringLamps = {}
local ring = {"box", "sphere", "cone", "tetrahedron"}
local materials = {}
if renderer then
    local floor = scene:createMesh(shapes.plane)
    floor:setName("floor")
    floor:setPosition(0, -1, 0)
    floor:getRenderEntity().CastShadow = false
    local ok, library = pcall(MaterialLibrary.load, "demo.materials")
    if ok then
        materials = library
    end
end

-- One shape of the scene, placed, optionally with another material than its own.
local function place(shape, name, x, y, z, material)
    local node = scene:createMesh(shapes[shape])
    node:setName(name)
    node:setPosition(x, y, z)
    if material and materials.findMaterial then
        local m = materials:findMaterial(material)
        if m then
            node:getRenderEntity():setMaterial(m)
        end
    end
    return node
end

for i = 1, 12 do
    local marker
    if renderer then
        marker = scene:createMesh(shapes[ring[(i - 1) % #ring + 1]])
    else
        marker = scene:addNode()
    end
    marker:setName("marker " .. i)
    local angle = i / 12 * 2 * math.pi
    local x, z = 20 * math.cos(angle), 20 * math.sin(angle)
    marker:setPosition(x, 0, z)
    if i % 3 == 0 then
        local hue = {{1, 0.5, 0.2}, {0.2, 0.6, 1}, {0.4, 1, 0.4}, {1, 1, 1}}
        local lamp = scene:createLight("point", hue[i / 3], {x, 3, z}, 6)
        lamp:setName("lamp " .. i / 3)
        ringLamps[#ringLamps + 1] = lamp:getRenderEntity()
    end
end

if renderer then
    -- A stack of crates and a few balls in front of the start.
    shapes.crate = RenderableMesh.create(Mesh.createBox(2, 2, 2))
    shapes.ball = RenderableMesh.create(Mesh.createSphere(3))
    place("crate", "crate 1", -4, 0, 8, "box")
    place("crate", "crate 2", -2, 0, 8.5, "box")
    place("crate", "crate 3", -3, 2, 8.2, "box")
    place("ball", "ball 1", 2, 0, 7, "sphere")
    place("sphere", "ball 2", 3.5, -0.5, 9)
    place("sphere", "ball 3", 1, -0.5, 10)

    -- The robot: a textured body of boxes with a ball for a head and ball joints.
    local function ball(radius)
        local mesh = Mesh.createSphere(3)
        mesh:scale(radius)
        return RenderableMesh.create(mesh)
    end
    shapes.torso = RenderableMesh.create(Mesh.createBox(1.6, 2, 1))
    shapes.limb = RenderableMesh.create(Mesh.createBox(0.5, 1.6, 0.5))
    shapes.head = ball(0.6)
    shapes.joint = ball(0.35)
    local rx, rz = 5, 11
    place("torso", "robot torso", rx, 1.8, rz, "box")
    place("head", "robot head", rx, 3.4, rz, "robot")
    for _, side in ipairs({-1, 1}) do
        place("limb", "robot leg", rx + side * 0.45, 0, rz, "box")
        place("limb", "robot arm", rx + side * 1.15, 1.7, rz, "box")
        place("joint", "robot shoulder", rx + side * 1.15, 2.6, rz, "robot")
    end

    -- A sky: the inside of a large ball in one unlit colour, which fog hides at a distance.
    local image = Image.create(1, 1)
    image:setPixel(0, 0, {140, 170, 205, 255})
    local sky = Material.create("sky")
    sky.DiffuseMap = RenderableTexture.create(image)
    sky.Lighting = false
    local dome = Mesh.createSphere(3)
    dome:scale(400)
    dome:flipFaces()
    shapes.sky = RenderableMesh.create(dome)
    local node = scene:createMesh(shapes.sky)
    node:setName("sky dome")
    node:getRenderEntity():setMaterial(sky)
    node:getRenderEntity().CastShadow = false

    -- The crates and balls stay put: they go into the static shadow map.
    for _, node in ipairs(scene:query("all")) do
        if node:getName():find("^crate") or node:getName():find("^ball") then
            node:getRenderEntity().StaticShadow = true
        end
    end
end

-- Lamps over the middle: a warm and a blue one render their shadows every
-- frame, a green one uses a shadow map rendered once, now.
local function lamp(name, color, x, y, z, range)
    local node = scene:createLight("point", color, {x, y, z}, range)
    node:setName(name)
    return node:getRenderEntity()
end
local warm = lamp("warm lamp", {2, 1.4, 0.8}, -1, 3.5, 5.5, 10)
warm.CastShadow = true
local blue = lamp("blue lamp", {0.5, 0.8, 2}, 6.5, 3, 13, 8)
blue.CastShadow = true
blue.ShadowMapSize = 128
local green = lamp("green lamp", {0.6, 1.6, 0.6}, 0, 3, 11, 8)
green.CastShadow = true
if renderer then
    local ok, map = pcall(green.renderStaticShadowMap, green, 256, 0, 0)
    if ok then
        green:setStaticShadowMap(map)
    else
        print("no static shadow map (" .. tostring(map) .. ")")
    end
end

local torch = scene:createLight("spot", {2, 2, 1.6}, {0, -1, 1}, 15, math.pi / 4)
torch:setName("torch")
torch:setPosition(0, 4, 3)
torch:getRenderEntity().SpotSharpness = 0.6
-- Particle effects: sparks from the ball in front of the start, smoke from
-- the crates. Each is advanced once a frame; a definition that fails to load
-- leaves its effect out.
local effects = {}
local function effect(file, name, x, y, z)
    local ok, system = pcall(ParticleSystem.load, file)
    if not ok then
        print("no " .. name .. " (" .. tostring(system) .. ")")
        return
    end
    local node = scene:addNode()
    node:setName(name)
    node:setPosition(x, y, z)
    local entity = ParticleEntity.create(system)
    node:setRenderEntity(entity)
    effects[#effects + 1] = entity
end
if renderer then
    effect("particles/sparks.particles", "sparks", 2, 0.9, 7)
    effect("particles/smoke.particles", "smoke", -3, 3.2, 8.2)
end

local camera = Camera.create(math.pi / 3, 480 / 640, 0.1, 1000)
-- The controls own the camera's turn: it starts looking along +Z, level.
camera:setPosition(0, 2.5, -2)
local controls = CameraControls.create(camera, 2)

-- Keys that switch renderer settings: F fog, O ambient occlusion, 1 to 4 the
-- buffer views, I the statistics overlay.
local toggles = {
    [70] = "Fog",
    [73] = "DrawStats",
    [79] = "AmbientOcclusion",
    [49] = "DrawNormalBuffer",
    [50] = "DrawGlossinessBuffer",
    [51] = "DrawLightBuffer",
    [52] = "DrawAmbientOcclusionBuffer",
}
-- Keys that switch lights: 5 sky, 6 sun, 7 the shadow lamps, 8 the other
-- lamps, 9 the torch.
local lightSwitches = {
    [53] = {"sky", {sky:getRenderEntity()}},
    [54] = {"sun", {sun:getRenderEntity()}},
    [55] = {"warm and blue lamps (shadows)", {warm, blue}},
    [56] = {"green lamp (static shadow) and the ring", {green, unpack(ringLamps)}},
    [57] = {"torch", {torch:getRenderEntity()}},
}
local function switchLights(keyCode)
    local switch = lightSwitches[keyCode]
    if switch then
        local on = switch[2][1].Hidden
        for _, light in ipairs(switch[2]) do
            light.Hidden = not on
        end
        print(switch[1] .. (on and " on" or " off"))
    elseif renderer and keyCode == 72 then
        renderer.RenderShadows = not renderer.RenderShadows
        print("shadows " .. (renderer.RenderShadows and "on" or "off"))
    elseif renderer and keyCode == 74 then
        renderer.ShadowQuality = renderer.ShadowQuality > 0 and 0 or 1
        print("soft shadows " .. (renderer.ShadowQuality > 0 and "on" or "off"))
    end
end
if renderer then
    renderer:setFogColor(0.55, 0.6, 0.7)
    renderer:setFogRange({10, 60})
end

local function describe(event)
    if event.type == "key" then
        return string.format("key %-10s code %3d %s%s", event.key, event.keyCode, event.down and "down" or "up",
            event.char and string.format(" char %q", event.char) or "")
    elseif event.type == "mouse_button" then
        return string.format("button %d %s at %d, %d", event.button, event.down and "down" or "up", event.x, event.y)
    elseif event.type == "mouse_wheel" then
        return string.format("wheel %+g", event.delta)
    elseif event.type == "focus" then
        return "focus " .. tostring(event.focus)
    elseif event.type == "resize" then
        return string.format("resize %dx%d (%s)", event.width, event.height, event.resizeType)
    end
    return event.type
end

-- The heads-up display: frame rate and key help on a translucent panel.
local hudFont = renderer and Font.create("consolas")
local hudHelp = {
    "WASD QE fly, right button turns    F fog  O occlusion  1-4 buffers",
    "5-9 lights  H shadows  J soft  I statistics  F12 screenshot  Esc quit",
}
local hudRate, hudFrames, hudSince = 0, 0, 0
local function drawHud(now)
    hudFrames = hudFrames + 1
    if now - hudSince >= 0.5 then
        hudRate = hudFrames / (now - hudSince)
        hudFrames, hudSince = 0, now
    end
    local lineHeight = hudFont:getLineHeight()
    local size = frame:getSize()
    local width, height = size[1], size[2]
    local top = height - 3 * lineHeight - 14
    ImmediateMode.beginDraw()
    ImmediateMode.fillRoundedRect(6, top, width - 12, 3 * lineHeight + 8, 6, {0, 0, 0, 150})
    ImmediateMode.drawText(string.format("%.0f fps", hudRate), 12, top + 4, hudFont, {255, 220, 120, 255})
    for i, line in ipairs(hudHelp) do
        ImmediateMode.drawText(line, 12, top + 4 + i * lineHeight, hudFont, {220, 220, 220, 255})
    end
    ImmediateMode.endDraw()
end

local frames = 0
local screenShotWanted = false
local screenShots = 0
local lastInput = 0
local nextReport = 1

sys.displayFunc(function()
    frames = frames + 1
    local now = sys.time()

    if frame then
        while true do
            local event = frame:pollEvents()
            if not event then
                break
            end
            if event.type ~= "mouse_motion" then
                print(describe(event))
            end
            if renderer and event.type == "key" and event.down and event.keyCode == 123 then
                screenShotWanted = true
            end
            local setting = event.type == "key" and event.down and toggles[event.keyCode]
            if renderer and setting then
                renderer[setting] = not renderer[setting]
                print(string.format("%s %s", setting, renderer[setting] and "on" or "off"))
            end
            if event.type == "key" and event.down then
                switchLights(event.keyCode)
            end
            lastInput = now
        end
        if sys.keyPressed("escape") then
            print("escape: bye")
            sys.exit()
        end
    end

    for _, entity in ipairs(effects) do
        entity:update(sys.deltaTime())
    end

    if renderer and renderer:isReadyToRender() then
        renderer:beginRender()
        renderer:renderScene(scene, camera)
        drawHud(now)
        if screenShotWanted then
            screenShotWanted = false
            local path
            repeat
                screenShots = screenShots + 1
                path = string.format("screenshot-%03d.png", screenShots)
            until not FileSystem.fileExists(path)
            renderer:saveScreenShot(path)
            print("screenshot: " .. path)
        end
        renderer:endRender()
    end

    -- The controls take their keys and the right button before pollEvents
    -- sees them, so flying counts as input too.
    local before = camera:getPosition()
    controls:update(sys.deltaTime())
    local after = camera:getPosition()
    if after[1] ~= before[1] or after[2] ~= before[2] or after[3] ~= before[3] or sys.mouseDown(2) then
        lastInput = now
    end

    if now >= nextReport then
        local x, y = sys.mousePos()
        print(string.format("%d frames, %.2f s, mouse at %d, %d%s", frames, now, x, y,
            sys.mouseDown(0) and ", left button held" or ""))
        local nearest, distance = nil, math.huge
        for _, node in ipairs(scene:query("all")) do
            local p = node:getPosition()
            local d = math.sqrt((p[1] - after[1]) ^ 2 + (p[2] - after[2]) ^ 2 + (p[3] - after[3]) ^ 2)
            if node:getName():find("^marker") and d < distance then
                nearest, distance = node, d
            end
        end
        -- What the renderer would gather around the camera: the lit and drawn
        -- nodes whose entities reach within 10 units.
        local near = scene:query("sphere", {pos = after, radius = 10})
        print(string.format("camera at %.2f, %.2f, %.2f; nearest %s, %.1f away; %d entities within reach", after[1],
            after[2], after[3], nearest:getName(), distance, #near))
        nextReport = nextReport + 1
    end
    if now - lastInput >= IdleSeconds then
        print("nobody here: closing")
        if frame then
            frame:hide()
        end
        sys.exit()
    end
end)
