-- display
-- fixture: shaders
-- timeout: 60
-- 2D drawing from scripts: ImmediateMode's state and primitives, Graphics'
-- targets and shader passes, DebugDraw's queues, and the failures scripts see.
local t = require "testing"
local vec = require "vec"
local mat = require "mat"

local frame = Frame.create{title = "graphics-test", width = 160, height = 120}

t.test("without a renderer drawing records state and draws nothing", function()
    ImmediateMode.beginDraw()
    ImmediateMode.fillRect(0, 0, 10, 10)
    ImmediateMode.clipTo(5, 5, 50, 50)
    ImmediateMode.resetClip()
    ImmediateMode.endDraw()
    DebugDraw.drawLine(vec(0, 0, 0), vec(1, 1, 1))
    t.fails(function() Graphics.clear() end, "engine not initialized")
end)

assert(EngineSystems.create{width = 160, height = 120})
local renderer = Renderer.active()

t.test("primitives need beginDraw", function()
    local font = Font.create("consolas")
    local calls = {
        function() ImmediateMode.drawPoint(1, 1) end,
        function() ImmediateMode.drawLine(0, 0, 5, 5) end,
        function() ImmediateMode.drawLineAntialiased(0, 0, 5, 5) end,
        function() ImmediateMode.drawRect(0, 0, 5, 5) end,
        function() ImmediateMode.fillRect(0, 0, 5, 5) end,
        function() ImmediateMode.fillRoundedRect(0, 0, 20, 20, 4) end,
        function() ImmediateMode.drawText("x", 0, 0, font) end,
        function() ImmediateMode.beginShape("lines", false) end,
    }
    for _, call in ipairs(calls) do
        t.fails(call, "ImmediateMode.beginDraw() not called")
    end
    t.fails(function() ImmediateMode.fillPolygon({{0, 0}, {5, 0}, {5, 5}}) end, "beginDraw not called")
end)

t.test("the state stack pushes, clips and pops", function()
    ImmediateMode.resetClip()
    local l, top, r, b = ImmediateMode.getClipRect()
    t.equal(l, 0); t.equal(top, 0); t.equal(r, 160); t.equal(b, 120)
    ImmediateMode.pushState()
    ImmediateMode.clipTo(10, 20, 300, 40)
    l, top, r, b = ImmediateMode.getClipRect()
    t.equal(l, 10); t.equal(top, 20); t.equal(r, 160); t.equal(b, 40)
    ImmediateMode.clipTo(200, 0, 300, 10)
    l, top, r, b = ImmediateMode.getClipRect()
    t.equal(l, 160); t.equal(top, 20); t.equal(r, 160); t.equal(b, 20)
    ImmediateMode.setBlendMode("Additive")
    ImmediateMode.setLineWidth(2)
    ImmediateMode.setTransform(mat.create(vec(1, 0, 0, 0), vec(0, 1, 0, 0), vec(0, 0, 1, 0), vec(5, 5, 0, 1)))
    ImmediateMode.setIdentityTransform()
    ImmediateMode.popState()
    l, top, r, b = ImmediateMode.getClipRect()
    t.equal(r, 160); t.equal(b, 120)
    t.fails(function() ImmediateMode.popState() end, "can't pop empty stack")
    t.fails(function() ImmediateMode.setBlendMode("Multiply") end, "invalid enum")
end)

t.test("a frame of primitives draws and bad arguments name their type", function()
    local font = Font.create("fixedsys")
    local texture = RenderBuffer.create(16, 16)
    renderer:beginRender()
    ImmediateMode.beginDraw()
    ImmediateMode.drawPoint(1, 1, {255, 0, 0, 255})
    ImmediateMode.drawLine(0, 0, 50, 50)
    ImmediateMode.drawLineAntialiased(0, 50, 50, 0, {0, 255, 0})
    ImmediateMode.drawRect(10, 10, 20, 20)
    ImmediateMode.fillRect(10, 10, 20, 20, {0, 0, 255, 128})
    ImmediateMode.fillRoundedRect(30, 30, 40, 20, 6)
    ImmediateMode.fillRoundedRectAntialiased(30, 60, 40, 20, 6, {255, 255, 0, 255})
    ImmediateMode.fillPolygon({{0, 0}, {10, 0}, {10, 10}, {0, 10}}, {255, 0, 255, 255})
    ImmediateMode.fillPolygon({{0, 0}})
    ImmediateMode.drawImage(texture, 5, 5)
    ImmediateMode.drawImage(texture, 5, 5, {255, 255, 255, 255}, 1)
    ImmediateMode.drawImage(texture, 5, 5, 0, 0, 8, 8, {255, 255, 255, 255})
    ImmediateMode.drawImage(texture, 5, 5, 0, 0, 8, 8, 32, 32, {255, 255, 255, 255}, 6)
    ImmediateMode.drawText("hello\nworld", 4, 90, font, {255, 255, 255, 255})
    ImmediateMode.beginShape("triangles", false)
    ImmediateMode.vertexColor({1, 2, 3, 4})
    ImmediateMode.vertexPosition(100, 100)
    ImmediateMode.vertexColor({255, 0, 0, 255})
    ImmediateMode.vertexTexcoord(0.5, 0.5)
    ImmediateMode.vertexPosition(120, 100)
    ImmediateMode.vertexPosition(110, 110)
    ImmediateMode.endShape()
    t.fails(function() ImmediateMode.drawImage(42, 0, 0) end, "RenderableTexture expected")
    t.fails(function() ImmediateMode.drawImage(texture, 0, 0, 0, 0, 8, 8) end, "color expected")
    t.fails(function() ImmediateMode.drawText("x", 0, 0, texture) end, "Font expected")
    t.fails(function() ImmediateMode.fillRect(0, 0, 5, 5, 7) end, "color expected")
    t.fails(function() ImmediateMode.fillPolygon({{0, 0}, 3, {1, 1}}) end, "vec expected")
    t.fails(function() ImmediateMode.beginShape("fans", false) end, "invalid enum")
    t.fails(function() ImmediateMode.beginShape("lines") end, "boolean expected")
    ImmediateMode.endDraw()
    renderer:endRender()
end)

t.test("fillRect and drawImage draw the same from numbers as from anything else", function()
    local picture = Image.create(4, 4)
    for y = 0, 3 do
        for x = 0, 3 do picture:setPixel(x, y, {x * 60, y * 60, 200, 255}) end
    end
    local texture = RenderableTexture.create(picture)
    -- Numbers take the fast form; numeric strings (and a missing alpha) the
    -- binding, which converts them the same way.
    local function shot(name, n, white)
        renderer:beginRender()
        ImmediateMode.beginDraw()
        ImmediateMode.fillRect(n(10.7), n(5), n(20), n(10), {n(255), 0, 0, n(255)})
        ImmediateMode.fillRect(n(40), n(5), n(8), n(8))
        ImmediateMode.drawImage(texture, n(3.2), n(40), white, n(1))
        ImmediateMode.drawImage(texture, n(20), n(40))
        ImmediateMode.fillRect(n(22), n(41), n(2), n(2), {n(0), n(255), 0, n(128)})
        ImmediateMode.endDraw()
        renderer:saveScreenShot(name)
        renderer:endRender()
        return Image.load(name):getImageData()
    end
    local direct = shot("direct.png", function(v) return v end, {255, 255, 255, 255})
    local plain = shot("plain.png", tostring, {"255", 255, 255, 255})
    t.equal(#direct, 160 * 120 * 4, "picture size")
    t.equal(direct == plain, true, "same pictures")
    t.equal(tostring(Image.load("direct.png"):getPixel(15, 8)), "vec(255, 0, 0, 255)", "the first rectangle")
    texture:dispose()
    ImmediateMode.beginDraw()
    t.fails(function() ImmediateMode.drawImage(texture, 0, 0) end, "object disposed")
    ImmediateMode.endDraw()
end)

t.test("Graphics draws shader passes into targets and the window", function()
    -- In the renderer's language: HLSL for Direct3D 9, the renderer Windows starts with.
    local tintFile = "Tint.fsh"
    if sys.platform() == "win32" then
        tintFile = "Tint.hlsl"
        t.writeFile(tintFile, "sampler2D g_sourceTex;\n" ..
            "void main_vs(float4 position : POSITION, out float4 oPosition : POSITION, out float4 oTexcoord : TEXCOORD0)\n" ..
            "{ oPosition = position; oTexcoord = float4(position.xy * float2(0.5, -0.5) + 0.5, 0, 0); }\n" ..
            "float4 main_ps(float4 texcoord : TEXCOORD0) : COLOR\n" ..
            "{ return tex2D(g_sourceTex, texcoord.xy) * float4(1.0, 0.5, 0.5, 1.0); }\n")
    else
        t.writeFile(tintFile, "#version 120\nuniform sampler2D sourceTex;\nvarying vec2 vTexcoord;\n" ..
            "void main() { gl_FragColor = texture2D(sourceTex, vTexcoord) * vec4(1.0, 0.5, 0.5, 1.0); }\n")
    end
    local tint = RenderableShader.createPostProcessShader(tintFile)
    local target = RenderBuffer.create(32, 32)
    local source = RenderBuffer.create(32, 32)
    renderer:beginRender()
    Graphics.setRenderTarget(source)
    Graphics.clear()
    Graphics.blit(source, target, tint)
    Graphics.blit(target, nil, nil)
    Graphics.setRenderTarget(target)
    Graphics.drawRect()
    Graphics.setRenderTarget(nil)
    t.fails(function() Graphics.blit(nil) end, "RenderableTexture expected")
    t.fails(function() Graphics.blit(source, 5) end, "RenderableTexture expected")
    t.fails(function() Graphics.blit(source, nil, source) end, "RenderableShader expected")
    renderer:endRender()
end)

t.test("a texture's filter decides how drawImage samples it", function()
    local checker = Image.create(2, 2)
    for _, p in ipairs({{0, 0, 0}, {1, 0, 255}, {0, 1, 255}, {1, 1, 0}}) do
        checker:setPixel(p[1], p[2], {p[3], p[3], p[3], 255})
    end
    local texture = RenderableTexture.create(checker)
    -- Pixels of row 16 (the centre of texel row 0) strictly between black and white.
    local function blended(filter)
        if filter then texture:setFilter(filter) end
        renderer:beginRender()
        ImmediateMode.beginDraw()
        ImmediateMode.drawImage(texture, 0, 0, 0, 0, 2, 2, 64, 64, {255, 255, 255, 255})
        ImmediateMode.endDraw()
        renderer:saveScreenShot("filter.png")
        renderer:endRender()
        local shot, count = Image.load("filter.png"), 0
        for x = 0, 63 do
            local value = shot:getPixel(x, 16)[1]
            if value > 8 and value < 247 then count = count + 1 end
        end
        return count
    end
    t.equal(blended(nil) > 0, true, "the default blends texels")
    t.equal(blended("nearest"), 0, "nearest")
    t.equal(blended("linear") > 0, true, "linear")
    t.equal(blended("trilinear") > 0, true, "trilinear")
    t.equal(blended("nearest"), 0, "nearest again")
    t.fails(function() texture:setFilter("Nearest") end, "invalid enum")
end)

t.test("debug shapes queue at any time", function()
    local m = mat.create(vec(1, 0, 0, 0), vec(0, 1, 0, 0), vec(0, 0, 1, 0), vec(0, 0, 0, 1))
    DebugDraw.drawLine(vec(0, 0, 0), vec(1, 1, 1), {255, 0, 0, 255})
    DebugDraw.drawBox(vec(0, 0, 0), vec(1, 1, 1))
    DebugDraw.drawBox(vec(0, 0, 0), vec(1, 1, 1), m, {0, 255, 0, 255})
    DebugDraw.drawSphere(vec(0, 0, 0), 2)
    DebugDraw.drawCapsule(2, 0.5, m)
    DebugDraw.drawBase(m, 2)
    DebugDraw.drawText("label", vec(10, 10))
    DebugDraw.drawText3D("world", vec(0, 1, 0), {255, 255, 0, 255})
    t.fails(function() DebugDraw.drawLine(1, 2) end, "vec expected")
    t.fails(function() DebugDraw.drawSphere(vec(0, 0, 0), 1, 5) end, "color expected")
end)

frame:dispose()
t.done()
