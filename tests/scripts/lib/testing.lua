-- A small test helper for script tests: prints "ok" / "not ok" lines and a
-- closing "# done:" summary, then ends the host with sys.exit.
local testing = {}

local passed, failed = 0, 0

local function describe(value)
    if type(value) == "string" then
        return string.format("%q", value)
    end
    return tostring(value)
end

function testing.test(name, body)
    local ok, err = xpcall(body, debug.traceback)
    local number = passed + failed + 1
    if ok then
        passed = passed + 1
        print(string.format("ok %d - %s", number, name))
    else
        failed = failed + 1
        print(string.format("not ok %d - %s", number, name))
        print("# " .. tostring(err):gsub("\n", "\n# "))
    end
end

function testing.equal(actual, expected, what)
    if actual ~= expected then
        error(string.format("%s: expected %s, got %s", what or "value", describe(expected), describe(actual)), 2)
    end
end

function testing.near(actual, expected, tolerance, what)
    if type(actual) ~= "number" or math.abs(actual - expected) > tolerance then
        error(string.format("%s: expected %s within %s, got %s", what or "value", describe(expected),
            describe(tolerance), describe(actual)), 2)
    end
end

-- The first count (default 4) elements of two vectors, each within tolerance.
function testing.nearVec(actual, expected, tolerance, what, count)
    for i = 1, count or 4 do
        testing.near(actual[i], expected[i], tolerance, (what or "vec") .. " [" .. i .. "]")
    end
end

-- The rows x, y, z, w of two matrices, each element within tolerance.
function testing.nearMat(actual, expected, tolerance, what, count)
    for _, row in ipairs({ "x", "y", "z", "w" }) do
        testing.nearVec(actual[row], expected[row], tolerance, (what or "mat") .. " " .. row, count)
    end
end

-- Writes text to a file in the test's folder.
function testing.writeFile(path, text)
    local file = assert(io.open(path, "wb"))
    file:write(text)
    file:close()
end

-- Calls fn, which must fail with a message containing text (plain match).
function testing.fails(fn, text)
    local ok, err = pcall(fn)
    if ok then
        error("expected an error containing " .. describe(text), 2)
    end
    if text and not string.find(tostring(err), text, 1, true) then
        error(string.format("expected an error containing %s, got %s", describe(text), describe(err)), 2)
    end
    return err
end

-- Prints the summary line.
function testing.summary()
    print(string.format("# done: %d passed, %d failed", passed, failed))
end

-- Prints the summary and ends the run after this frame.
function testing.done()
    testing.summary()
    sys.exit()
end

return testing
