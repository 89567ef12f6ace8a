-- Every class table disposes and collects its handles through one function
-- value, so that dispose can be compared with __gc or wrapped as one.
local t = require "testing"

t.test("dispose is __gc in every class table", function()
    local classes = 0
    for name, class in pairs(_G) do
        if type(class) == "table" and rawget(class, "baseclass") then
            classes = classes + 1
            t.equal(rawget(class, "dispose") == rawget(class, "__gc"), true, name)
        end
    end
    t.equal(classes > 40, true, "classes found: " .. classes)
    t.equal(FileDate.dispose, FileDate.__gc)
end)

t.done()
