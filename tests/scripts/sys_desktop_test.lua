-- display
-- The machine as scripts see it: screen, memory, clipboard, GUIDs, folders.
local t = require "testing"

t.test("the desktop has the screen's size and a work area inside it", function()
    local width, height = sys.getDesktopDisplayMode()
    t.equal(width, 1280, "width")
    t.equal(height, 1024, "height")
    local left, top, right, bottom = sys.systemParametersInfo("work_area")
    assert(left >= 0 and top >= 0 and right <= width and bottom <= height and right > left and bottom > top)
    t.fails(function() sys.systemParametersInfo("desktop") end, "invalid enum")
end)

t.test("memory figures are real", function()
    local memory = sys.getMemoryStatus()
    assert(memory.TotalPhysical > 0 and memory.AvailablePhysical > 0)
    assert(memory.TotalPhysical >= memory.AvailablePhysical)
    assert(memory.TotalVirtual >= memory.TotalPhysical and memory.AvailableVirtual > 0)
end)

t.test("the clipboard gives back what was put on it, up to a zero byte", function()
    sys.setClipboard("quill clipboard \195\169")
    t.equal(sys.getClipboard(), "quill clipboard \195\169")
    sys.setClipboard("before\0after")
    t.equal(sys.getClipboard(), "before")
end)

t.test("GUIDs are version 4, lowercase and unique", function()
    local seen = {}
    for _ = 1, 5000 do
        local guid = sys.createGuid()
        assert(guid:match("^%x%x%x%x%x%x%x%x%-%x%x%x%x%-4%x%x%x%-[89ab]%x%x%x%-%x%x%x%x%x%x%x%x%x%x%x%x$"), guid)
        assert(guid == guid:lower(), guid)
        assert(not seen[guid], "repeated " .. guid)
        seen[guid] = true
    end
end)

t.test("the documents folder is made with its parents", function()
    sys.setCompanyName("Desk Co")
    sys.setApplicationName("Desk App")
    local folder = sys.getSystemFolder("documents")
    if sys.platform() == "win32" then
        -- The shell's Documents folder, wherever the user has it.
        assert(folder:find("[/\\]Documents/Desk Co/Desk App$"), folder)
    else
        t.equal(folder, os.getenv("HOME") .. "/Documents/Desk Co/Desk App")
    end
    t.equal(FileSystem.fileExists(folder), true)
    t.fails(function() sys.getSystemFolder("music") end, "invalid enum")
end)

t.test("locales switch between C and the user's", function()
    sys.setLocale("user")
    sys.setLocale("default")
    t.equal(string.format("%.1f", 1.5), "1.5")
    t.fails(function() sys.setLocale("fr") end, "invalid enum")
end)

t.test("dialog options are checked before anything is shown", function()
    t.fails(function() sys.fileDialog("x") end, "table expected")
    t.fails(function() sys.fileDialog({ type = "pick" }) end, "invalid dialog type")
    t.fails(function() sys.fileDialog({ parent = FileDate.createFromUnixTime(0) }) end, "Frame expected")
    t.fails(function() sys.browseFolderDialog({ parent = 3 }) end, "Frame expected")
end)

t.done()
