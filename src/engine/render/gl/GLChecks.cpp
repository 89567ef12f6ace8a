#include "engine/render/gl/GLChecks.h"

#include "core/Exception.h"
#include "engine/render/gl/GLHeaders.h"

#include <cstring>

namespace engine {

const char* glErrorName(unsigned error) {
    switch (error) {
    case GL_INVALID_ENUM:
        return "GL_INVALID_ENUM";
    case GL_INVALID_VALUE:
        return "GL_INVALID_VALUE";
    case GL_INVALID_OPERATION:
        return "GL_INVALID_OPERATION";
    case GL_STACK_OVERFLOW:
        return "GL_STACK_OVERFLOW";
    case GL_STACK_UNDERFLOW:
        return "GL_STACK_UNDERFLOW";
    case GL_OUT_OF_MEMORY:
        return "GL_OUT_OF_MEMORY";
    default:
        return "unknown error";
    }
}

void checkGLError(const char* name) {
    GLenum error = glGetError();
    if (error != GL_NO_ERROR)
        throw core::Exception("GL error: %s failed (%s 0x%04X)", name, glErrorName(error), error);
}

bool hasExtension(const char* name, const char* extensions) {
    if (!name || !extensions || !*name)
        return false;
    const char* found = std::strstr(extensions, name);
    if (!found)
        return false;
    bool starts = found == extensions || found[-1] == ' ';
    char after = found[std::strlen(name)];
    return starts && (after == ' ' || after == '\0');
}

} // namespace engine
