-- fixture: modules
-- Modules come from package.path first, then through the file systems.
local t = require "testing"

t.test("package.path starts at the working folder, then the root's lib", function()
    t.equal(package.path, "./?.lua;" .. sys.rootDirectory() .. "/lib/?.lua")
end)

t.test("a.b is found as a/b.lua from a subfolder", function()
    FileSystem.setCurrentDirectory("sub")
    t.equal(require("a.b").name, "sub/a/b")
    FileSystem.setCurrentDirectory(sys.rootDirectory())
end)

FileSystem.addSearchPath("mods")
FileSystem.addSearchPath("more")

t.test("the file systems and search paths find what package.path does not", function()
    t.equal(require("x.y").name, "x/y")
end)

t.test("lib/ is tried through the file systems last", function()
    t.equal(require("z.w").name, "lib/z/w")
end)

t.test("a game's own vec.lua wins over quill's, and the global stays quill's", function()
    local quillVec = vec
    t.equal(require("vec").name, "mods/vec")
    t.equal(vec, quillVec, "global vec")
    t.equal(require("mat"), mat, "quill's mat")
    t.equal(getmetatable(mat.identity().x), quillVec.metatable, "mat keeps quill's vec")
end)

t.test("a module that does not compile reports why", function()
    t.fails(function() require "broken" end, "broken.lua")
end)

t.test("a module's chunk is named by its path", function()
    t.fails(function() require "failing" end, '[string "failing.lua"]:1: module failed')
end)

t.test("a module found nowhere is not found", function()
    t.fails(function() require "nowhere.at.all" end, "module 'nowhere.at.all' not found")
end)

t.test("dofile and loadfile read through the file systems", function()
    t.equal(dofile("x/y.lua").name, "x/y")
    local chunk = loadfile("x/y.lua")
    t.equal(chunk().name, "x/y")
    local none, message = loadfile("missing.lua")
    t.equal(none, nil)
    t.equal(message, "File not found: missing.lua")
    t.fails(function() dofile("missing.lua") end, "File not found: missing.lua")
    local err = t.fails(function() dofile("failing.lua") end, "failing.lua:1: module failed")
    assert(not err:find("[string", 1, true), "a file chunk is named @path")
end)

t.done()
