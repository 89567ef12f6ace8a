-- display
-- timeout: 60
-- A menu bar on a real window: menus open with clicks through the X server,
-- chosen items arrive as menu events, greyed ones send nothing.
local t = require "testing"
local w = require "windowing"

local frame = Frame.create{title = "menu-test", x = 60, y = 100, width = 300, height = 200}

-- The bar's layout: rows of 21 pixels in the built-in 8-pixel font, the bar
-- just above the frame, each bar entry its text plus 8 pixels either side.
local left, top = 60, 100
local row = 21
-- A drop-down menu opens under its bar entry, which starts at start.
local function barEntry(start) return left + start + 20, top - 10 end
local function dropDownRow(y, start) return left + (start or 0) + 20, top + 1 + y + 10 end

local function visibleWindows(title)
    local count = 0
    for _ in w.capture("xdotool search --onlyvisible --name '^" .. title .. "$' 2>/dev/null"):gmatch("%d+") do
        count = count + 1
    end
    return count
end

-- Waits frame by frame until this many drop-down menus are open.
local function waitForDropDowns(count)
    local deadline = sys.clock() + 10
    while visibleWindows("menu") ~= count do
        if sys.clock() > deadline then
            error("timed out waiting for " .. count .. " open menus", 2)
        end
        w.nextFrame()
    end
end

local function click(x, y)
    w.xdo(string.format("mousemove %d %d click 1", x, y))
end

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

t.test("wrong arguments are refused", function()
    t.fails(function() frame:setMenuBar(frame) end, "Menu expected")
    t.fails(function() bar:addSubMenu(bar, "Self") end, "its own submenu")
    t.fails(function() bar:addItem("x", "Text") end, "number expected")
end)

frame:setMenuBar(bar)
-- The frame holds its bar, and a parent shows its submenus, after the scripts let go.
bar, file, recent = nil, nil, nil
collectgarbage()
collectgarbage()

w.run(function()
    local id = w.windowId("menu-test")
    w.focus(frame, id)

    t.test("a bar leaves the frame's client size alone", function()
        local size = frame:getSize()
        t.equal(size[1] .. "x" .. size[2], "300x200")
        t.equal(visibleWindows("menu bar"), 1, "the bar is up")
    end)

    t.test("an item chosen in a drop-down menu arrives with its identifier", function()
        click(barEntry(0))
        waitForDropDowns(1)
        click(dropDownRow(0))
        t.equal(waitForMenu("Open"), "101")
        waitForDropDowns(0)

        -- Pressed on the bar, dragged down and released over an item.
        w.xdo(string.format("mousemove %d %d mousedown 1", barEntry(0)))
        waitForDropDowns(1)
        w.xdo(string.format("mousemove %d %d mouseup 1", dropDownRow(row)))
        t.equal(waitForMenu("Save"), "102")
        waitForDropDowns(0)
    end)

    t.test("a submenu opens beside its entry", function()
        click(barEntry(0))
        waitForDropDowns(1)
        -- Open, Save, the separator (9 pixels), then Recent.
        local x, y = dropDownRow(2 * row + 9)
        click(x, y)
        waitForDropDowns(2)
        -- The drop-down is 136 pixels wide: "Open" and "Ctrl+O" with the gap between.
        click(left + 134 + 20, y)
        t.equal(waitForMenu("First"), "201")
        waitForDropDowns(0)
    end)

    t.test("a greyed item sends nothing, and enabling it makes it choosable", function()
        -- "File" takes 48 pixels of the bar, "Edit" comes next.
        click(barEntry(48))
        waitForDropDowns(1)
        click(dropDownRow(0, 48))
        -- The greyed Undo left the menu open: Redo is next to it.
        click(dropDownRow(row, 48))
        t.equal(waitForMenu("Redo"), "302", "only Redo was sent")

        edit:enableItem(301, true)
        click(barEntry(48))
        waitForDropDowns(1)
        click(dropDownRow(0, 48))
        t.equal(waitForMenu("Undo"), "301")
    end)

    t.test("an item on the bar itself is chosen at once", function()
        click(barEntry(96))
        t.equal(waitForMenu("Help"), "401")
    end)

    t.test("a frame without a bar shows none", function()
        frame:setMenuBar(nil)
        local deadline = sys.clock() + 10
        while visibleWindows("menu bar") ~= 0 and sys.clock() < deadline do
            w.nextFrame()
        end
        t.equal(visibleWindows("menu bar"), 0)
    end)
end)
