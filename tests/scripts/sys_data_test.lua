-- The data functions of sys, raw_bytes_to_float and the host's math.random.
local t = require "testing"

local phase = sys.args().phase or "first"

if phase == "first" then
    t.test("fnv32 hashes bytes", function()
        t.equal(sys.fnv32(""), 2166136261)
        t.equal(sys.fnv32("a"), 3826002220)
        t.equal(sys.fnv32("a\0b"), sys.fnv32("a\0b"))
        t.equal(sys.fnv32("a/b.lua") ~= sys.fnv32("a\\b.lua"), true)
    end)

    t.test("compress and uncompress round trip", function()
        for _, data in ipairs({ "", "x", string.rep("abc", 1000), "\0\1\2\255" }) do
            local packed = sys.compress(data)
            t.equal(sys.uncompress(packed), data)
            t.equal(packed:sub(1, 4), string.char(#data % 256, math.floor(#data / 256) % 256, 0, 0), "length header")
        end
        t.equal(#sys.compress(string.rep("a", 10000)) < 100, true, "repetitive data shrinks")
        t.fails(function() sys.uncompress("ab") end, "corrupted or incomplete data (Z_DATA_ERROR)")
        t.fails(function() sys.uncompress("\255\255\255\127junk") end, "corrupted or incomplete data (Z_DATA_ERROR)")
        local packed = sys.compress("hello hello")
        t.fails(function() sys.uncompress("\12" .. packed:sub(2)) end, "corrupted or incomplete data (Z_DATA_ERROR)")
    end)

    t.test("encrypt and decrypt", function()
        local data = "some secret bytes\0with a zero"
        local sealed = sys.encrypt(data, "key")
        t.equal(#sealed, #data)
        t.equal(sealed ~= data, true)
        t.equal(sys.decrypt(sealed, "key"), data)
        t.equal(sys.decrypt(sealed, "key", "arc4-drop768"), data)
        t.equal(sys.encrypt(data, "kez") ~= sealed, true)
        t.fails(function() sys.encrypt(data, "key", "arc4") end, "invalid enum")
        t.fails(function() sys.encrypt(data, "") end, "empty key")
    end)

    t.test("raw_bytes_to_float", function()
        t.equal(raw_bytes_to_float(0, 0, 128, 63), 1.0)
        t.equal(raw_bytes_to_float("\0\0\128\63"), 1.0)
        t.equal(raw_bytes_to_float(256, 256, 128 + 256, 63 + 512), 1.0, "low 8 bits")
        t.equal(raw_bytes_to_float(0, 0, 0, 192), -2.0)
        t.fails(function() raw_bytes_to_float("abc") end, "invalid number of bytes")
    end)

    t.test("math.random follows the host's generator", function()
        math.randomseed(5489)
        t.equal(math.random(), 0.8147236704826355)
        for _ = 1, 200 do
            local r = math.random(5, 2)
            assert(r >= 2 and r <= 5 and r == math.floor(r), r)
            local z = math.random(0)
            assert(z == 0 or z == 1, z)
            local one = math.random(3)
            assert(one >= 1 and one <= 3, one)
            local f = math.random()
            assert(f >= 0 and f <= 1, f)
        end
        t.fails(function() math.random(1, 2, 3) end, "invalid number of arguments")
    end)

    math.randomseed(77)
    local first = math.random(1000000)
    local second = math.random(1000000)
    math.randomseed(77)
    t.equal(math.random(1000000), first, "reseeding repeats the sequence")
    sys.displayFunc(function() sys.restart({ phase = "second", expected = second }) end)
else
    t.test("the generator's state survives a restart", function()
        t.equal(math.random(1000000), tonumber(sys.args().expected))
    end)
    t.done()
end
