-- The Scene, Camera and CameraControls script classes.
local t = require "testing"

local function names(nodes)
    local list = {}
    for i, node in ipairs(nodes) do list[i] = node:getName() end
    return table.concat(list, ",")
end

local function named(scene, name)
    local node = scene:addNode()
    node:setName(name)
    return node
end

t.test("nodes: add, find, query all, invalid query types", function()
    for _, scene in ipairs({Scene.createSimpleScene(), Scene.createQuadTreeScene(100, 4)}) do
        local a, b = named(scene, "a"), named(scene, "b")
        named(scene, "a")
        t.equal(scene:findNode("a"), a, "first in list order")
        t.equal(scene:findNode("zz"), nil)
        t.equal(names(scene:query("all")), "a,b,a", "all nodes, entity or not")
        t.equal(#scene:query("box", {pos = {0, 0, 0}, hsize = {10, 10, 10}}), 0, "no entities")
        t.equal(#scene:query("sphere", {pos = {0, 0, 0}, radius = 5}), 0)
        t.equal(#scene:query("ray", {pos = {0, 0, 0}, dir = {0, 0, 1}}), 0)
        t.fails(function() Scene.query(scene, "frustum") end, "bad argument #2 to 'query' (invalid query type)")
        t.fails(function() scene:query(nil) end, "string expected")
        t.equal(b:getParent(), nil)
        scene:dispose()
    end
end)

t.test("removeNode alone keeps the children as roots; recursive disposes the subtree", function()
    local scene = Scene.createQuadTreeScene(50, 3)
    local root, child, grandchild, other = named(scene, "root"), named(scene, "child"), named(scene, "grand"),
        named(scene, "other")
    child:addTo(root)
    grandchild:addTo(child)
    scene:removeNode(root)
    t.equal(root:isDisposed(), true, "the removed node's handle")
    t.equal(child:getParent(), nil, "child is a root")
    t.equal(names(scene:query("all")), "child,grand,other")
    scene:removeNode(child, false)
    t.equal(grandchild:getParent(), nil)
    grandchild:addTo(other)
    scene:removeNode(other, true)
    t.equal(other:isDisposed() and grandchild:isDisposed(), true, "whole subtree")
    t.equal(#scene:query("all"), 0)
    t.fails(function() grandchild:getName() end, "object disposed")
    -- Another scene's node is left alone.
    local elsewhere = Scene.createSimpleScene()
    local stranger = named(elsewhere, "stranger")
    scene:removeNode(stranger, true)
    t.equal(stranger:getName(), "stranger")
end)

t.test("a quad tree too deep to allocate is an error, not a crash", function()
    t.fails(function() Scene.createQuadTreeScene(100, 40) end, "out of memory")
end)

t.test("disposing a scene disposes its node handles first", function()
    local scene = Scene.createSimpleScene()
    local node = named(scene, "n")
    scene:dispose()
    t.equal(node:isDisposed(), true)
    t.equal(scene:isDisposed(), true)
    scene:dispose()
    t.fails(function() scene:addNode() end, "object disposed")
end)

t.test("lights and meshes wait for their entities but check their arguments", function()
    local scene = Scene.createSimpleScene()
    t.fails(function() scene:createLight("neon", {1, 1, 1}) end, "invalid enum")
    t.fails(function() scene:createMesh({}) end, "RenderableMesh expected")
end)

t.test("camera: a node with near, far, planes and projection", function()
    local camera = Camera.create(math.pi / 2, 1, 0.1, 100)
    t.equal(camera.type, nil, "class entries other than functions read as nil")
    t.equal(getmetatable(camera).type, "Camera")
    t.near(camera:getNear(), 0.1, 1e-5, "near")
    t.near(camera:getFar(), 100, 1e-3, "far")
    local near = camera:getPlane(5)
    t.near(near.n[3], 1, 1e-5, "near normal")
    t.near(near.d, 0.1, 1e-5, "near d")
    t.fails(function() camera:getPlane(0) end, "invalid plane index")
    t.fails(function() camera:getPlane(7) end, "invalid plane index")
    t.equal(camera:projectWorldPoint({0, 0, -1}), nil, "behind")
    local p = camera:projectWorldPoint({0, 0, 10})
    t.near(p[1], 0.5, 1e-5, "screen x")
    t.near(p[2], 0.5, 1e-5, "screen y")
    local ray = camera:getWorldRay({0.5, 0.5})
    t.near(ray.dir[3], 1, 1e-5, "ray forward")

    -- Moving a parent moves what the camera sees.
    local scene = Scene.createSimpleScene()
    local rig = scene:addNode()
    camera:addTo(rig)
    rig:setPosition(0, 0, 5)
    t.near(camera:getViewProjectionMatrix().w[3], -5 * 100 / 99.9 - 0.1 * 100 / 99.9, 1e-3, "after the parent moved")
    t.near(camera:getPlane(5).d, 5.1, 1e-4)
    t.equal(rig:getChildren()[1], camera, "the camera's own handle")

    local m = camera:getProjectionMatrix()
    camera:setProjectionMatrix(m)
    t.near(camera:getInverseProjectionMatrix().w[4], camera:getInverseProjectionMatrix().w[4], 0)
    t.fails(function() Camera.getNear(rig) end, "Camera expected")
    t.equal(Node.getName(camera), "", "a Camera passes the Node check")
end)

t.test("a camera reached through the graph gets a Camera handle", function()
    local scene = Scene.createSimpleScene()
    local rig = scene:addNode()
    local controls = CameraControls.create(Camera.create(1, 1, 1, 10), 2)
    local camera = controls:getCamera()
    camera:setName("eye")
    camera:addTo(rig)
    camera = nil
    collectgarbage()
    collectgarbage()
    -- Only the controls hold the camera now: it has no handle.
    t.equal(controls:getCamera(), nil, "no handle")
    local found = rig:getChildren()[1]
    t.equal(getmetatable(found).type, "Camera")
    t.equal(found:getName(), "eye")
    t.near(found:getFar(), 10, 1e-4)
    t.equal(controls:getCamera(), found)
    t.equal(controls:getScale(), 2)
    controls:setScale(3)
    t.equal(controls:getScale(), 3)
    controls:setCamera(nil)
    t.equal(controls:getCamera(), nil)
    controls:update(0.1)
    t.fails(function() CameraControls.create(rig) end, "Camera expected")
    controls:dispose()
end)

t.done()
