-- quill's script library. require "quill" returns its modules and makes the
-- globals vec and mat (which the host calls to build values for scripts)
-- quill's own unless the game has defined its own first.
local vec = require "vec"
local mat = require "mat"

if rawget(_G, "vec") == nil then
    rawset(_G, "vec", vec)
end
if rawget(_G, "mat") == nil then
    rawset(_G, "mat", mat)
end

return { vec = vec, mat = mat }
