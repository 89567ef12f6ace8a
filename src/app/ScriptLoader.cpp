#include "app/ScriptLoader.h"

#include "app/ScriptLibrary.h"

#include "core/DebugLog.h"
#include "core/Exception.h"
#include "core/FileSystem.h"

#include <lua.hpp>

#include <algorithm>

int loadScriptFile(lua_State* L, const std::string& path) {
    std::string source;
    try {
        source = core::readFile(path);
    } catch (const core::Exception& e) {
        lua_pushstring(L, e.getMessage());
        return LUA_ERRFILE;
    }
    std::string chunkName = "@" + path;
    return luaL_loadbuffer(L, source.data(), source.size(), chunkName.c_str());
}

int loadModule(lua_State* L) {
    std::string name = luaL_checkstring(L, 1);
    std::string path = name;
    std::replace(path.begin(), path.end(), '.', '/');
    path += ".lua";

    std::string source;
    try {
        if (!core::fileExists(path))
            path = "lib/" + path;
        // A game's own file wins; quill's built-in library comes last.
        const LibraryScript* builtIn = core::fileExists(path) ? nullptr : findLibraryScript(name);
        if (builtIn && pushStartedModuleLoader(L, name))
            return 1;
        if (builtIn) {
            path = "lib/" + name + ".lua";
            source.assign(builtIn->source, builtIn->size);
        } else {
            source = core::readFile(path);
        }
    } catch (const core::Exception& e) {
        core::debugLog("ERROR: %s\n", e.getMessage());
        lua_pushnil(L);
        return 1;
    }
    // A chunk that does not compile gives require its message.
    luaL_loadbuffer(L, source.data(), source.size(), path.c_str());
    return 1;
}
