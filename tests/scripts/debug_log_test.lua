-- display
-- timeout: 100
-- fixture: shaders
-- A quiet console: a game that opens a window, starts the OpenGL renderer and
-- draws a frame prints its own lines and nothing of the debug log, which goes
-- to "debug.log" beside "error.log" (and to stderr too with QUILL_DEBUG=1).
local t = require "testing"

local function read(path)
    local file = io.open(path, "rb")
    if not file then
        return ""
    end
    local text = file:read("*a")
    file:close()
    return text
end

local function run(command)
    local pipe = io.popen(command)
    local text = pipe:read("*a")
    pipe:close()
    return text
end

local game = [[
sys.setCompanyName("Debug Tests")
sys.setApplicationName("Quiet")
local frame = Frame.create{title = "quiet-start", width = 64, height = 48}
assert(EngineSystems.create{width = 64, height = 48})
local renderer = Renderer.active()
local scene = Scene.createSimpleScene()
scene:createMesh(Mesh.createBox(1, 1, 1))
scene:createLight("ambient", {0.2, 0.2, 0.2})
local camera = Camera.create(1, 0.75, 0.1, 100)
camera:setPosition(0, 0, -4)
sys.displayFunc(function()
    renderer:beginRender()
    renderer:renderScene(scene, camera)
    renderer:endRender()
    print("the game's own line")
    sys.exit()
end)
]]

run("mkdir -p quiet && cp -R shaders tallowen.dat quiet/")
t.writeFile("quiet/init.lua", game)
local logPath = os.getenv("HOME") .. "/Documents/Debug Tests/Quiet/debug.log"

-- Runs the game with the given environment prefix; its exit code, stdout and stderr.
local function start(environment)
    local status = run("cd quiet && " .. environment .. " timeout 60 \"$QUILL_BIN_DIR/quill\" >out.txt 2>err.txt; echo $?")
    return status, read("quiet/out.txt"), read("quiet/err.txt")
end

local debugLines = { "GL_VERSION: ", "GL_EXTENSIONS: ", "Compiling shader " }

t.test("without QUILL_DEBUG stderr holds no debug-log line", function()
    local status, out, err = start("env -u QUILL_DEBUG")
    t.equal(status, "0\n", "exit code")
    t.equal(out, "the game's own line\n", "stdout")
    t.equal(err, "", "stderr")
    local log = read(logPath)
    for _, line in ipairs(debugLines) do
        assert(log:find(line, 1, true), "debug.log lacks " .. line .. ":\n" .. log:sub(1, 2000))
    end
    assert(not log:find("wglSwapIntervalEXT", 1, true), "the vertical-sync warning names this platform's call")
end)

t.test("with QUILL_DEBUG=1 the debug log is on stderr too", function()
    local status, out, err = start("QUILL_DEBUG=1")
    t.equal(status, "0\n", "exit code")
    t.equal(out, "the game's own line\n", "stdout")
    for _, line in ipairs(debugLines) do
        assert(err:find(line, 1, true), "stderr lacks " .. line)
    end
    t.equal(read(logPath), err, "the file holds the same lines, the last run's only")
end)

t.done()
