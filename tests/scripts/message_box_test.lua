-- display
-- Message boxes answered by real input: keys, and the window's close button.
local t = require "testing"

-- Starts, in the background, the answer to the box about to open. A loaded
-- machine may show the box before it takes input, so the answer is given
-- again each second for as long as the box is there.
local function answerRepeatedly(title, command)
    os.execute(string.format(
        "(id=$(xdotool search --sync --onlyvisible --name '^%s$' | head -n 1) && for i in $(seq 20); do " ..
        "sleep 1; xdotool search --onlyvisible --name '^%s$' >/dev/null || break; %s; done) >/dev/null 2>&1 &",
        title, title, command))
end

local function answerWithKey(title, key)
    -- A focus the box does not take would hold "--sync" for ever: the wait is bounded.
    answerRepeatedly(title, "timeout 3 xdotool windowfocus --sync $id; xdotool key " .. key)
end

local function answerWithCloseButton(title)
    answerRepeatedly(title, "\"$QUILL_BIN_DIR/quill_close_window\" $id")
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
