-- The demo game. It opens its main window, creates the engine systems, loads
-- a texture (its TGA source is converted to a DDS file on the first run) and
-- draws it over the whole window through the post-process shader, reads its
-- materials from demo.materials, uploads a few shapes as renderable meshes,
-- each with the material of its name, clears the window (under the texture)
-- to a colour that drifts with time, and prints the keys and mouse input it
-- sees; F12 saves a screenshot; closing the window ends it. A camera flies
-- through a small scene with W, A, S, D, Q and E, and turns with the mouse
-- while the right button is held; its position is printed once a second.
-- The scene is lit by a sky (ambient), a sun (directional), four coloured
-- lamps (point lights: two cast shadows every frame, one uses a shadow map
-- rendered once at the start) and a torch (spot light); keys 1 to 5 switch
-- them on and off, 6 switches shadows, 7 their softening.
-- Left alone for a few seconds the demo closes by itself, so `make run` also
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
local backdrop
if frame then
    local systems, message = EngineSystems.create{width = 640, height = 480}
    if systems then
        renderer = Renderer.active()
        local info = renderer:getRendererInfo()
        print("renderer: " .. info.vendor .. " " .. info.renderer)
        local ok, texture = pcall(RenderableTexture.load, "textures/checker.tga")
        if ok then
            print(string.format("texture: textures/checker.tga, %dx%d", texture:getWidth(), texture:getHeight()))
            backdrop = texture
        else
            print("no texture (" .. tostring(texture) .. ")")
        end
    else
        print("no engine systems (" .. tostring(message) .. "): running without rendering")
    end
end

-- A few shapes uploaded to the renderer, kept for the whole run; drawing them
-- comes with the scene pipeline.
local shapes = {}
if renderer then
    local sources = {
        {"box", Mesh.createBox(1, 1, 1)},
        {"sphere", Mesh.createSphere(3)},
        {"cone", Mesh.createCone(16)},
        {"plane", Mesh.createPlane(40, 40)},
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

-- Three slow waves, a third of a turn apart.
local function clearColor(now)
    local function wave(phase)
        return math.floor(127.5 + 127.5 * math.sin(now * 0.8 + phase))
    end
    return {wave(0), wave(2.094), wave(4.189), 255}
end

-- The scene: a floor, a ring of shapes around the start with a lamp over every
-- third one, and a sky and sun that light everything. The shapes need the
-- renderer; without one the ring is plain nodes.
local scene = Scene.createQuadTreeScene(256, 6)
local sky = scene:createLight("ambient", {0.08, 0.08, 0.12})
sky:setName("sky")
local sun = scene:createLight("directional", {0.5, 0.45, 0.35}, {0.3, -1, 0.5})
sun:setName("sun")
local lamps = {}
local ring = {"box", "sphere", "cone", "tetrahedron"}
if renderer then
    local floor = scene:createMesh(shapes.plane)
    floor:setName("floor")
    floor:setPosition(0, -1, 0)
    floor:getRenderEntity().CastShadow = false
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
    local x, z = 8 * math.cos(angle), 8 * math.sin(angle)
    marker:setPosition(x, 0, z)
    if renderer then
        marker:getRenderEntity().StaticShadow = true
    end
    if i % 3 == 0 then
        local hue = {{2, 1, 0.4}, {0.4, 1.2, 2}, {0.8, 2, 0.8}, {2, 2, 2}}
        local lamp = scene:createLight("point", hue[i / 3], {x * 0.75, 2, z * 0.75}, 9)
        lamp:setName("lamp " .. i / 3)
        lamps[#lamps + 1] = lamp:getRenderEntity()
    end
end
-- Lamps 1 and 2 render their shadows every frame, lamp 3 once, now.
lamps[1].CastShadow = true
lamps[2].CastShadow = true
lamps[2].ShadowMapSize = 128
lamps[3].CastShadow = true
if renderer then
    local ok, map = pcall(lamps[3].renderStaticShadowMap, lamps[3], 256, 0, 0)
    if ok then
        lamps[3]:setStaticShadowMap(map)
    else
        print("no static shadow map (" .. tostring(map) .. ")")
    end
end
local torch = scene:createLight("spot", {2, 2, 1.6}, {0, -1, 1}, 15, math.pi / 4)
torch:setName("torch")
torch:setPosition(0, 3, 2)
torch:getRenderEntity().SpotSharpness = 0.6

-- Keys 1 to 5 switch the lights, 6 the shadows, 7 their softening.
local switches = {
    [49] = {"sky", {sky:getRenderEntity()}},
    [50] = {"sun", {sun:getRenderEntity()}},
    [51] = {"lamps 1 and 2 (shadows)", {lamps[1], lamps[2]}},
    [52] = {"lamps 3 (static shadow) and 4", {lamps[3], lamps[4]}},
    [53] = {"torch", {torch:getRenderEntity()}},
}
local function toggle(keyCode)
    local switch = switches[keyCode]
    if switch then
        local on = switch[2][1].Hidden
        for _, light in ipairs(switch[2]) do
            light.Hidden = not on
        end
        print(switch[1] .. (on and " on" or " off"))
    elseif renderer and keyCode == 54 then
        renderer.RenderShadows = not renderer.RenderShadows
        print("shadows " .. (renderer.RenderShadows and "on" or "off"))
    elseif renderer and keyCode == 55 then
        renderer.ShadowQuality = renderer.ShadowQuality > 0 and 0 or 1
        print("soft shadows " .. (renderer.ShadowQuality > 0 and "on" or "off"))
    end
end
local camera = Camera.create(math.pi / 3, 480 / 640, 0.1, 1000)
camera:setPosition(0, 3, -6)
local controls = CameraControls.create(camera, 2)

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

local drawScene = renderer ~= nil
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
            if event.type == "key" and event.down then
                toggle(event.keyCode)
            end
            lastInput = now
        end
        if sys.keyPressed("escape") then
            print("escape: bye")
            sys.exit()
        end
    end

    if renderer and renderer:isReadyToRender() then
        renderer.ClearColor = clearColor(now)
        renderer:beginRender()
        -- The lit scene when the renderer can draw one, else the texture.
        if drawScene then
            local drawn, message = pcall(renderer.renderScene, renderer, scene, camera)
            if not drawn then
                print("no scene (" .. tostring(message) .. ")")
                drawScene = false
            end
        elseif backdrop then
            local drawn, message = pcall(renderer.drawFullScreen, renderer, backdrop)
            if not drawn then
                print("no backdrop (" .. tostring(message) .. ")")
                backdrop = nil
            end
        end
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
