-- The script API reference (docs/api/) names every class, function, property
-- and global a script can reach, and nothing that is gone. The driver's
-- environment gives the reference folder as QUILL_API_REFERENCE.
--
-- Reference entries are headings whose text starts with a code span:
--   ## `Node`                    a class (or `sys`, `vec`, `mat`, `Handle`)
--   ### `Node.create(name)`      a function called on the class or module
--   ### `Node:setPosition(x, y, z)`  a method called on a handle
--   ### `Node.Position`          a property; "(read-only)" after the span
--                                when the class has no setter for it
--   ### `print(...)`             a global function
-- Entries may sit deeper (####) under headings of their own.
-- A property's entry covers its accessors getX and setX. `Handle` is the
-- class every handle derives from.
local t = require "testing"
require "quill" -- the globals vec and mat, as every game gets them

-- The globals Lua and LuaJIT bring; the host's own come on top of these.
local standardGlobals = {}
for name in ([[_G _VERSION assert bit collectgarbage coroutine debug error gcinfo getfenv
    getmetatable io ipairs jit load loadstring math module newproxy next os package pairs
    pcall rawequal rawget rawset require select setfenv setmetatable string table tonumber
    tostring type unpack xpcall]]):gmatch("%S+") do
    standardGlobals[name] = true
end

-- Standard functions the host replaces with its own.
local replacedGlobals = { print = true, dofile = true, loadfile = true }
local replacedMembers = { math = { random = true, randomseed = true } }

local function isClass(value)
    return type(value) == "table" and rawget(value, "baseclass") ~= nil and rawget(value, "type") ~= nil
end

local function sortedKeys(set)
    local keys = {}
    for key in pairs(set) do
        keys[#keys + 1] = key
    end
    table.sort(keys)
    return keys
end

-- What the host offers scripts, walked from the live tables:
--   classes[name] = { table = t, own = {function names}, properties = {own property names} }
--   modules[name] = { table = t, members = {member names} }
--   functions[name] = true
local function walkApi(globals)
    local api = { classes = {}, modules = {}, functions = {} }
    local root
    for name, value in pairs(globals) do
        if isClass(value) then
            local base = rawget(value, "baseclass")
            local own, properties = {}, {}
            for key, member in pairs(value) do
                if type(key) == "string" and type(member) == "function" and not key:match("^__")
                    and rawget(base, key) ~= member then
                    own[key] = true
                end
            end
            local baseProperties = rawget(base, "properties") or {}
            for key in pairs(rawget(value, "properties") or {}) do
                if not baseProperties[key] then
                    properties[key] = true
                end
            end
            api.classes[name] = { table = value, own = own, properties = properties }
            if rawget(base, "baseclass") == nil then
                root = base
            end
        elseif standardGlobals[name] then
            if replacedMembers[name] then
                api.modules[name] = { table = value, members = replacedMembers[name], partial = true }
            end
        elseif type(value) == "function" then
            api.functions[name] = true
        elseif type(value) == "table" then
            local members = {}
            for key in pairs(value) do
                if type(key) == "string" then
                    members[key] = true
                end
            end
            api.modules[name] = { table = value, members = members }
        end
    end
    if root then
        local own = {}
        for key, member in pairs(root) do
            if type(key) == "string" and type(member) == "function" and not key:match("^__") then
                own[key] = true
            end
        end
        api.classes.Handle = { table = root, own = own, properties = {} }
    end
    return api
end

-- The entries of the reference text: sections[name] and entries[i] = {owner, member, separator, line, readOnly}.
local function parseReference(text, file)
    local doc = { sections = {}, entries = {}, globals = {} }
    local number = 0
    for line in (text .. "\n"):gmatch("([^\n]*)\n") do
        number = number + 1
        local hashes, code, rest = line:match("^(#+)%s+`([^`]+)`(.*)$")
        local where = file .. ":" .. number
        if hashes == "##" then
            doc.sections[code] = where
        elseif hashes and #hashes >= 3 then
            local owner, separator, member, after = code:match("^([%a_][%w_]*)([.:])([%a_][%w_]*)(.*)$")
            if owner then
                doc.entries[#doc.entries + 1] = {
                    owner = owner, member = member, separator = separator, where = where,
                    call = after:match("^%s*%(") ~= nil, readOnly = rest:find("(read-only)", 1, true) ~= nil,
                }
            else
                local name = code:match("^([%a_][%w_]*)%s*%(")
                if name then
                    doc.globals[name] = where
                else
                    doc.entries[#doc.entries + 1] = { bad = code, where = where }
                end
            end
        end
    end
    return doc
end

local function merge(docs)
    local all = { sections = {}, entries = {}, globals = {} }
    for _, doc in ipairs(docs) do
        for name, where in pairs(doc.sections) do all.sections[name] = where end
        for name, where in pairs(doc.globals) do all.globals[name] = where end
        for _, entry in ipairs(doc.entries) do all.entries[#all.entries + 1] = entry end
    end
    return all
end

-- The property that an accessor name reads or writes, if the class has it.
local function accessedProperty(class, name)
    local property = name:match("^[gs]et(%u[%w_]*)$")
    local properties = rawget(class.table, "properties") or {}
    if property and properties[property] then
        return property
    end
end

-- Compares the live API with the reference; returns the sorted lists of
-- missing names, stale names and other mistakes.
local function compare(api, doc)
    local documented = {}
    for _, entry in ipairs(doc.entries) do
        if entry.owner then
            documented[entry.owner .. "." .. entry.member] = entry
        end
    end
    -- An entry of the class or of any class it derives from.
    local function documentedIn(className, member)
        local class = api.classes[className]
        local value = class and class.table
        while value do
            local name = rawget(value, "type")
            if name == "quill.root_class" then name = "Handle" end
            if documented[name .. "." .. member] then
                return true
            end
            value = rawget(value, "baseclass")
        end
        return false
    end

    local missing, stale, wrong = {}, {}, {}
    for name, class in pairs(api.classes) do
        if not doc.sections[name] then
            missing[#missing + 1] = name
        end
        for member in pairs(class.own) do
            local property = accessedProperty(class, member)
            if not documented[name .. "." .. member] and not (property and documentedIn(name, property)) then
                missing[#missing + 1] = name .. "." .. member
            end
        end
        for property in pairs(class.properties) do
            if not documented[name .. "." .. property] then
                missing[#missing + 1] = name .. "." .. property
            end
        end
    end
    for name, module in pairs(api.modules) do
        if not module.partial and not doc.sections[name] then
            missing[#missing + 1] = name
        end
        for member in pairs(module.members) do
            if not documented[name .. "." .. member] then
                missing[#missing + 1] = name .. "." .. member
            end
        end
    end
    for name in pairs(api.functions) do
        if not doc.globals[name] then
            missing[#missing + 1] = name
        end
    end
    for name in pairs(replacedGlobals) do
        if not doc.globals[name] then
            missing[#missing + 1] = name
        end
    end

    for name, where in pairs(doc.sections) do
        if not api.classes[name] and not (api.modules[name] and not api.modules[name].partial) then
            stale[#stale + 1] = name .. " (" .. where .. ")"
        end
    end
    for name, where in pairs(doc.globals) do
        if not api.functions[name] and not replacedGlobals[name] then
            stale[#stale + 1] = name .. " (" .. where .. ")"
        end
    end
    for _, entry in ipairs(doc.entries) do
        local label = (entry.owner or entry.bad or "?") .. (entry.owner and entry.separator .. entry.member or "")
            .. " (" .. entry.where .. ")"
        if entry.bad then
            wrong[#wrong + 1] = label .. ": not a Class.member, Class:method or global(...) entry"
        elseif api.classes[entry.owner] then
            local class = api.classes[entry.owner].table
            local properties = rawget(class, "properties") or {}
            if properties[entry.member] and not entry.call then
                local hasSetter = type(class["set" .. entry.member]) == "function"
                if entry.readOnly == hasSetter then
                    wrong[#wrong + 1] = label .. (hasSetter and ": has a setter, so it is not read-only"
                        or ": has no setter, mark it (read-only)")
                end
            elseif type(rawget(class, entry.member)) ~= "function" then
                stale[#stale + 1] = label
            end
        elseif api.modules[entry.owner] then
            if entry.separator ~= "." or not api.modules[entry.owner].members[entry.member] then
                stale[#stale + 1] = label
            end
        else
            stale[#stale + 1] = label
        end
    end
    table.sort(missing)
    table.sort(stale)
    table.sort(wrong)
    return missing, stale, wrong
end

local function report(missing, stale, wrong)
    local lines = {}
    if #missing > 0 then
        lines[#lines + 1] = "not in the reference: " .. table.concat(missing, ", ")
    end
    if #stale > 0 then
        lines[#lines + 1] = "in the reference but not in the host: " .. table.concat(stale, ", ")
    end
    for _, mistake in ipairs(wrong) do
        lines[#lines + 1] = mistake
    end
    return table.concat(lines, "\n")
end

-- The comparison itself, on a made-up class and reference, so that a fault in
-- the walk or the parser cannot pass the real check by finding nothing.
t.test("the check names missing, stale and mismarked entries", function()
    local root = { type = "quill.root_class", dispose = function() end }
    local function accessor() end
    local Thing = { type = "Thing", baseclass = root, dispose = root.dispose, properties = { Size = true, Id = true },
        create = function() end, getSize = accessor, setSize = accessor, getId = accessor, poke = function() end }
    local api = walkApi({ Thing = Thing, tool = { run = function() end }, helper = function() end,
        string = string, print = print, dofile = dofile, loadfile = loadfile, math = math })
    local doc = parseReference(table.concat({
        "# Things", "## `Thing`", "### `Thing.create()`", "### `Thing.Size` (read-only)", "### `Thing.Id`",
        "### `Thing:gone()`", "## `Handle`", "### `Handle:dispose()`", "## `tool`", "### `tool.run()`",
        "### `print(...)`", "### `dofile(path)`", "### `loadfile(path)`", "### `math.random()`",
        "### `nothing()`", "## Prose `headings` are free",
    }, "\n"), "fake.md")
    local missing, stale, wrong = compare(api, doc)
    t.equal(table.concat(missing, " "), "Thing.poke helper math.randomseed")
    t.equal(table.concat(stale, " "), "Thing:gone (fake.md:6) nothing (fake.md:15)")
    t.equal(table.concat(wrong, " | "), "Thing.Id (fake.md:5): has no setter, mark it (read-only) | "
        .. "Thing.Size (fake.md:4): has a setter, so it is not read-only")
end)

local folder = os.getenv("QUILL_API_REFERENCE")

-- Every page of the reference as {name, text}.
local function readPages()
    assert(folder, "QUILL_API_REFERENCE names no folder")
    local pages = {}
    for _, path in ipairs(FileSystem.findFiles(folder, "*.md")) do
        pages[#pages + 1] = { name = FileSystem.stripPath(path), text = FileSystem.readFile(path) }
    end
    assert(#pages > 1, "no reference pages in " .. folder)
    return pages
end

t.test("the reference folder is there and its index links every page", function()
    local pages = readPages()
    local index = FileSystem.readFile(folder .. "/README.md")
    local linked = {}
    for page in index:gmatch("%]%(([%w_%-]+%.md)%)") do
        linked[page] = true
    end
    local unlinked = {}
    for _, page in ipairs(pages) do
        if page.name ~= "README.md" and not linked[page.name] then
            unlinked[#unlinked + 1] = page.name
        end
        linked[page.name] = nil
    end
    linked["README.md"] = nil
    t.equal(table.concat(unlinked, ", "), "", "pages the index does not link")
    t.equal(table.concat(sortedKeys(linked), ", "), "", "pages the index links that do not exist")
end)

t.test("every script-facing name has an entry and every entry names something that exists", function()
    local docs = {}
    for _, page in ipairs(readPages()) do
        docs[#docs + 1] = parseReference(page.text, page.name)
    end
    local message = report(compare(walkApi(_G), merge(docs)))
    if message ~= "" then
        error("\n" .. message, 0)
    end
end)

-- The examples are meant to be copied: each must at least compile.
t.test("every Lua example in the reference compiles", function()
    local broken = {}
    for _, page in ipairs(readPages()) do
        local line, start, block = 0, nil, nil
        for row in (page.text .. "\n"):gmatch("([^\n]*)\n") do
            line = line + 1
            if block then
                if row:match("^```") then
                    local ok, err = loadstring(table.concat(block, "\n"), "=" .. page.name .. ", example at line " .. start)
                    if not ok then
                        broken[#broken + 1] = err
                    end
                    block = nil
                else
                    block[#block + 1] = row
                end
            elseif row:match("^```lua") then
                block, start = {}, line
            end
        end
    end
    t.equal(table.concat(broken, "; "), "", "examples that do not compile")
end)

t.done()
