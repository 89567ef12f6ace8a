-- display
-- timeout: 60
-- A native menu bar (Windows): clicks on the bar open its menus, items chosen
-- with the mouse or the menus' own keyboard navigation arrive as menu events,
-- greyed ones send nothing. Platforms without native menus draw their own bar
-- (menu_test.lua).
local t = require "testing"
local w = require "windowing"

if sys.platform() ~= "win32" then
    print("# skipped: the menu bar is drawn by the host here (menu_test.lua)")
    t.done()
    return
end

local frame = Frame.create{title = "menu-native", x = 60, y = 100, width = 300, height = 200}

local function menuEvents(events)
    local ids = {}
    for _, event in ipairs(w.only(events, "menu")) do
        ids[#ids + 1] = tostring(event.id)
    end
    return table.concat(ids, " ")
end

local function waitForMenu(what)
    return menuEvents(w.waitFor(frame, what, function(list) return #w.only(list, "menu") > 0 end, 10))
end

local bar = Menu.create()
local file = Menu.create()
local recent = Menu.create()
local edit = Menu.create()
file:addItem(101, "Open", "Super+O")
file:addItem(102, "Save")
file:addSeparator()
file:addSubMenu(recent, "Recent")
file:addItem(104, "Quit")
recent:addItem(201, "First")
edit:addItem(301, "Undo")
edit:addItem(302, "Redo")
edit:enableItem(301, false)
bar:addSubMenu(file, "File")
bar:addSubMenu(edit, "Edit")
bar:addItem(401, "Help")

w.run(function()
    local id = w.windowId("menu-native")
    w.focus(frame, id)
    local outer = w.capture("xdotool getwindowgeometry " .. id)

    frame:setMenuBar(bar)
    -- The window answers at once, in this frame.
    local resized = w.only(w.drain(frame), "resize")
    -- The frame holds its bar, and a parent keeps its submenus, after the scripts let go.
    bar, file, recent = nil, nil, nil
    collectgarbage()
    collectgarbage()

    local barHeight
    t.test("the bar takes its rows from the client area, the window keeps its size", function()
        local size = frame:getSize()
        t.equal(#resized > 0, true, "a resize event")
        t.equal(resized[#resized].height, size[2], "the resize event's height")
        t.equal(size[1], 300, "width")
        barHeight = 200 - size[2]
        t.equal(barHeight > 10 and barHeight < 40, true, "a bar of " .. barHeight .. " pixels")
        t.equal(w.capture("xdotool getwindowgeometry " .. id), outer, "outer geometry")
    end)

    -- Where the client area starts on the screen, from a motion event.
    w.xdo("mousemove 200 200")
    local moved = w.waitFor(frame, "motion", function(list) return #w.only(list, "mouse_motion") > 0 end)
    local motion = w.only(moved, "mouse_motion")
    local originX, originY = 200 - motion[#motion].x, 200 - motion[#motion].y
    local barY = originY - math.floor(barHeight / 2)
    local fileX = originX + 12

    -- An open menu runs its own loop inside the frame's pump, so the frame
    -- loop stops until the menu closes: each gesture is sent from the
    -- background, a step every 0.4 seconds, while the frames wait.
    local function gesture(...)
        local steps = {"sleep 0.3"}
        for _, step in ipairs{...} do
            steps[#steps + 1] = "xdotool " .. step
            steps[#steps + 1] = "sleep 0.4"
        end
        w.sh("(" .. table.concat(steps, "; ") .. ") >/dev/null 2>&1 &")
    end
    local fileBar = string.format("mousemove %d %d click 1", fileX, barY)

    t.test("an item clicked in a drop-down menu arrives with its identifier", function()
        -- The first row of the drop-down, just under the bar.
        gesture(fileBar, string.format("mousemove %d %d click 1", fileX + 20, originY + 10))
        t.equal(waitForMenu("Open"), "101")
    end)

    t.test("the menus' keyboard navigation reaches items and submenus", function()
        gesture(fileBar, "key Down Down", "key Return")
        t.equal(waitForMenu("Save"), "102")
        -- Open, Save, then Recent (the separator is passed over); Right opens it.
        gesture(fileBar, "key Down Down Down Right", "key Return")
        t.equal(waitForMenu("First"), "201")
    end)

    t.test("a greyed item sends nothing, and enabling it makes it choosable", function()
        -- Moving to the next menu selects its first item, the greyed Undo: Return there sends nothing.
        gesture(fileBar, "key Right Return", "key Escape Escape")
        local events = w.collect(frame, function() return false end, 3)
        t.equal(menuEvents(events), "", "events of the greyed Undo")

        edit:enableItem(301, true)
        w.nextFrame()
        gesture(fileBar, "key Right Return")
        t.equal(waitForMenu("Undo"), "301")
    end)

    t.test("an item on the bar itself is chosen at once", function()
        gesture(fileBar, "key Right Right Return")
        t.equal(waitForMenu("Help"), "401")
    end)

    t.test("a frame without a bar gets its rows back", function()
        frame:setMenuBar(nil)
        t.equal(frame:getSize()[2], 200)
    end)
end)
