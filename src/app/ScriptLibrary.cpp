#include "app/ScriptLibrary.h"

#include "bindings/MathValues.h"

#include <lua.hpp>

#include <string>

namespace {
// Registry table: the value of each library module the host ran at the start
// of the run, so that require gives scripts the very tables behind the globals.
const char* const StartedModules = "quill.library";

// The modules whose globals the host calls to build values for scripts.
const char* const GlobalModules[] = {"vec", "mat"};

void pushStartedModules(lua_State* L) {
    lua_getfield(L, LUA_REGISTRYINDEX, StartedModules);
    if (lua_istable(L, -1))
        return;
    lua_pop(L, 1);
    lua_newtable(L);
    lua_pushvalue(L, -1);
    lua_setfield(L, LUA_REGISTRYINDEX, StartedModules);
}

int returnUpvalue(lua_State* L) {
    lua_pushvalue(L, lua_upvalueindex(1));
    return 1;
}

int startGlobalModules(lua_State* L) {
    pushStartedModules(L);
    int started = lua_gettop(L);
    lua_getglobal(L, "package");
    lua_getfield(L, -1, "loaded");
    int loaded = lua_gettop(L);
    for (const char* name : GlobalModules) {
        const LibraryScript* script = findLibraryScript(name);
        if (!script)
            return luaL_error(L, "quill's library has no module %s", name);
        std::string chunkName = std::string("lib/") + name + ".lua";
        if (luaL_loadbuffer(L, script->source, script->size, chunkName.c_str()) != 0)
            return lua_error(L);
        lua_pushstring(L, name);
        lua_call(L, 1, 1);
        lua_pushvalue(L, -1);
        lua_setfield(L, started, name);
        // mat requires vec: it must get this vec, not a game's file of that name.
        lua_pushvalue(L, -1);
        lua_setfield(L, loaded, name);
        lua_setglobal(L, name);
    }
    // require still looks for a game's own file first.
    for (const char* name : GlobalModules) {
        lua_pushnil(L);
        lua_setfield(L, loaded, name);
    }
    bind::rememberOwnMath(L);
    return 0;
}
} // namespace

const LibraryScript* findLibraryScript(std::string_view name) {
    for (const LibraryScript* script = libraryScripts; script->name; ++script) {
        if (name == script->name)
            return script;
    }
    return nullptr;
}

int installGlobalModules(lua_State* L, int errorHandler) {
    lua_pushcfunction(L, startGlobalModules);
    return lua_pcall(L, 0, 0, errorHandler);
}

bool pushStartedModuleLoader(lua_State* L, std::string_view name) {
    pushStartedModules(L);
    lua_getfield(L, -1, std::string(name).c_str());
    lua_remove(L, -2);
    if (lua_isnil(L, -1)) {
        lua_pop(L, 1);
        return false;
    }
    lua_pushcclosure(L, returnUpvalue, 1);
    return true;
}
