-- archive: archive
-- A plain archive: everything in it is read straight from the mapped file.
local t = require "testing"

t.test("plain entries read back", function()
    t.equal(FileSystem.readFile("data/hello.txt"), "hello from the archive\n")
    local stream = FileInputStream.create("shared.txt")
    t.equal(stream:availableBytes(), 12)
    stream:seek(8)
    t.equal(stream:readBytes(4), "copy")
    t.fails(function() stream:readByte() end, "Read failed on file shared.txt")
    t.fails(function() stream:seek(13) end, "Seek failed on file shared.txt")
end)

t.done()
