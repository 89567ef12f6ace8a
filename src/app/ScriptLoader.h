#pragma once

#include <string>

struct lua_State;

// Loads a file found through the file systems as a chunk named "@<path>".
// Returns Lua's load status; a file that cannot be found or read pushes the
// exception's message and returns the file-error status.
int loadScriptFile(lua_State* L, const std::string& path);

// The require loader that finds modules through the file systems, with "lib/"
// as a fallback prefix.
int loadModule(lua_State* L);
