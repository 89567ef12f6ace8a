#pragma once

// The shader set shipped with quill (data/shaders/ of the repository), built
// into the host. Shader files are read through the file systems first, so a
// game's own files and an altShaderPath win; the built-in text of the same
// path is the last resort, so a game folder without them still draws.

#include <string>
#include <string_view>

namespace engine {

struct BuiltinShader {
    const char* path;  // as the renderers ask for it, e.g. "shaders/gl/Mesh.vsh"; null ends the list
    const char* source;
    unsigned size;
};

// Defined in the source generated from data/shaders/.
extern const BuiltinShader builtinShaders[];

// The built-in shader of exactly that path, or null.
const BuiltinShader* findBuiltinShader(std::string_view path);

// Whether a shader file can be read: through the file systems or built in.
bool shaderFileExists(const std::string& path);

// The text of a shader file through the file systems, else the built-in one;
// the file systems' error when neither has it.
std::string readShaderFile(const std::string& path);

} // namespace engine
