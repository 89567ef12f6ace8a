-- Disk operations on names outside ASCII, findFiles wildcards and file times,
-- as the operating system sees them (on Windows through the wide calls).
local t = require "testing"

local function write(path, text)
    local out = FileOutputStream.create(path)
    out:writeBytes(text)
    out:dispose()
end

local function sorted(list)
    table.sort(list)
    return table.concat(list, " ")
end

local folder = "données/日本語"
local name = folder .. "/straße ñ.txt"

t.test("files and folders with names outside ASCII", function()
    FileSystem.createPath(folder)
    t.equal(FileSystem.fileExists(folder), true, "the folder")
    write(name, "grüße")
    t.equal(FileSystem.fileExists(name), true)
    t.equal(FileSystem.fileLength(name), #"grüße")
    t.equal(FileSystem.readFile(name), "grüße")
    FileSystem.copyFile(name, "données/copie/Ωmega.txt")
    t.equal(FileSystem.readFile("données/copie/Ωmega.txt"), "grüße", "copy creates the target's folder")
    FileSystem.moveFile("données/copie/Ωmega.txt", "données/Ωmega-moved.txt")
    t.equal(FileSystem.fileExists("données/copie/Ωmega.txt"), false, "moved away")
    t.equal(sorted(FileSystem.findFiles("données", "*.txt", true)),
        "données/Ωmega-moved.txt données/日本語/straße ñ.txt")
    FileSystem.deleteFile("données/Ωmega-moved.txt")
    t.equal(FileSystem.fileExists("données/Ωmega-moved.txt"), false)

    local here = FileSystem.getCurrentDirectory()
    FileSystem.setCurrentDirectory(folder)
    t.equal(FileSystem.getCurrentDirectory():sub(-#"日本語"), "日本語")
    t.equal(FileSystem.readFile("straße ñ.txt"), "grüße", "relative to the new working directory")
    FileSystem.setCurrentDirectory(here)
    t.fails(function() FileSystem.setCurrentDirectory("nowhere-ü") end, "Set current directory failed: nowhere-ü")
end)

t.test("findFiles matches wildcards as Windows does", function()
    FileSystem.createPath("wild/sub")
    for _, file in ipairs({ "a.txt", "ab.txt", "abc.txt", "README", "b.TXT", "c.lua", "sub/d.txt" }) do
        write("wild/" .. file, "x")
    end
    local cases = {
        { "*.*", false, "wild/README wild/a.txt wild/ab.txt wild/abc.txt wild/b.TXT wild/c.lua" },
        { "*.txt", false, "wild/a.txt wild/ab.txt wild/abc.txt wild/b.TXT" },
        { "?b.txt", false, "wild/ab.txt" },
        { "README.*", false, "wild/README" },
        { "*.lua", true, "wild/c.lua" },
        { "*.txt", true, "wild/a.txt wild/ab.txt wild/abc.txt wild/b.TXT wild/sub/d.txt" },
        { "none.*", true, "" },
    }
    for _, case in ipairs(cases) do
        local pattern, recursive, expected = case[1], case[2], case[3]
        t.equal(sorted(FileSystem.findFiles("wild", pattern, recursive)), expected,
            pattern .. (recursive and " (recursive)" or ""))
    end
    local first = FileSystem.findFiles("wild", "*.*", true)
    t.equal(first[#first], "wild/sub/d.txt", "a folder's own files come before its subfolders'")
end)

t.test("file times are 100 ns steps since 1601 and survive a round trip", function()
    write("dated.txt", "now")
    local now = os.time()
    local stamped = FileSystem.fileDate("dated.txt"):toUnixTime()
    t.equal(math.abs(stamped - now) <= 5, true, "a new file is dated now (" .. stamped .. " against " .. now .. ")")
    for _, seconds in ipairs({ 0, 86400 * 365, 1700000000, 2000000000 }) do
        FileSystem.setFileDate("dated.txt", FileDate.createFromUnixTime(seconds))
        t.equal(FileSystem.fileDate("dated.txt"):toUnixTime(), seconds)
    end
    FileSystem.setFileDate(name, FileDate.createFromUnixTime(1234567890))
    t.equal(FileSystem.fileDate(name):toUnixTime(), 1234567890, "a name outside ASCII")
    t.equal(FileSystem.fileDate("missing.txt"):toUnixTime(), -11644473600, "no file: file time 0")
    FileSystem.setFileDate("missing.txt", FileDate.createFromUnixTime(5))
    t.equal(FileSystem.fileExists("missing.txt"), false, "stamping a missing file creates nothing")
end)

t.done()
