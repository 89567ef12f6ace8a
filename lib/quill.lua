-- quill's script library. require "quill" returns its modules. The host makes
-- the globals vec and mat (which it calls to build values for scripts) quill's
-- own before the main script runs; this puts them back when a script cleared them.
local vec = require "vec"
local mat = require "mat"

if rawget(_G, "vec") == nil then
    rawset(_G, "vec", vec)
end
if rawget(_G, "mat") == nil then
    rawset(_G, "mat", mat)
end

return { vec = vec, mat = mat }
