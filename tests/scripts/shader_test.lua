-- display
-- fixture: shaders
-- Shaders from scripts: surface shaders from the default or given files,
-- post-process shaders, their errors, and materials that hold them.
local t = require "testing"

local frame = Frame.create{title = "shader-test", width = 64, height = 48}

t.test("without a renderer no shader can be made", function()
    t.fails(function() RenderableShader.createSurfaceShader() end, "engine not initialized")
end)

assert(EngineSystems.create{width = 64, height = 48})

local write = t.writeFile

-- Shader files are in the renderer's language: GLSL for OpenGL, HLSL for
-- Direct3D 9, the renderer Windows starts with.
local d3d9 = sys.platform() == "win32"

t.test("surface and post-process shaders load from files", function()
    local default = RenderableShader.createSurfaceShader()
    t.equal(type(default), "userdata")
    local red = "Red.fsh"
    if d3d9 then
        red = "Red.hlsl"
        write(red, "float4 main() : COLOR { return float4(1, 0, 0, 1); }\n" ..
            "float4 main_vs(float4 position : POSITION) : POSITION { return position; }\n" ..
            "float4 main_ps() : COLOR { return float4(1, 0, 0, 1); }\n")
    else
        write(red, "#version 120\nvoid main() { gl_FragColor = vec4(1.0, 0.0, 0.0, 1.0); }\n")
    end
    local own = RenderableShader.createSurfaceShader(nil, nil, red, red)
    t.equal(type(own), "userdata")
    local post = RenderableShader.createPostProcessShader(red)
    local material = Material.create("shaded")
    material:setShader(post)
    t.equal(material:getShader(), post)
    material:setShader(nil)
    t.equal(material:getShader(), nil)
end)

t.test("load, compile and link failures become script errors", function()
    if d3d9 then
        t.fails(function() RenderableShader.createPostProcessShader("Missing.hlsl") end,
                "File not found: Missing.hlsl")
        -- The compiler's own message, whose wording is the compiler's.
        write("Broken.hlsl", "float4 main_vs() : POSITION { oops }\nfloat4 main_ps() : COLOR { return 1; }\n")
        t.fails(function() RenderableShader.createPostProcessShader("Broken.hlsl") end, "error")
    else
        t.fails(function() RenderableShader.createPostProcessShader("Missing.fsh") end,
                "Failed to load shader file Missing.fsh")
        write("Broken.fsh", "#version 120\nvoid main() { oops }\n")
        t.fails(function() RenderableShader.createSurfaceShader(nil, "Broken.fsh") end,
                "Failed to compile shader Broken.fsh\n")
        write("Needs.fsh", "#version 120\nvarying vec3 unwritten;\nvoid main() { gl_FragColor = vec4(unwritten, 1.0); }\n")
        t.fails(function() RenderableShader.createPostProcessShader("Needs.fsh") end, "Failed to link shader program\n")
    end
    t.fails(function() RenderableShader.createPostProcessShader() end, "string expected")
end)

t.test("a texture drawn full-screen covers the frame", function()
    local image = Image.create(4, 4)
    for y = 0, 3 do
        for x = 0, 3 do
            image:setPixel(x, y, {0, 255, 0, 255})
        end
    end
    local texture = RenderableTexture.create(image)
    local renderer = Renderer.active()
    renderer:beginRender()
    renderer:drawFullScreen(texture)
    renderer:saveScreenShot("shot.png")
    renderer:endRender()
    local shot = Image.load("shot.png")
    t.nearVec(shot:getPixel(32, 24), {0, 255, 0}, 0.5, "the middle pixel", 3)
    t.fails(function() renderer:drawFullScreen("texture") end, "RenderableTexture expected")
end)

t.done()
