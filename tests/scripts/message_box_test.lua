-- display
-- Message boxes answered by real input: keys, and the window's close button.
local t = require "testing"
local desktop = require "desktop"

local function answerWithKey(title, key)
    return desktop.answerWithKeys("^" .. title .. "$", key)
end

-- Windows' close button sends the window the same close command as Alt+F4;
-- elsewhere the close request comes as a window manager sends it.
local function answerWithCloseButton(title)
    if desktop.windows then
        return desktop.answerWithKeys("^" .. title .. "$", "alt+F4")
    else
        return desktop.answer("^" .. title .. "$", "\"$QUILL_BIN_DIR/quill_close_window\" $id")
    end
end

local cases = {
    { title = "Question One", buttons = "yes_no_cancel", expected = "cancel" },
    { title = "Question Two", buttons = "ok_cancel", expected = "cancel" },
    { title = "Question Three", buttons = "yes_no", key = "Return", expected = "yes" },
    { title = "Question Four", buttons = "retry_cancel", key = "Escape", expected = "cancel" },
    { title = "Question Five", buttons = nil, key = "Return", expected = "ok" },
}
if desktop.windows then
    -- Windows' boxes choose a button by its underlined letter.
    cases[#cases + 1] = { title = "Question Six", buttons = "yes_no_cancel", key = "n", expected = "no" }
end

for _, case in ipairs(cases) do
    t.test(string.format("%s answered by %s gives %s", case.buttons or "ok", case.key or "the close button",
        case.expected), function()
        local answered
        if case.key then
            answered = answerWithKey(case.title, case.key)
        else
            answered = answerWithCloseButton(case.title)
        end
        local result = sys.messageBox(case.title, "Pick one.", case.buttons)
        answered()
        t.equal(result, case.expected)
    end)
end

t.test("an unknown button set is rejected", function()
    t.fails(function() sys.messageBox("x", "y", "OK") end, "invalid enum")
end)

t.done()
