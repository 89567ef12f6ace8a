#include "app/Application.h"

#include "app/CrashReport.h"
#include "app/ScriptLibrary.h"
#include "app/ScriptMemory.h"
#include "app/ScriptLoader.h"
#include "bindings/Registration.h"
#include "core/Clock.h"
#include "core/DebugLog.h"
#include "core/Exception.h"
#include "core/FileSystem.h"
#include "core/Frame.h"
#include "engine/render/EngineSystems.h"

#include <lua.hpp>

#include <algorithm>
#include <cmath>

#ifdef __GLIBC__
#include <malloc.h>
#endif

namespace {
Application* g_application = nullptr;

// 2D drawing hands the graphics driver megabytes of vertices a frame, which it
// copies into buffers it allocates and frees again. By the C library's
// defaults blocks that large are mapped fresh each time and the heap's top is
// given back, so every frame paid for page faults on them; kept in the heap,
// their pages are reused.
void keepLargeBlocks() {
#ifdef __GLIBC__
    mallopt(M_MMAP_THRESHOLD, 16 << 20);
    mallopt(M_TRIM_THRESHOLD, 64 << 20);
#endif
}

// The error value on top of the stack as text, whatever it is.
std::string errorText(lua_State* L) {
    if (const char* text = lua_tostring(L, -1))
        return text;
    return std::string("(error object is a ") + luaL_typename(L, -1) + " value)";
}

void appendModuleLoader(lua_State* L) {
    lua_getglobal(L, "package");
    lua_getfield(L, -1, "loaders");
    lua_pushcfunction(L, loadModule);
    lua_rawseti(L, -2, static_cast<int>(lua_objlen(L, -2)) + 1);
    lua_pop(L, 2);
}

void setPackagePath(lua_State* L, const std::string& libDirectory) {
    lua_getglobal(L, "package");
    lua_pushfstring(L, "./?.lua;%s/?.lua", libDirectory.c_str());
    lua_setfield(L, -2, "path");
    lua_pop(L, 1);
}
} // namespace

Application* application() {
    return g_application;
}

FrameTiming& frameTiming() {
    static FrameTiming timing;
    return timing;
}

Application::Application() : rootDirectory(core::getCurrentDirectory()), libDirectory(rootDirectory + "/lib") {
    g_application = this;
    keepLargeBlocks();
    followErrorLogFolder();
}

Application::~Application() {
    if (g_application == this) {
        g_application = nullptr;
        core::setDebugLogFolder(std::string());
    }
}

void Application::selectMainScript(const std::string& path) {
    scriptPath = path;
    std::replace(scriptPath.begin(), scriptPath.end(), '\\', '/');
    size_t slash = scriptPath.rfind('/');
    if (slash == std::string::npos) {
        scriptDirectory.clear();
        scriptName = scriptPath;
    } else {
        scriptDirectory = scriptPath.substr(0, slash);
        scriptName = scriptPath.substr(slash + 1);
    }
}

void Application::run() {
    if (core::fileExists("init.lua"))
        selectMainScript("init.lua");
    do {
        runOnce();
    } while (!exitRequested);
}

void Application::runOnce() {
    exitRequested = false;
    restartRequested = false;
    try {
        core::setCurrentDirectory(rootDirectory);
    } catch (const core::Exception& e) {
        crashReport(e.getMessage());
    }

    ScriptMemory memory;  // outlives the state
    lua_State* L = memory.newState();
    if (!L)
        L = luaL_newstate();
    luaL_openlibs(L);
    registerScriptModules(L);
    if (extraRegistrations)
        extraRegistrations(L);

    lua_getglobal(L, "debug");
    lua_getfield(L, -1, "traceback");
    lua_remove(L, -2);
    int tracebackIndex = lua_gettop(L);

    setPackagePath(L, libDirectory);
    appendModuleLoader(L);
    // vec and mat exist from the main script's first line.
    if (installGlobalModules(L, tracebackIndex) != 0)
        crashReport(errorText(L));

    if (!scriptName.empty()) {
        enterScriptDirectory();
        if (loadScriptFile(L, scriptName) != 0 || lua_pcall(L, 0, LUA_MULTRET, tracebackIndex) != 0)
            crashReport(errorText(L));
        lua_settop(L, tracebackIndex);
    }

    frameTiming().lastFrameCounter = 0;
    while (!exitRequested && !restartRequested) {
        double frameStart = core::clockSeconds();
        // A quit from the window system ends the run before this frame's display call.
        if (!core::Frame::beginFrame()) {
            exitRequested = true;
            break;
        }
        frameStep(L, tracebackIndex);
        double rate = std::clamp(maxFrameRate, 1, 1000);
        // Busy-wait: a sleep would overshoot the frame's end by the scheduler's slice.
        while (core::clockSeconds() - frameStart < 1.0 / rate) {
        }
    }

    lua_close(L);
    engine::EngineSystems::destroy();
    core::Frame::forgetMainFrame();
}

// A project folder that cannot be entered ends the process like a failing script.
void Application::enterScriptDirectory() {
    if (scriptDirectory.empty())
        return;
    try {
        core::setCurrentDirectory(scriptDirectory);
    } catch (const core::Exception& e) {
        crashReport(e.getMessage());
    }
}

void Application::frameStep(lua_State* L, int tracebackIndex) {
    int top = lua_gettop(L);
    FrameTiming& timing = frameTiming();
    uint64_t now = core::clockCounter();
    timing.time = core::counterToSeconds(now - timing.startCounter);
    if (timing.lastFrameCounter != 0) {
        double delta = core::counterToSeconds(now - timing.lastFrameCounter);
        timing.deltaTime = delta < 0.1 ? delta : 0.1;
    } else {
        timing.deltaTime = static_cast<float>(1.0 / 60.0);
    }
    timing.lastFrameCounter = now;

    lua_getfield(L, LUA_REGISTRYINDEX, "quill.display_func");
    if (!lua_isfunction(L, -1)) {
        timing.lastFrameCounter = 0;
    } else if (lua_pcall(L, 0, LUA_MULTRET, tracebackIndex) != 0) {
        crashReport(errorText(L));
    }
    lua_settop(L, top);
}
