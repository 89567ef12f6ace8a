// The sys table and the globals that replace Lua's file-reading functions.
#include "app/Application.h"
#include "app/CrashReport.h"
#include "app/ScriptLoader.h"
#include "bindings/Binding.h"
#include "bindings/Registration.h"
#include "core/Clock.h"

#include <cstdio>
#include <string>

namespace {
const char* const DisplayFunc = "quill.display_func";
const char* const ResumeFunc = "quill.resume_func";

// --- globals ---

int print(lua_State* L) {
    int count = lua_gettop(L);
    std::string line;
    lua_getglobal(L, "tostring");
    for (int i = 1; i <= count; ++i) {
        lua_pushvalue(L, -1);
        lua_pushvalue(L, i);
        lua_call(L, 1, 1);
        size_t length;
        const char* text = lua_tolstring(L, -1, &length);
        if (!text)
            return luaL_error(L, "'tostring' must return a string to 'print'");
        if (i > 1)
            line += '\t';
        line.append(text, length);
        lua_pop(L, 1);
    }
    line += '\n';
    fwrite(line.data(), 1, line.size(), stdout);
    fflush(stdout);
    return 0;
}

int dofile(lua_State* L) {
    std::string path = luaL_checkstring(L, 1);
    lua_settop(L, 1);
    if (loadScriptFile(L, path) != 0)
        return lua_error(L);
    lua_call(L, 0, LUA_MULTRET);
    return lua_gettop(L) - 1;
}

int loadfile(lua_State* L) {
    std::string path = luaL_checkstring(L, 1);
    if (loadScriptFile(L, path) == 0)
        return 1;
    lua_pushnil(L);
    lua_insert(L, -2);
    return 2;
}

// --- run control ---

int exit(lua_State*) {
    application()->exitRequested = true;
    return 0;
}

int restart(lua_State* L) {
    Application* app = application();
    if (!lua_isnoneornil(L, 1)) {
        if (!lua_istable(L, 1))
            return luaL_error(L, "invalid args");
        core::HashMap<std::string, std::string> args;
        lua_pushnil(L);
        while (lua_next(L, 1)) {
            int keyType = lua_type(L, -2);
            int valueType = lua_type(L, -1);
            if (keyType != LUA_TSTRING && keyType != LUA_TNUMBER)
                return luaL_error(L, "invalid arg key");
            if (valueType != LUA_TSTRING && valueType != LUA_TNUMBER)
                return luaL_error(L, "invalid arg value");
            // Converting a copy of the key keeps lua_next's own key intact.
            lua_pushvalue(L, -2);
            std::string key = lua_tostring(L, -1);
            std::string value = lua_tostring(L, -2);
            args.insert(key, value);
            lua_pop(L, 2);
        }
        app->args = args;
    }
    app->restartRequested = true;
    return 0;
}

int loadProject(lua_State* L) {
    Application* app = application();
    app->selectMainScript(luaL_checkstring(L, 1));
    app->args.clear();
    app->restartRequested = true;
    return 0;
}

int getProjectFolder(lua_State* L) {
    bind::pushString(L, application()->scriptDirectory);
    return 1;
}

int args(lua_State* L) {
    lua_newtable(L);
    application()->args.forEach([L](const std::string& key, const std::string& value) {
        bind::pushString(L, key);
        bind::pushString(L, value);
        lua_rawset(L, -3);
    });
    return 1;
}

int rootDirectory(lua_State* L) {
    bind::pushString(L, application()->rootDirectory);
    return 1;
}

int platform(lua_State* L) {
#ifdef _WIN32
    lua_pushliteral(L, "win32");
#else
    lua_pushliteral(L, "linux");
#endif
    return 1;
}

int displayFunc(lua_State* L) {
    luaL_checktype(L, 1, LUA_TFUNCTION);
    lua_getfield(L, LUA_REGISTRYINDEX, DisplayFunc);
    lua_pushvalue(L, 1);
    lua_setfield(L, LUA_REGISTRYINDEX, DisplayFunc);
    lua_pushnil(L);
    lua_setfield(L, LUA_REGISTRYINDEX, ResumeFunc);
    return 1;
}

int resume(lua_State* L) {
    lua_getfield(L, LUA_REGISTRYINDEX, ResumeFunc);
    if (!lua_isnil(L, -1)) {
        lua_setfield(L, LUA_REGISTRYINDEX, DisplayFunc);
        lua_pushnil(L);
        lua_setfield(L, LUA_REGISTRYINDEX, ResumeFunc);
    }
    return 0;
}

int setMaxFrameRate(lua_State* L) {
    application()->maxFrameRate = static_cast<int>(luaL_checkinteger(L, 1));
    return 0;
}

// The names choose the error log's folder, and the debug log follows it.
int setCompanyName(lua_State* L) {
    application()->companyName = luaL_checkstring(L, 1);
    followErrorLogFolder();
    return 0;
}

int setApplicationName(lua_State* L) {
    application()->applicationName = luaL_checkstring(L, 1);
    followErrorLogFolder();
    return 0;
}

// The address the crash box asks players to e-mail the error log to.
int setSupportAddress(lua_State* L) {
    application()->supportAddress = luaL_checkstring(L, 1);
    return 0;
}

// --- time ---

int clock(lua_State* L) {
    lua_pushnumber(L, core::clockSeconds());
    return 1;
}

int time(lua_State* L) {
    lua_pushnumber(L, frameTiming().time);
    return 1;
}

int deltaTime(lua_State* L) {
    lua_pushnumber(L, frameTiming().deltaTime);
    return 1;
}

int sleep(lua_State* L) {
    core::sleepMilliseconds(static_cast<int>(luaL_checkinteger(L, 1)));
    return 0;
}

} // namespace

void registerSys(lua_State* L) {
    // A new run's clock starts here; until its first frame, time reads 0
    // rather than the last frame of the previous run.
    frameTiming().startCounter = core::clockCounter();
    frameTiming().time = 0.0;

    lua_register(L, "print", print);
    lua_register(L, "dofile", dofile);
    lua_register(L, "loadfile", loadfile);

    const luaL_Reg functions[] = {
        {"exit", exit},
        {"restart", restart},
        {"loadProject", loadProject},
        {"getProjectFolder", getProjectFolder},
        {"args", args},
        {"rootDirectory", rootDirectory},
        {"platform", platform},
        {"displayFunc", displayFunc},
        {"resume", resume},
        {"setMaxFrameRate", setMaxFrameRate},
        {"setCompanyName", setCompanyName},
        {"setApplicationName", setApplicationName},
        {"setSupportAddress", setSupportAddress},
        {"clock", clock},
        {"time", time},
        {"deltaTime", deltaTime},
        {"sleep", sleep},
        {nullptr, nullptr},
    };
    luaL_register(L, "sys", functions);
    lua_pop(L, 1);
}
