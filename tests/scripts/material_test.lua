-- display
-- timeout: 60
-- Materials and material libraries from scripts: fields and their
-- properties, shader parameters, libraries resolving their textures through
-- the texture list, and the argument errors.
local t = require "testing"

local frame = Frame.create{title = "material-test", width = 64, height = 48}
assert(EngineSystems.create{width = 64, height = 48})

local write = t.writeFile

t.test("fields read back through methods and properties", function()
    local m = Material.create("props")
    t.equal(m.Lighting, true)
    t.equal(m.Glossiness, 20)
    t.equal(m.BlendMode, "Opaque")
    t.equal(m.TextureAddressMode, "Wrap")
    t.equal(m.Shader, nil)
    m.BlendMode = "Translucent"
    m.TextureAddressMode = "Clamp"
    m.DoubleSided = true
    m.DepthBias = 0.5
    m.Shader = nil
    t.equal(m:getBlendMode(), "Translucent")
    t.equal(m:getTextureAddressMode(), "Clamp")
    t.equal(m:getDoubleSided(), true)
    t.equal(m:getDepthBias(), 0.5)
    local texture = RenderableTexture.create(Image.create(4, 4))
    m.DiffuseMap = texture
    t.equal(m:getDiffuseMap(), texture)
    m:setDiffuseMap(nil)
    t.equal(m.DiffuseMap, nil)
    m:activate()
end)

t.test("a new material of a taken name comes after the older one", function()
    local older = Material.getMaterialByName("twin")
    local newer = Material.create("twin")
    t.equal(Material.findMaterialByName("twin"), older)
    t.equal(newer == older, false)
    t.equal(Material.findMaterialByName("nobody"), nil)
end)

t.test("argument errors", function()
    local m = Material.create("errors")
    t.fails(function() m:setLighting(1) end, "boolean expected")
    t.fails(function() m:setBlendMode("Glowing") end, "invalid enum")
    t.fails(function() m:setParam("v", {1, 2, 3, 4, 5}, 5) end, "invalid dimension")
    t.fails(function() m:setParam("v", {1}, 0) end, "invalid dimension")
    t.fails(function() m:setTexture("t", m) end, "RenderableTexture or RenderBuffer expected")
    t.fails(function() m:setShader(m) end, "RenderableShader expected")
end)

t.test("shader parameters: sixteen names, then the error", function()
    local m = Material.create("params")
    for i = 1, 16 do
        m:setParam("p" .. i, i)
    end
    t.fails(function() m:setParam("p17", 1) end, "Too many shader parameters")
    m:setParam("p3", {1, 2, 3}, 3)
    m:setTexture("p4", RenderBuffer.create(8, 8))
    m:setTexture("p4", nil)
    m:setTextureFilter("p4", "Anisotropic")
    m:setTextureAddress("p4", "Clamp")
end)

t.test("a library defines materials with textures from the texture list", function()
    Image.create(8, 8):save("wall.tga")
    local wall = RenderableTexture.load("wall.tga")
    write("scene.materials", [[
        material { Name = "wall", DiffuseMap = "wall.tga", Lighting = true, Glossiness = 12 }
        material { Name = "glow", BlendMode = 9, TextureAddressMode = 1, DoubleSided = true }
        lights { Name = "not a material" }
    ]])
    local library = MaterialLibrary.load("scene.materials", 1)
    t.equal(library:getMaterialCount(), 2)
    local m = library:getMaterial(1)
    t.equal(m.Name, "wall")
    t.equal(m.DiffuseMap, wall, "the loaded texture of that name")
    t.equal(m.NormalMap, nil)
    t.equal(m.Glossiness, 12)
    local glow = library:findMaterial("glow")
    t.equal(glow, Material.findMaterialByName("glow"))
    t.equal(glow.BlendMode, "???")
    t.equal(glow.TextureAddressMode, "Clamp")
    t.equal(glow.Lighting, false)
    t.equal(glow.Glossiness, 0)
    t.equal(library:findMaterial("not a material"), nil)
    t.fails(function() library:getMaterial(0) end, "invalid material index")
    t.fails(function() library:getMaterial(3) end, "invalid material index")
end)

t.test("library failures are script errors with their reason", function()
    t.fails(function() MaterialLibrary.load("absent.materials") end, "File not found: absent.materials")
    write("broken.materials", "material { Name = }")
    t.fails(function() MaterialLibrary.load("broken.materials") end, "broken.materials:1: syntax error")
    write("textureless.materials", 'material { Name = "ghost", DiffuseMap = "missing.dds" }')
    t.fails(function() MaterialLibrary.load("textureless.materials") end, "File not found: missing.dds")
end)

t.done()
