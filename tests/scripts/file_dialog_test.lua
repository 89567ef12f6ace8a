-- display
-- fixture: files
-- The desktop's file dialogs, answered by typing a path as a user would.
local t = require "testing"

if os.execute("command -v zenity >/dev/null 2>&1") ~= 0 then
    print("# zenity is not installed: the dialog tests are skipped")
    t.done()
    return
end

local root = sys.rootDirectory()

-- Types a path into the dialog about to open (its title matched as a pattern).
local function typeInto(titlePattern, text)
    os.execute(string.format(
        "(xdotool search --sync --onlyvisible --name '%s' windowfocus --sync sleep 3 type --delay 30 '%s'" ..
        " && xdotool sleep 0.5 key Return) >/dev/null 2>&1 &", titlePattern, text))
end

local function pressEscape(titlePattern)
    os.execute(string.format(
        "(xdotool search --sync --onlyvisible --name '%s' windowfocus --sync sleep 2 key Escape) >/dev/null 2>&1 &",
        titlePattern))
end

t.test("an open dialog returns the typed path; its title arrives intact", function()
    local title = 'Pick "one" file & go'
    typeInto('^Pick "one" file & go$', root .. "/top.txt")
    t.equal(sys.fileDialog({ title = title, extension = "txt", description = "Text", initialDir = root }),
        root .. "/top.txt")
end)

t.test("a save dialog adds the filter's extension to a bare name", function()
    typeInto("^Save File As$", root .. "/saved")
    t.equal(sys.fileDialog({ type = "save", extension = "lua", initialDir = root }), root .. "/saved.lua")
end)

t.test("a cancelled dialog returns no value", function()
    pressEscape("^Open File$")
    t.equal(select("#", sys.fileDialog({ initialName = string.rep("n", 300) })), 0)
    pressEscape("^Select Folder$")
    t.equal(select("#", sys.browseFolderDialog({})), 0)
end)

t.done()
