-- display
-- RenderableMesh as scripts use it: uploads through the active renderer, the
-- kept source data, bounds and materials, and the script-level errors.
local t = require "testing"

t.test("without engine systems there is no renderer to upload with", function()
    t.fails(function() RenderableMesh.create(Mesh.createBox()) end, "engine not initialized")
end)

local frame = Frame.create{title = "renderable-mesh-test", width = 320, height = 240}
assert(EngineSystems.create{width = 320, height = 240})

t.test("create uploads a mesh and keeps its source data only on request", function()
    local mesh = Mesh.createBox(2, 4, 6)
    local renderable = RenderableMesh.create(mesh)
    t.equal(renderable:getSourceData(), nil)
    local box = renderable:getBoundingBox()
    t.equal(box.hsize[2], 2)
    t.equal(box.hsize[3], 3)

    local kept = RenderableMesh.create(mesh, true)
    local source = kept:getSourceData()
    t.equal(source:getNumVertices(), mesh:getNumVertices())
    t.equal(source:getNumIndices(), mesh:getNumIndices())
    t.equal(rawequal(source, mesh), false, "the source data is a copy")
end)

t.test("init replaces the contents", function()
    local renderable = RenderableMesh.create(Mesh.createBox())
    local sphere = Mesh.createSphere(2)
    sphere:scale(5)
    renderable:init(sphere, true)
    t.near(renderable:getBoundingBox().hsize[1], 5, 1e-4)
    t.equal(renderable:getSourceData():getNumVertices(), sphere:getNumVertices())
    renderable:init(Mesh.createBox())
    t.equal(renderable:getSourceData(), nil)
end)

t.test("materials come one per segment, nil for a segment without one", function()
    local mesh = Mesh.createTetrahedron()
    local red = Material.getMaterialByName("renderable-mesh-red")
    mesh:addSegment(red, "triangles", 0, 1)
    mesh:addSegment(nil, "quads", 0, 0)
    local materials = RenderableMesh.create(mesh):getMaterials()
    t.equal(materials[1].Name, "default")
    t.equal(materials[2], red)
    t.equal(materials[3], nil)
    t.equal(table.maxn(materials), 2)
end)

t.test("errors", function()
    t.fails(function() RenderableMesh.create() end, "Mesh expected")
    t.fails(function() RenderableMesh.create(Mesh.createBox(), 1) end, "boolean expected")
    t.fails(function() RenderableMesh.load("models/missing.png") end,
        "Could not find asset processor for file: models/missing.png")
    t.fails(function() RenderableMesh.load("models/missing.obj") end, "File not found: models/missing.model")
    -- Indices that were valid go out of range when the vertex count shrinks.
    local mesh = Mesh.create(3)
    mesh:setVertexArray({0, 0, 0, 1, 0, 0, 0, 1, 0})
    mesh:setIndices({0, 1, 2})
    mesh:setNumVertices(2)
    mesh:setVertexArray({0, 0, 0, 1, 0, 0})
    t.fails(function() RenderableMesh.create(mesh) end, "Invalid vertex index 2 in a mesh of 2 vertices")
    local renderable = RenderableMesh.create(Mesh.createBox())
    renderable:dispose()
    t.fails(function() renderable:getBoundingBox() end, "object disposed")
end)

frame:hide()
t.done()
