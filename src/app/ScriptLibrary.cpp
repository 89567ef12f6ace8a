#include "app/ScriptLibrary.h"

const LibraryScript* findLibraryScript(std::string_view name) {
    for (const LibraryScript* script = libraryScripts; script->name; ++script) {
        if (name == script->name)
            return script;
    }
    return nullptr;
}
