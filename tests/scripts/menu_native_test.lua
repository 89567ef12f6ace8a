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

-- Lets a second pass so the menu's own loop has taken the input.
local function settle()
    local deadline = sys.clock() + 0.5
    local events = {}
    while sys.clock() < deadline do
        w.nextFrame()
        for _, event in ipairs(w.drain(frame)) do
            events[#events + 1] = event
        end
    end
    return events
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
    -- The frame holds its bar, and a parent keeps its submenus, after the scripts let go.
    bar, file, recent = nil, nil, nil
    collectgarbage()
    collectgarbage()

    local barHeight
    t.test("the bar takes its rows from the client area, the window keeps its size", function()
        local resized = w.waitFor(frame, "resize", function(list) return #w.only(list, "resize") > 0 end)
        local size = frame:getSize()
        local last = w.only(resized, "resize")
        t.equal(last[#last].height, size[2], "the resize event's height")
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

    local function click(x, y)
        w.xdo(string.format("mousemove %d %d click 1", x, y))
    end

    t.test("an item clicked in a drop-down menu arrives with its identifier", function()
        click(fileX, barY)
        settle()
        -- The first row of the drop-down, just under the bar.
        click(fileX + 20, originY + 10)
        t.equal(waitForMenu("Open"), "101")
    end)

    t.test("the menus' keyboard navigation reaches items and submenus", function()
        click(fileX, barY)
        settle()
        w.xdo("key Down Down")
        w.xdo("key Return")
        t.equal(waitForMenu("Save"), "102")

        click(fileX, barY)
        settle()
        -- Open, Save, then Recent (the separator is passed over); Right opens it.
        w.xdo("key Down Down Down Right")
        settle()
        w.xdo("key Return")
        t.equal(waitForMenu("First"), "201")
    end)

    t.test("a greyed item sends nothing, and enabling it makes it choosable", function()
        click(fileX, barY)
        settle()
        w.xdo("key Right Down Return")
        local events = settle()
        w.xdo("key Escape Escape")
        events = settle()
        t.equal(menuEvents(events), "", "events of the greyed Undo")

        edit:enableItem(301, true)
        w.nextFrame()
        click(fileX, barY)
        settle()
        w.xdo("key Right Down Return")
        t.equal(waitForMenu("Undo"), "301")
    end)

    t.test("an item on the bar itself is chosen at once", function()
        click(fileX, barY)
        settle()
        w.xdo("key Right Right Return")
        t.equal(waitForMenu("Help"), "401")
    end)

    t.test("a frame without a bar gets its rows back", function()
        frame:setMenuBar(nil)
        w.waitFor(frame, "resize", function() return frame:getSize()[2] == 200 end)
        t.equal(frame:getSize()[2], 200)
    end)
end)
