-- display
-- Models and asset processors as scripts use them: loading by source name,
-- nodes and entities, instances in scenes, merged meshes, and the errors.
local t = require "testing"

local frame = Frame.create{title = "model-test", width = 320, height = 240}
assert(EngineSystems.create{width = 320, height = 240})

-- --- writing model files by hand ---

local function writeString(out, text)
    out:writeInt(#text)
    out:writeBytes(text)
end

local function writeFloats(out, ...)
    for _, value in ipairs({...}) do out:writeFloat(value) end
end

local function writeTransform(out, x, y, z)
    writeFloats(out, 1, 0, 0, 0, 1, 0, 0, 0, 1, x or 0, y or 0, z or 0)
end

-- A triangle with positions only, one segment of the named material.
local function writeTriangle(out, material)
    out:writeBytes("MESH")
    out:writeInt(2)
    out:writeInt(3)
    for slot = 0, 14 do
        out:writeInt(3)
        out:writeInt(3)
        if slot == 0 then
            out:writeInt(12)
            writeFloats(out, 0, 0, 0, 1, 0, 0, 0, 1, 0)
        else
            out:writeInt(0)
        end
    end
    out:writeInt(3)
    for i = 0, 2 do out:writeInt(i) end
    out:writeInt(1)
    writeString(out, material)
    out:writeInt(2)
    out:writeInt(0)
    out:writeInt(1)
    writeFloats(out, 0.5, 0.5, 0, 0.75, 0, 0, 0, 1, 1, 0)
end

-- nodes: {name, parent, position, mesh = material, bones = {{node, y}}, light = type number}
local function writeModel(path, nodes, magic)
    local out = FileOutputStream.create(path)
    out:writeBytes(magic or "MDL1")
    out:writeInt(2)
    out:writeInt(#nodes)
    for _, node in ipairs(nodes) do
        writeString(out, node[1])
        writeTransform(out, unpack(node[3] or {}))
        out:writeInt(node[2])
        if node.mesh then
            out:writeInt(0)
            writeTriangle(out, node.mesh)
            local bones = node.bones or {}
            out:writeInt(#bones)
            for _, bone in ipairs(bones) do
                out:writeInt(bone[1])
                writeTransform(out, 0, bone[2], 0)
            end
            writeFloats(out, 0.5, 0.25, 0)
            out:writeByte(0)
        elseif node.light then
            out:writeInt(1)
            out:writeInt(node.light)
            writeFloats(out, 1, 0.5, 0, 6, 0.5, 0.25)
            out:writeByte(1)
        else
            out:writeInt(-1)
        end
    end
    out:dispose()
end

writeModel("robot.model", {
    {"body", -1, {0, 1, 0}, mesh = "robot-steel", bones = {{2, -3}, {-1, 0}}},
    {"arm", 0, {2, 0, 0}},
    {"hand", 1, {0, 3, 0}, mesh = "robot-steel"},
    {"lamp", -1, {0, 5, 0}, light = 2},
})
writeModel("lamps.model", {{"sun", -1, nil, light = 1}, {"spot", 0, {0, 2, 0}, light = 3}})

-- --- asset processors ---

t.test("asset processors are found by type and case-sensitive extension", function()
    local obj = AssetProcessor.find("Model", "models/crate.obj")
    t.equal(obj:getFileExtension(), "obj")
    t.equal(obj:getNativeFileExtension(), "model")
    t.equal(obj:getNativeFile("models/crate.obj"), "models/crate.model")
    t.equal(AssetProcessor.find("Model", "a.lwo"):getNativeFileExtension(), "model")
    t.equal(AssetProcessor.find("Animation", "walk.fbx"):getNativeFile("walk.fbx"), "walk.animation")
    t.equal(AssetProcessor.find("Texture", "wall.tga"):getNativeFile("wall.tga"), "wall.dds")
    t.fails(function() AssetProcessor.find("Texture", "wall.TGA") end,
        "Could not find asset processor for file: wall.TGA")
    t.fails(function() AssetProcessor.find("Animation", "walk.obj") end,
        "Could not find asset processor for file: walk.obj")
    t.fails(function() AssetProcessor.find("Mesh", "a.obj") end, "invalid enum")
end)

t.test("a stale native file of a source that does not convert is an error naming the source", function()
    -- An empty file is nothing a converter can make a model of: where FBX
    -- files convert, the message gives the reader's reason.
    t.writeFile("walk.fbx", "")
    local function failsNamingTheSource(fn)
        local ok, message = pcall(fn)
        t.equal(ok, false)
        local named = message:find("Unknown file format: walk.fbx", 1, true)
            or message:find("Could not import walk.fbx: ", 1, true)
        t.equal(named ~= nil, true, message)
    end
    failsNamingTheSource(function() AssetProcessor.find("Model", "walk.fbx"):processFile("walk.fbx") end)
    failsNamingTheSource(function() Model.load("walk.fbx") end)
    -- Once the native file carries the source's time, it is used as it is.
    writeModel("walk.model", {{"root", -1, nil, light = 0}})
    FileSystem.setFileDate("walk.model", FileSystem.fileDate("walk.fbx"))
    t.equal(Model.load("walk.fbx"):getNodeCount(), 1)
end)

-- --- models ---

t.test("a model loads by its source name with its nodes and entities", function()
    local model = Model.load("robot.obj")
    t.equal(Model.load("robot.obj"), model, "loaded once")
    t.equal(model:getNodeCount(), 4)
    local body = model:getNode(1)
    t.equal(body.Name, "body")
    t.equal(model:findNode("hand"), model:getNode(3))
    t.equal(model:findNode("nobody"), nil)
    t.equal(model:getNode(4):getParent(), body, "parent -1 hangs below the root")
    t.equal(model:getNode(3):getParent(), model:getNode(2))

    local entity = body.RenderEntity
    t.equal(entity:getEntityType(), "MeshEntity")
    t.equal(entity:getMaterials()[1].Name, "robot-steel")
    t.near(entity:getEmissiveColor()[2], 0.25, 1e-6)
    t.equal(entity:getCastShadow(), false)
    t.equal(entity:getMesh():getSourceData(), nil)
    -- The skeleton passes to other entities as a Skeleton.
    local skeleton = entity:getSkeleton()
    local other = MeshEntity.create()
    other:setSkeleton(skeleton)
    t.equal(other:getSkeleton(), skeleton)

    local lamp = model:getNode(4).RenderEntity
    t.equal(lamp:getEntityType(), "LightEntity")
    t.equal(lamp:getLightRange(), 6)
    t.equal(lamp:getSpotSharpness(), 0.25)
    t.equal(lamp:getCastShadow(), true)

    for _, index in ipairs({0, 5, -1}) do
        t.fails(function() model:getNode(index) end, "invalid node index")
    end
end)

t.test("instances are separate hierarchies in the scene that share the meshes", function()
    local model = Model.load("robot.obj")
    local scene = Scene.createSimpleScene()
    local first = model:instantiate(scene)
    local second = model:instantiate(scene)
    t.equal(first.Name, "body")
    t.equal(#scene:query("all"), 8)
    t.equal(first:getChildren()[1].Name, "arm")
    t.equal(first:getChildren()[1] == second:getChildren()[1], false)
    local a, b = first.RenderEntity, second.RenderEntity
    t.equal(a == b, false)
    t.equal(a:getMesh(), b:getMesh())
    t.equal(a:getMesh(), model:getNode(1).RenderEntity:getMesh())
    t.equal(a:getSkeleton() == model:getNode(1).RenderEntity:getSkeleton(), false)
    -- The entities are in the scene's structure: a box query finds the lamp copies.
    local found = scene:query("box", {pos = vec(0, 6, 0), hsize = vec(1, 1, 1)})
    t.equal(#found, 2)
    t.equal(found[1].Name, "lamp")
end)

t.test("a model of lights loads and instantiates; as a mesh it is nothing", function()
    local model = Model.load("lamps.obj")
    local scene = Scene.createSimpleScene()
    local root = model:instantiate(scene)
    t.fails(function() root.RenderEntity:getWorldBounds() end, "unbounded entity")
    local spot = root:getChildren()[1].RenderEntity
    t.equal(spot:getEntityType(), "LightEntity")
    -- A range of 6 along +Z from the spot's node at y = 2.
    t.nearVec(spot:getWorldBounds().pos, {0, 2, 3}, 1e-5, "spot bounds", 3)
    t.equal(Mesh.load("lamps.obj"), nil)
    t.equal(RenderableMesh.load("lamps.obj"), nil)
end)

t.test("Mesh.load merges every mesh of the model under the requested name", function()
    local mesh = Mesh.load("robot.obj")
    t.equal(mesh:getNumVertices(), 6)
    t.equal(mesh:getNumSegments(), 2)
    -- After the body's three, the hand's first vertex: (0, 3, 0) in the arm,
    -- at (2, 0, 0) in the body at (0, 1, 0).
    local positions = mesh:getVertexArray()
    t.equal(positions[5], 1)
    t.equal(positions[10], 2)
    t.equal(positions[11], 4)
    t.equal(Mesh.load("robot.obj"), mesh)
    t.equal(RenderableMesh.load("robot.obj", true):getSourceData():getNumVertices(), 6)
end)

t.test("source data is kept on request", function()
    writeModel("kept.model", {{"body", -1, nil, mesh = "robot-steel"}})
    local model = Model.load("kept.obj", true)
    t.equal(model:getNode(1).RenderEntity:getMesh():getSourceData():getNumVertices(), 3)
end)

t.test("disposing a model disposes the handles of its nodes", function()
    writeModel("short.model", {{"root", -1}, {"leaf", 0}})
    local model = Model.load("short.obj")
    local leaf = model:getNode(2)
    model:dispose()
    t.fails(function() return leaf.Name end, "object disposed")
    model:dispose()
    t.equal(Model.load("short.obj"):getNode(2).Name, "leaf", "loaded again")
end)

t.test("errors carry the reader's message", function()
    t.fails(function() Model.load("missing.obj") end, "File not found: missing.model")
    t.fails(function() Model.load("robot.model") end, "Could not find asset processor for file: robot.model")
    writeModel("bad.model", {{"root", -1}}, "MDL2")
    t.fails(function() Model.load("bad.obj") end, "Invalid file format: bad.model")
    t.fails(function() Mesh.load("bad.obj") end, "Invalid file format: bad.model")
    writeModel("loop.model", {{"root", -1}, {"a", 2}, {"b", 1}})
    t.fails(function() Model.load("loop.obj") end, "Invalid file format: loop.model")
    t.fails(function() Model.load({}) end, "string expected")
    -- Models and meshes made in memory have no name and are not found by one.
    t.fails(function() Model.load("") end, "Could not find asset processor for file: ")
    local unnamed = Mesh.createBox()
    t.fails(function() Mesh.load("") end, "Could not find asset processor for file: ")
    t.fails(function() Model.load("robot.obj"):instantiate({}) end, "Scene expected")
end)

t.done()
