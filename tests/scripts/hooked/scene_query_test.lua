-- Scene queries from scripts, on nodes carrying stand-in render entities.
local t = require "testing"

local function names(nodes)
    local list = {}
    for i, node in ipairs(nodes) do list[i] = node:getName() end
    table.sort(list)
    return table.concat(list, ",")
end

local function box(scene, name, x, y, z, half, unbounded)
    local node = scene:addNode()
    node:setName(name)
    node:setPosition(x, y, z)
    testhooks.attachBox(node, half, unbounded)
    return node
end

t.test("box, sphere and ray queries return the nodes whose entities meet the shape", function()
    for _, scene in ipairs({Scene.createSimpleScene(), Scene.createQuadTreeScene(100, 5)}) do
        box(scene, "near", 0, 0, 5, 1)
        box(scene, "far", 40, 0, 40, 1)
        box(scene, "sky", 0, 50, 0, 1, true)
        scene:addNode():setName("bare")
        local cases = {
            {"box", {pos = {0, 0, 5}, hsize = {1, 1, 1}}, "near,sky"},
            {"box", {pos = {0, 0, 0}, hsize = {50, 50, 50}}, "far,near,sky"},
            {"sphere", {pos = {40, 0, 43}, radius = 2.5}, "far,sky"},
            {"sphere", {pos = {40, 0, 44}, radius = 2.5}, "sky"},
            {"ray", {pos = {0, 0, 0}, dir = {0, 0, 1}}, "near,sky"},
            {"ray", {pos = {0, 0, 0}, dir = {1, 0, 1}}, "far,sky"},
            {"ray", {pos = {0, 0, 0}, dir = {0, 0, -1}}, "sky"},
        }
        for _, c in ipairs(cases) do
            t.equal(names(scene:query(c[1], c[2])), c[3], c[1])
        end
        t.equal(names(scene:query("all")), "bare,far,near,sky")
        scene:dispose()
    end
end)

t.test("a moved node is found at its new place", function()
    local scene = Scene.createQuadTreeScene(100, 5)
    local mover = box(scene, "mover", -40, 0, -40, 0.5)
    local rig = scene:addNode()
    mover:addTo(rig)
    rig:setPosition(80, 0, 80)
    t.equal(names(scene:query("box", {pos = {40, 0, 40}, hsize = {1, 1, 1}})), "mover")
    t.equal(names(scene:query("box", {pos = {-40, 0, -40}, hsize = {1, 1, 1}})), "")
    scene:removeNode(rig, true)
    t.equal(names(scene:query("box", {pos = {40, 0, 40}, hsize = {1, 1, 1}})), "")
end)

t.done()
