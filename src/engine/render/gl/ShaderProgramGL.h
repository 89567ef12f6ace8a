#pragma once

// GLSL shaders and programs: loading through the file systems with
// preprocessor defines, linking with the fixed attribute locations, and the
// table of standard uniform locations every pass sets.

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace engine {

// The standard uniforms, in the order of their location table.
enum StandardUniform {
    UniformModelViewProj,
    UniformModelView,
    UniformProj,
    UniformTexture,
    UniformDiffuseMap,
    UniformNormalMap,
    UniformSpecularMap,
    UniformGlossiness,
    UniformTexOffset,
    UniformSkinningMatrices,
    UniformLocalToWorld,
    UniformFadeParms,
    UniformTextureAnimParms,
    UniformGravity,
    UniformAirResistance,
    UniformRotationSpeed,
    UniformClampToGroundPlane,
    UniformDepthBias,
    UniformColorTable,
    UniformOpacity,
    UniformLightColor,
    StandardUniformCount
};

extern const char* const standardUniformNames[StandardUniformCount];

// Attribute names bound before linking; the index is the location.
constexpr int AttributeCount = 10;
extern const char* const attributeNames[AttributeCount];

class ShaderProgramGL {
public:
    // Takes over a linked program and reads its standard uniform locations.
    explicit ShaderProgramGL(unsigned program);
    ~ShaderProgramGL();
    ShaderProgramGL(const ShaderProgramGL&) = delete;
    ShaderProgramGL& operator=(const ShaderProgramGL&) = delete;

    unsigned program() const { return m_program; }
    int location(StandardUniform uniform) const { return m_locations[uniform]; }
    // Uniforms outside the table, looked up at each use (-1 when absent).
    int location(const char* name) const;

private:
    unsigned m_program;
    uint64_t m_generation;
    std::array<int, StandardUniformCount> m_locations{};
};

// The source with carriage returns removed and "#define NAME 1" lines for the
// defines, in order, after the line of the first "#version" (or at the start).
std::string prepareShaderSource(const std::string& source, const std::vector<std::string>& defines);

// Compiles source text for the stage (GL_VERTEX_SHADER or GL_FRAGMENT_SHADER).
// Throws "Failed to compile shader <path>\n<log>"; path may be empty.
unsigned compileShader(const std::string& source, unsigned stage, const std::vector<std::string>& defines,
                       const std::string& path);
// Reads the file through the file systems (else the built-in shader of that
// path) and compiles it; throws
// "Failed to load shader file <path>" when it cannot be read.
unsigned loadShader(const std::string& path, unsigned stage, const std::vector<std::string>& defines = {});
// Throws "Failed to link shader program\n<log>".
std::unique_ptr<ShaderProgramGL> linkProgram(unsigned vertexShader, unsigned fragmentShader);
// The fragment stage compiled with the defines; the shader objects go once linked.
std::unique_ptr<ShaderProgramGL> programFromFiles(const std::string& vertexPath, const std::string& fragmentPath,
                                                  const std::vector<std::string>& fragmentDefines = {});

} // namespace engine
