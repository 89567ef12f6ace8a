#include "engine/render/BuiltinShaders.h"

#include "core/Exception.h"
#include "core/FileSystem.h"

namespace engine {

const BuiltinShader* findBuiltinShader(std::string_view path) {
    for (const BuiltinShader* shader = builtinShaders; shader->path; ++shader) {
        if (path == shader->path)
            return shader;
    }
    return nullptr;
}

bool shaderFileExists(const std::string& path) {
    return core::fileExists(path) || findBuiltinShader(path);
}

std::string readShaderFile(const std::string& path) {
    try {
        return core::readFile(path);
    } catch (const core::FileNotFoundException&) {
        const BuiltinShader* shader = findBuiltinShader(path);
        if (!shader)
            throw;
        return std::string(shader->source, shader->size);
    }
}

} // namespace engine
