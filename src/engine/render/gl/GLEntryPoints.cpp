#include "engine/render/gl/GLEntryPoints.h"

#include "core/DebugLog.h"
#include "core/GLContext.h"

namespace engine {

GLEntryPoints& gl() {
    static GLEntryPoints table;
    return table;
}

void loadEntryPoints(core::GLContext& context) {
    GLEntryPoints& table = gl();
#define QUILL_GL_LOAD(type, name)                                                                                      \
    table.name = reinterpret_cast<type>(context.procAddress(#name));                                                   \
    if (!table.name)                                                                                                   \
        core::debugLog("WARNING! OpenGL entry point %s not found\n", #name);
    QUILL_GL_ENTRY_POINTS(QUILL_GL_LOAD)
#undef QUILL_GL_LOAD
#define QUILL_GL_LOAD_OPTIONAL(type, name) table.name = reinterpret_cast<type>(context.procAddress(#name));
    QUILL_GL_OPTIONAL_ENTRY_POINTS(QUILL_GL_LOAD_OPTIONAL)
#undef QUILL_GL_LOAD_OPTIONAL
}

} // namespace engine
