#include "engine/render/gl/ShaderProgramGL.h"

#include "core/DebugLog.h"
#include "core/Exception.h"
#include "engine/render/BuiltinShaders.h"
#include "engine/render/gl/GLEntryPoints.h"
#include "engine/render/gl/RenderContextGL.h"

#include <algorithm>
#include <cstring>

namespace engine {

const char* const standardUniformNames[StandardUniformCount] = {
    "modelViewProj", "modelView",     "proj",         "texture",           "diffuseMap",   "normalMap",
    "specularMap",   "glossiness",    "texOffset",    "skinningMatrices",  "localToWorld", "fadeParms",
    "textureAnimParms", "gravity",    "airResistance", "rotationSpeed",    "clampToGroundPlane",
    "depthBias",     "colorTable",    "opacity",      "lightColor",
};

const char* const attributeNames[AttributeCount] = {
    "position", "normal", "tangent", "bitangent", "texcoord", "color", "boneIndices", "boneWeights", "velocity",
    "particleParms",
};

ShaderProgramGL::ShaderProgramGL(unsigned program)
    : m_program(program), m_generation(RenderContextGL::liveGeneration()) {
    for (int i = 0; i < StandardUniformCount; ++i)
        m_locations[size_t(i)] = gl().glGetUniformLocation(program, standardUniformNames[i]);
}

// A program of a context that is gone went with it.
ShaderProgramGL::~ShaderProgramGL() {
    if (m_program && m_generation == RenderContextGL::liveGeneration())
        gl().glDeleteProgram(m_program);
}

int ShaderProgramGL::location(const char* name) const {
    return gl().glGetUniformLocation(m_program, name);
}

std::string prepareShaderSource(const std::string& source, const std::vector<std::string>& defines) {
    std::string text;
    text.reserve(source.size());
    std::copy_if(source.begin(), source.end(), std::back_inserter(text), [](char c) { return c != '\r'; });
    if (defines.empty())
        return text;
    size_t at = 0;
    size_t version = text.find("#version");
    if (version != std::string::npos) {
        size_t lineEnd = text.find('\n', version);
        at = lineEnd == std::string::npos ? text.size() : lineEnd + 1;
    }
    std::string lines;
    for (const std::string& define : defines)
        lines += "#define " + define + " 1\n";
    text.insert(at, lines);
    return text;
}

// The compiler's or linker's log of a shader or program, "" when there is none.
template <class GetParameter, class GetLog>
std::string infoLog(GLuint object, GetParameter getParameter, GetLog getLog) {
    GLint length = 0;
    getParameter(object, GL_INFO_LOG_LENGTH, &length);
    if (length <= 0)
        return std::string();
    std::string log(size_t(length), '\0');
    getLog(object, length, nullptr, log.data());
    log.resize(std::strlen(log.c_str()));
    return log;
}

unsigned compileShader(const std::string& source, unsigned stage, const std::vector<std::string>& defines,
                       const std::string& path) {
    const GLEntryPoints& f = gl();
    std::string text = prepareShaderSource(source, defines);
    GLuint shader = f.glCreateShader(stage);
    const GLchar* string = text.c_str();
    f.glShaderSource(shader, 1, &string, nullptr);
    f.glCompileShader(shader);
    std::string log = infoLog(shader, f.glGetShaderiv, f.glGetShaderInfoLog);
    if (!log.empty())
        core::debugLog("%s", log.c_str());
    GLint status = GL_FALSE;
    f.glGetShaderiv(shader, GL_COMPILE_STATUS, &status);
    if (!status) {
        f.glDeleteShader(shader);
        throw core::Exception("Failed to compile shader %s\n%s", path.empty() ? "<string>" : path.c_str(),
                              log.c_str());
    }
    return shader;
}

unsigned loadShader(const std::string& path, unsigned stage, const std::vector<std::string>& defines) {
    core::debugLog("Compiling shader %s\n", path.c_str());
    std::string source;
    try {
        source = readShaderFile(path);
    } catch (const core::Exception&) {
        throw core::Exception("Failed to load shader file %s", path.c_str());
    }
    return compileShader(source, stage, defines, path);
}

std::unique_ptr<ShaderProgramGL> linkProgram(unsigned vertexShader, unsigned fragmentShader) {
    const GLEntryPoints& f = gl();
    GLuint program = f.glCreateProgram();
    f.glAttachShader(program, vertexShader);
    f.glAttachShader(program, fragmentShader);
    for (int i = 0; i < AttributeCount; ++i)
        f.glBindAttribLocation(program, GLuint(i), attributeNames[i]);
    f.glLinkProgram(program);
    std::string log = infoLog(program, f.glGetProgramiv, f.glGetProgramInfoLog);
    GLint status = GL_FALSE;
    f.glGetProgramiv(program, GL_LINK_STATUS, &status);
    if (!status) {
        // Nothing else holds the failed program: do not leak it.
        f.glDeleteProgram(program);
        throw core::Exception("Failed to link shader program\n%s", log.c_str());
    }
    // The shaders may be deleted by their owner; detached, they go at once.
    f.glDetachShader(program, vertexShader);
    f.glDetachShader(program, fragmentShader);
    return std::make_unique<ShaderProgramGL>(program);
}

std::unique_ptr<ShaderProgramGL> programFromFiles(const std::string& vertexPath, const std::string& fragmentPath,
                                                  const std::vector<std::string>& fragmentDefines) {
    GLuint vertex = loadShader(vertexPath, GL_VERTEX_SHADER);
    GLuint fragment = 0;
    try {
        fragment = loadShader(fragmentPath, GL_FRAGMENT_SHADER, fragmentDefines);
        std::unique_ptr<ShaderProgramGL> program = linkProgram(vertex, fragment);
        gl().glDeleteShader(vertex);
        gl().glDeleteShader(fragment);
        return program;
    } catch (...) {
        gl().glDeleteShader(vertex);
        if (fragment)
            gl().glDeleteShader(fragment);
        throw;
    }
}

} // namespace engine
