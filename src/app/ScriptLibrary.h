#pragma once

// quill's own script library (lib/*.lua of the repository), built into the
// host: a game folder has no copy of it, yet require "vec" and the host's
// vec/mat values must work everywhere.

#include <string_view>

struct lua_State;

struct LibraryScript {
    const char* name;  // module name, e.g. "vec"; null ends the list
    const char* source;
    unsigned size;
};

// Defined in the source generated from lib/*.lua.
extern const LibraryScript libraryScripts[];

// The source of a library module, or null when there is none by that name.
const LibraryScript* findLibraryScript(std::string_view name);

// Runs the library's vec and mat and makes them the globals vec and mat, before
// the main script runs; a game's own definitions then replace them. Returns
// the status of the protected call; on failure the error is on the stack.
int installGlobalModules(lua_State* L, int errorHandler);

// For require: when the host started the module of that name in this state,
// pushes a loader that returns that same value and returns true.
bool pushStartedModuleLoader(lua_State* L, std::string_view name);
