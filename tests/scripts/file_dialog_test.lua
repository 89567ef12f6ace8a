-- display
-- fixture: files
-- timeout: 120
-- The system's file dialogs, answered by typing a path as a user would.
local t = require "testing"
local desktop = require "desktop"

if not desktop.windows and os.execute("command -v zenity >/dev/null 2>&1") ~= 0 then
    print("# zenity is not installed: the dialog tests are skipped")
    t.done()
    return
end

local root = sys.rootDirectory()

-- A path as the dialogs give it back: Windows' use its own separator.
local function native(path)
    return desktop.windows and (path:gsub("/", "\\")) or path
end

-- Types a path into the dialog about to open (its title matched as a pattern).
local function typeInto(titlePattern, text)
    desktop.background(string.format(
        "timeout 60 xdotool search --sync --onlyvisible --name '%s' windowfocus --sync sleep 3 type --delay 30 '%s'" ..
        " && xdotool sleep 0.5 key Return", titlePattern, text))
end

local function pressKey(titlePattern, key)
    desktop.background(string.format(
        "timeout 60 xdotool search --sync --onlyvisible --name '%s' windowfocus --sync sleep 3 key %s", titlePattern, key))
end

t.test("an open dialog returns the typed path; its title arrives intact", function()
    local title = 'Pick "one" file & go'
    typeInto('^Pick "one" file & go$', native(root .. "/top.txt"))
    t.equal(sys.fileDialog({ title = title, extension = "txt", description = "Text", initialDir = root }),
        native(root .. "/top.txt"))
end)

t.test("a save dialog adds the filter's extension to a bare name", function()
    typeInto("^Save File As$", native(root .. "/saved"))
    t.equal(sys.fileDialog({ type = "save", extension = "lua", initialDir = root }), native(root .. "/saved.lua"))
end)

t.test("an initial name with a folder in it is offered as it is", function()
    pressKey("^Save File As$", "Return")
    t.equal(sys.fileDialog({ type = "save", extension = "txt", initialDir = root, initialName = "data/new.txt" }),
        native(root .. "/data/new.txt"))
end)

-- Windows' folder browser has its own caption and shows the title inside.
local folderCaption = desktop.windows and "^Browse for Folder$" or "^Select Folder$"

-- Windows' browser opens on a folder that Return accepts; the desktop's
-- folder chooser on Linux is answered with Escape alone below.
if desktop.windows then
    t.test("the folder dialog returns the folder it was left on", function()
        pressKey(folderCaption, "Return")
        local folder = sys.browseFolderDialog({ title = "Pick a folder" })
        assert(folder and FileSystem.fileExists(folder), "not a folder: " .. tostring(folder))
    end)
end

t.test("a cancelled dialog returns no value", function()
    pressKey("^Open File$", "Escape")
    t.equal(select("#", sys.fileDialog({ initialName = string.rep("n", 300) })), 0)
    pressKey(folderCaption, "Escape")
    t.equal(select("#", sys.browseFolderDialog({})), 0)
end)

t.done()
