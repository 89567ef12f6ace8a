#include "engine/render/gl/RenderableShaderGL.h"

#include "core/Exception.h"
#include "engine/assets/Material.h"
#include "engine/render/gl/GLEntryPoints.h"
#include "engine/render/gl/RenderContextGL.h"
#include "engine/render/gl/RenderableTextureGL.h"

namespace engine {

namespace {

// Deletes the shader objects it holds however loading ends.
struct ShaderSet {
    std::vector<unsigned> shaders;
    ~ShaderSet() {
        for (unsigned shader : shaders)
            gl().glDeleteShader(shader);
    }
    unsigned add(unsigned shader) {
        shaders.push_back(shader);
        return shader;
    }
};

std::string orDefault(const std::string& path, const char* fallback) {
    return path.empty() ? std::string(fallback) : path;
}

} // namespace

void RenderableShaderGL::loadSurfaceShader(const std::string& vertexPath, const std::string& geometryPath,
                                           const std::string& materialPath, const std::string& unlitPath,
                                           const std::string& shadowPath) {
    std::string vertex = orDefault(vertexPath, DefaultVertexPath);
    std::string geometry = orDefault(geometryPath, DefaultGeometryPath);
    std::string material = orDefault(materialPath, DefaultMaterialPath);
    std::string unlit = orDefault(unlitPath, DefaultUnlitPath);
    std::string shadow = orDefault(shadowPath, DefaultShadowPath);

    ShaderSet set;
    const GLenum VS = GL_VERTEX_SHADER;
    const GLenum FS = GL_FRAGMENT_SHADER;
    unsigned vs = set.add(loadShader(vertex, VS));
    unsigned vsSkin = set.add(loadShader(vertex, VS, {"SKINNING"}));
    unsigned vsNormal = set.add(loadShader(vertex, VS, {"NORMAL_MAP"}));
    unsigned vsNormalSkin = set.add(loadShader(vertex, VS, {"NORMAL_MAP", "SKINNING"}));
    unsigned geo = set.add(loadShader(geometry, FS));
    unsigned geoNormal = set.add(loadShader(geometry, FS, {"NORMAL_MAP"}));
    unsigned geoAlpha = set.add(loadShader(geometry, FS, {"ALPHA_TEST"}));
    unsigned geoNormalAlpha = set.add(loadShader(geometry, FS, {"NORMAL_MAP", "ALPHA_TEST"}));
    unsigned mat = set.add(loadShader(material, FS));
    unsigned unl = set.add(loadShader(unlit, FS));
    unsigned sha = set.add(loadShader(shadow, FS));
    unsigned shaAlpha = set.add(loadShader(shadow, FS, {"ALPHA_TEST"}));

    struct Pair {
        int slot;
        unsigned vertex;
        unsigned fragment;
    } const pairs[] = {
        {0, vs, geo},           {1, vsSkin, geo},           {2, vsNormal, geoNormal},
        {3, vsNormalSkin, geoNormal}, {4, vs, geoAlpha},    {5, vsSkin, geoAlpha},
        {6, vsNormal, geoNormalAlpha}, {7, vsNormalSkin, geoNormalAlpha},
        {8, vs, mat},           {9, vsSkin, mat},           {16, vs, unl},
        {17, vsSkin, unl},      {32, vs, sha},              {33, vsSkin, sha},
        {36, vs, shaAlpha},     {37, vsSkin, shaAlpha},
    };
    for (const Pair& pair : pairs)
        m_programs[size_t(pair.slot)] = linkProgram(pair.vertex, pair.fragment);
}

void RenderableShaderGL::loadPostProcessShader(const std::string& fragmentPath) {
    m_programs[0] = programFromFiles(PostProcessVertexPath, fragmentPath);
}

void applyShaderParameters(RenderContextGL& context, const Material& material) {
    const GLEntryPoints& f = gl();
    GLuint program = context.currentProgram();
    for (int i = 0; i < material.getParameterCount(); ++i) {
        const ShaderParameter& parameter = material.getParameter(i);
        const float* v = parameter.value.data();
        switch (parameter.type) {
        case ShaderParameter::Texture: {
            auto* texture = dynamic_cast<RenderableTextureGL*>(parameter.texture.get());
            if (!texture || !texture->texture())
                break;
            const TextureGL& gltexture = *texture->texture();
            context.bindTexture(parameter.name.c_str(), gltexture.target(), gltexture.name());
            applySamplerState(gltexture, parameter.textureFilter, parameter.textureAddress, context.maxAnisotropy());
            break;
        }
        case ShaderParameter::Float1:
            f.glUniform1f(f.glGetUniformLocation(program, parameter.name.c_str()), v[0]);
            break;
        case ShaderParameter::Float2:
            f.glUniform2f(f.glGetUniformLocation(program, parameter.name.c_str()), v[0], v[1]);
            break;
        case ShaderParameter::Float3:
            f.glUniform3f(f.glGetUniformLocation(program, parameter.name.c_str()), v[0], v[1], v[2]);
            break;
        case ShaderParameter::Float4:
            f.glUniform4f(f.glGetUniformLocation(program, parameter.name.c_str()), v[0], v[1], v[2], v[3]);
            break;
        default:
            break;
        }
    }
}

void setSkinningMatrices(const ShaderProgramGL& program, const std::vector<Mat4x3>& bones) {
    if (bones.size() > size_t(MaxSkinningBones))
        throw core::Exception("Too many bones for skinning (%d, at most %d)", int(bones.size()), MaxSkinningBones);
    // Shared by every draw: one upload buffer for the process.
    static std::array<float, MaxSkinningBones * 3 * 4> columns;
    for (size_t i = 0; i < bones.size(); ++i) {
        const Mat4x3& m = bones[i];
        const float r[4][3] = {{m.rot.row[0].x, m.rot.row[0].y, m.rot.row[0].z},
                               {m.rot.row[1].x, m.rot.row[1].y, m.rot.row[1].z},
                               {m.rot.row[2].x, m.rot.row[2].y, m.rot.row[2].z},
                               {m.pos.x, m.pos.y, m.pos.z}};
        for (int j = 0; j < 3; ++j) {
            float* column = &columns[(i * 3 + size_t(j)) * 4];
            for (int k = 0; k < 4; ++k)
                column[k] = r[k][j];
        }
    }
    if (!bones.empty())
        gl().glUniform4fv(program.location(UniformSkinningMatrices), GLsizei(bones.size() * 3), columns.data());
}

} // namespace engine
