-- The profiler's script face: frames, sections and the report.
local t = require "testing"

t.test("a measured frame with sections is drawn as debug text", function()
    Profiler.beginFrame()
    Profiler.beginBlock("update")
    Profiler.beginBlock("physics")
    Profiler.endBlock()
    Profiler.endBlock()
    Profiler.endBlock()
    Profiler.endFrame()
    Profiler.draw()
end)

t.test("a section needs a name", function()
    t.fails(function() Profiler.beginBlock() end, "string expected")
end)

t.done()
