#pragma once

// quill's own script library (lib/*.lua of the repository), built into the
// host: a game folder has no copy of it, yet require "vec" and the host's
// vec/mat values must work everywhere.

#include <string_view>

struct LibraryScript {
    const char* name;  // module name, e.g. "vec"; null ends the list
    const char* source;
    unsigned size;
};

// Defined in the source generated from lib/*.lua.
extern const LibraryScript libraryScripts[];

// The source of a library module, or null when there is none by that name.
const LibraryScript* findLibraryScript(std::string_view name);
