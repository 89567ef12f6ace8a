-- archive: archive --compress --encrypt
-- The game's archive is mounted ahead of the disk; scripts read and require
-- through it, and open archives of their own.
local t = require "testing"

t.test("files in the mounted archive read through the file systems", function()
    t.equal(FileSystem.fileExists("data/hello.txt"), true)
    t.equal(FileSystem.readFile("data/hello.txt"), "hello from the archive\n")
    t.equal(FileSystem.fileLength("data/hello.txt"), 23)
    t.equal(FileSystem.fileExists("data\\hello.txt"), false, "another spelling hashes differently")
    local stream = FileInputStream.create("data/hello.txt")
    t.equal(stream:readBytes(5), "hello")
    t.equal(stream:getFilename(), "data/hello.txt")
end)

t.test("the archive wins over a file of the same name on disk", function()
    local file = io.open("shared.txt", "wb")
    file:write("disk copy")
    file:close()
    t.equal(FileSystem.readFile("shared.txt"), "archive copy")
end)

t.test("require finds modules in the archive", function()
    local thing = require "mods.deep.thing"
    t.equal(thing.where, "archive")
end)

t.test("ArchiveFileSystem.create reports a missing file", function()
    t.fails(function() ArchiveFileSystem.create("nowhere.dat") end, "Failed to open file nowhere.dat")
end)

-- Builds a plain archive with the stream classes, one entry per path.
local function writeArchive(path, files)
    local out = ByteArrayOutputStream.create()
    out:writeBytes("GRA2")
    out:writeInt(#files)
    local offset = 8 + 20 * #files
    for _, f in ipairs(files) do
        out:writeInt(sys.fnv32(f[1]))
        out:writeInt(offset)
        out:writeInt(0)
        out:writeInt(#f[2])
        out:writeInt(0)
        offset = offset + #f[2]
    end
    for _, f in ipairs(files) do
        out:writeBytes(f[2])
    end
    local file = FileOutputStream.create(path)
    file:writeBytes(ByteArrayOutputStream.getData(out))
    file:dispose()
end

t.test("an archive made by a script is searched only once mounted", function()
    writeArchive("extra.dat", { { "extra/one.txt", "one" }, { "shared.txt", "extra copy" } })
    local extra = ArchiveFileSystem.create("extra.dat")
    t.equal(FileSystem.fileExists("extra/one.txt"), false, "before mounting")
    t.equal(extra.fileExists, FileSystem.fileExists, "static functions are inherited")
    FileSystem.mount(extra)
    t.equal(FileSystem.readFile("extra/one.txt"), "one")
    t.equal(FileSystem.readFile("shared.txt"), "archive copy", "appended after the game's archive")
    extra:dispose()
    t.equal(FileSystem.fileExists("extra/one.txt"), false, "disposing unmounts it")
end)

t.test("a file that is not an archive is refused", function()
    t.fails(function() ArchiveFileSystem.create("init.lua") end, "Archive file init.lua is corrupted")
end)

t.done()
