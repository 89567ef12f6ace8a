-- display
-- Message boxes answered by real input: keys, and the window's close button.
local t = require "testing"

-- Starts, in the background, the answer to the box about to open.
local function answerWithKey(title, key)
    os.execute(string.format(
        "(xdotool search --sync --onlyvisible --name '^%s$' windowfocus --sync sleep 1 key %s) >/dev/null 2>&1 &",
        title, key))
end

local function answerWithCloseButton(title)
    os.execute(string.format(
        "(id=$(xdotool search --sync --onlyvisible --name '^%s$') && sleep 1 && " ..
        "\"$QUILL_BIN_DIR/quill_close_window\" $id) >/dev/null 2>&1 &", title))
end

local cases = {
    { title = "Question One", buttons = "yes_no_cancel", answer = answerWithCloseButton, expected = "cancel" },
    { title = "Question Two", buttons = "ok_cancel", answer = answerWithCloseButton, expected = "cancel" },
    { title = "Question Three", buttons = "yes_no", key = "Return", expected = "yes" },
    { title = "Question Four", buttons = "retry_cancel", key = "Escape", expected = "cancel" },
    { title = "Question Five", buttons = nil, key = "Return", expected = "ok" },
}

for _, case in ipairs(cases) do
    t.test(string.format("%s answered by %s gives %s", case.buttons or "ok", case.key or "the close button",
        case.expected), function()
        if case.key then
            answerWithKey(case.title, case.key)
        else
            case.answer(case.title)
        end
        t.equal(sys.messageBox(case.title, "Pick one.", case.buttons), case.expected)
    end)
end

t.test("an unknown button set is rejected", function()
    t.fails(function() sys.messageBox("x", "y", "OK") end, "invalid enum")
end)

t.done()
