-- display
-- timeout: 60
-- Textures and render buffers from scripts: creation from images, loading by
-- name (a TGA source converted on first use), one load per name, the pool.
local t = require "testing"

local frame = Frame.create{title = "texture-test", width = 64, height = 48}

t.test("without a renderer textures cannot be made", function()
    t.fails(function() RenderBuffer.create(4, 4) end, "engine not initialized")
    local windowless = Renderer.create("opengl")
    t.fails(function() RenderableTexture.create(Image.create(2, 2)) end, "Renderer not initialized")
    windowless:dispose()
    t.equal(RenderableTexture.getTextureByFilename("none.dds"), nil)
end)

assert(EngineSystems.create{width = 64, height = 48})

t.test("an image becomes a texture of its size", function()
    local texture = RenderableTexture.create(Image.create(8, 4))
    t.equal(texture:getWidth(), 8)
    t.equal(texture:getHeight(), 4)
    t.fails(function() RenderableTexture.create("image") end, "Image expected")
end)

t.test("a TGA source loads through the DDS file it is converted to", function()
    Image.create(16, 16):save("brick.tga")
    local f = io.open("brick.texture", "w")
    f:write("compressed = true\nalpha = true\n")
    f:close()
    local first = RenderableTexture.load("brick.tga")
    t.equal(first:getWidth(), 16)
    t.equal(FileSystem.fileExists("brick.dds"), true)
    local second = RenderableTexture.load("brick.tga", 1, true)
    t.equal(rawequal(first, second), false, "a new handle each time")
    t.equal(RenderableTexture.getTextureByFilename("brick.tga"), second)
    first:dispose()
    t.equal(second:getWidth(), 16, "the other handle keeps the texture")
    second:save("ignored.dds")
    second:reload()
    second:dispose()
    t.equal(RenderableTexture.getTextureByFilename("brick.tga"), nil)
end)

t.test("load failures are script errors with their reason", function()
    t.fails(function() RenderableTexture.load("missing.dds") end, "File not found: missing.dds")
    t.fails(function() RenderableTexture.load("picture.gif") end, "Could not find asset processor for file: picture.gif")
    t.fails(function() RenderableTexture.load("brick.tga", "two") end, "number expected")
end)

t.test("temporary render buffers come back after release", function()
    local a = RenderBuffer.getTemporary(32, 32)
    local b = RenderBuffer.getTemporary(32, 32)
    t.equal(a == b, false)
    t.equal(a:getWidth(), 32)
    RenderBuffer.release(b)
    t.equal(b:isDisposed(), true)
    local c = RenderBuffer.getTemporary(32, 32)
    t.equal(c:getWidth(), 32)
    local own = RenderBuffer.create(16, 8)
    t.equal(own:getHeight(), 8)
    t.fails(function() RenderBuffer.create(0, 8) end, "invalid size")
end)

t.done()
