-- display
-- timeout: 60
-- The engine systems: options, window sizing, failures that store nothing,
-- the renderer's settings and frames. Each run may create the engine systems
-- once; the run's end destroys them, so later phases run after a restart.
local t = require "testing"

local phase = sys.args().phase or "defaults"
-- Direct3D 9 exists on Windows only.
local windows = sys.platform() == "win32"

local w = require "windowing"

local function windowSize(title)
    local text = w.capture("xdotool search --sync --name '^" .. title .. "$' getwindowgeometry 2>/dev/null")
    local w, h = text:match("Geometry: (%d+)x(%d+)")
    return tonumber(w), tonumber(h)
end

local function restartWith(nextPhase)
    t.summary()
    sys.displayFunc(function()
        sys.restart({phase = nextPhase})
    end)
end

if phase == "defaults" then
    local frame = Frame.create{title = "engine-defaults", width = 800, height = 600}

    t.test("before the engine systems exist the engines are not initialised", function()
        t.fails(function() Renderer.active() end, "engine not initialized")
        t.fails(function() AudioEngine.active() end, "engine not initialized")
    end)

    t.test("option errors are script errors", function()
        local cases = {
            {5, "table expected"},
            {{width = "wide"}, "field 'width': number expected, got string"},
            {{windowed = 1}, "field 'windowed': boolean expected, got number"},
            {{altShaderPath = true}, "field 'altShaderPath': string expected, got boolean"},
            {{verticalSync = "double"}, "invalid vertical sync mode"},
            {{verticalSync = 1}, "field 'verticalSync': boolean expected, got number"},
            {{renderEngine = "vulkan"}, "invalid enum"},
            {{renderEngine = "OpenGL"}, "invalid enum"},
            {{physicsEngine = "havok"}, "invalid enum"},
            {{audioEngine = {}}, "string expected"},
        }
        for _, case in ipairs(cases) do
            t.fails(function() EngineSystems.create(case[1]) end, case[2])
        end
    end)

    t.test("engines without a backend fail with nil and a message, storing nothing", function()
        local cases = {
            {{audioEngine = "fmod"}, "Invalid audio engine"},
            {{audioEngine = "openal"}, "Invalid audio engine"},
            {{physicsEngine = "physx"}, "Invalid physics engine"},
            {{renderEngine = "gles2"}, "not available on this platform"},
        }
        if not windows then
            table.insert(cases, {{renderEngine = "d3d9"}, "not available on this platform"})
        end
        for _, case in ipairs(cases) do
            local systems, message = EngineSystems.create(case[1])
            t.equal(systems, nil, case[2])
            t.equal(type(message) == "string" and message:find(case[2], 1, true) ~= nil, true, tostring(message))
        end
        t.fails(function() Renderer.active() end, "engine not initialized")
    end)

    t.test("Renderer.create makes a renderer without a context", function()
        local d3d9, message = Renderer.create("d3d9")
        if windows then
            t.equal(d3d9 ~= nil, true, tostring(message))
            t.equal(d3d9:isReadyToRender(), true)
            local info = d3d9:getRendererInfo()
            t.equal(info.vendor .. info.renderer, "")
            t.fails(function() d3d9:beginRender() end, "Renderer not initialized")
            d3d9:dispose()
        else
            t.equal(d3d9, nil)
            t.equal(message:find("not available", 1, true) ~= nil, true, message)
        end
        t.fails(function() Renderer.create("metal") end, "invalid enum")
        local renderer = Renderer.create("opengl")
        t.equal(renderer:isReadyToRender(), true)
        t.equal(renderer:getAvailableTextureMemory(), 268435456)
        local info = renderer:getRendererInfo()
        t.equal(info.vendor .. info.renderer, "", "info without a context")
        t.fails(function() renderer:beginRender() end, "Renderer not initialized")
        renderer:dispose()
    end)

    local systems
    t.test("create with no options sizes the window to 1280x720 with the platform's renderer", function()
        local message
        systems, message = EngineSystems.create()
        t.equal(tostring(systems):match("^EngineSystems") ~= nil, true, tostring(message))
        local size = frame:getSize()
        t.equal(size[1] .. "x" .. size[2], "1280x720", "frame size")
        local w, h = windowSize("engine-defaults")
        t.equal(w .. "x" .. h, "1280x720", "X window size")
        local renderer = Renderer.active()
        t.equal(rawequal(renderer, Renderer.active()), true, "one handle per renderer")
        local info = renderer:getRendererInfo()
        -- Windows starts Direct3D 9, which names neither; OpenGL names both.
        if windows then
            t.equal(info.vendor .. info.renderer, "", "Direct3D 9 names no vendor or renderer")
        else
            t.equal(#info.vendor > 0 and #info.renderer > 0, true, "vendor and renderer names")
        end
        t.equal(AudioEngine.active() ~= nil, true, "audio engine")
    end)

    t.test("a second create fails", function()
        t.fails(function() EngineSystems.create() end, "already created")
        t.fails(function() Renderer.create("opengl") end, "renderer already created")
        t.fails(function() EngineSystems.configureAssetPipeline(systems, "GLES2") end, "invalid enum")
        t.fails(function() EngineSystems.configureAssetPipeline({}, "gles2") end, "EngineSystems expected")
        EngineSystems.configureAssetPipeline(systems, "gles2")
    end)

    t.test("render settings start at their defaults", function()
        local r = Renderer.active()
        local defaults = {
            Wireframe = false, AmbientOcclusion = false, SSAOQuality = 1, Fog = false, DiffuseMapping = true,
            NormalMapping = true, TextureFilter = 2, FXAA = false, RenderMeshes = true, RenderShadows = true,
            ShadowQuality = 1, DrawNormalBuffer = false, DrawGlossinessBuffer = false, DrawLightBuffer = false,
            DrawAmbientOcclusionBuffer = false, DrawStats = false,
        }
        for name, value in pairs(defaults) do
            t.equal(r[name], value, name)
        end
        local color = r.ClearColor
        t.equal(table.concat(color, ","), "50,50,50,255", "clear color")
        t.equal(table.concat(r:getFogRange(), ","), "0,0", "fog range")
        t.equal(table.concat(r:getFogColor(), ",", 1, 3), "0,0,0", "fog color")
    end)

    t.test("settings round trip and check their types", function()
        local r = Renderer.active()
        r:setClearColor({255, 128, 0, 255})
        t.equal(table.concat(r:getClearColor(), ","), "255,128,0,255")
        r.ClearColor = {10.7, 20.2, 300, -1}
        t.equal(table.concat(r.ClearColor, ","), "10,20,44,255", "truncated to the low 8 bits")
        r:setClearColor({1})
        t.equal(table.concat(r:getClearColor(), ","), "1,0,0,0", "missing entries")
        t.fails(function() r:setClearColor(7) end, "color expected")
        r:setFogRange({10})
        t.equal(table.concat(r:getFogRange(), ","), "10,0")
        t.fails(function() r:setFogRange(10) end, "range expected")
        r:setFogColor(0.5, 0.25, 1)
        t.equal(table.concat(r:getFogColor(), ",", 1, 3), "0.5,0.25,1")
        r.Fog = true
        t.equal(r:getFog(), true)
        t.fails(function() r:setFog(1) end, "boolean expected")
        t.fails(function() r.Fog = nil end, "boolean expected")
        r.TextureFilter = 0
        t.equal(r.TextureFilter, 0)
        t.fails(function() r.Sharpness = 1 end, "attempt to set invalid property 'Sharpness'")
    end)

    t.test("resolutions are unique and sorted", function()
        local list = Renderer.active():enumerateResolutions()
        t.equal(#list > 0, true, "at least one mode")
        for i = 2, #list do
            local a, b = list[i - 1], list[i]
            t.equal(a[1] < b[1] or (a[1] == b[1] and a[2] < b[2]), true, "order at " .. i)
        end
    end)

    t.test("render windows and scene arguments", function()
        local r = Renderer.active()
        local window = RenderWindow.create(frame)
        r:setRenderWindow(window)
        r:setRenderWindow(nil)
        t.fails(function() RenderWindow.create(5) end, "Frame expected")
        t.fails(function() r:renderScene(nil) end, "Scene expected")
        t.fails(function() r:setRenderWindow(5) end, "RenderWindow expected")
    end)

    local frames = 0
    sys.displayFunc(function()
        local r = Renderer.active()
        if r:isReadyToRender() then
            r.ClearColor = {frames * 20 % 256, 0, 0, 255}
            r:beginRender()
            r:endRender()
        end
        frames = frames + 1
        if frames == 10 then
            t.test("frames begin and end", function() end)
            restartWith("zero")
        end
    end)
elseif phase == "zero" then
    local frame = Frame.create{title = "engine-zero", width = 800, height = 600}
    t.test("a run's end destroys the engine systems", function()
        t.fails(function() Renderer.active() end, "engine not initialized")
    end)
    t.test("width 0 keeps the window size", function()
        local systems, message = EngineSystems.create{width = 0}
        t.equal(systems ~= nil, true, tostring(message))
        local size = frame:getSize()
        t.equal(size[1] .. "x" .. size[2], "800x600")
        local w, h = windowSize("engine-zero")
        t.equal(w .. "x" .. h, "800x600", "X window size")
    end)
    restartWith("fixed")
elseif phase == "fixed" then
    local frame = Frame.create{title = "engine-fixed", width = 640, height = 480}
    t.test("dontAdjustFrame leaves the window alone", function()
        local systems, message = EngineSystems.create{dontAdjustFrame = true, width = 800, height = 600,
                                                      verticalSync = "triple_buffer", audioEngine = "null",
                                                      physicsEngine = "null", renderEngine = "opengl"}
        t.equal(systems ~= nil, true, tostring(message))
        local size = frame:getSize()
        t.equal(size[1] .. "x" .. size[2], "640x480")
        local w, h = windowSize("engine-fixed")
        t.equal(w .. "x" .. h, "640x480", "X window size")
    end)
    if windows then
        restartWith("d3d9")
    else
        t.done()
    end
elseif phase == "d3d9" then
    Frame.create{title = "engine-d3d9", width = 320, height = 240}
    t.test("a Direct3D 9 renderer clears its frames to the clear colour", function()
        local systems, message = EngineSystems.create{renderEngine = "d3d9", verticalSync = false}
        t.equal(systems ~= nil, true, tostring(message))
        local r = Renderer.active()
        t.equal(r:isReadyToRender(), true)
        r.ClearColor = {0, 160, 255, 255}
        r:beginRender()
        r:saveScreenShot("d3d9.png")
        r:endRender()
        local shot = Image.load("d3d9.png")
        t.nearVec(shot:getPixel(160, 120), {0, 160, 255}, 0.5, "the middle pixel", 3)
    end)
    t.done()
end
