#include "engine/render/gl/TextureGL.h"

#include "engine/render/gl/GLChecks.h"
#include "engine/render/gl/GLEntryPoints.h"

namespace engine {

TextureGL::TextureGL(unsigned target, int width, int height, int levels)
    : m_target(target), m_width(width), m_height(height), m_levels(levels) {
    glGenTextures(1, &m_name);
    glBindTexture(m_target, m_name);
}

TextureGL::~TextureGL() {
    glDeleteTextures(1, &m_name);
}

void TextureGL::bind() const {
    glBindTexture(m_target, m_name);
}

Texture2DGL::Texture2DGL(int width, int height, int levels, int internalFormat, int minFilter, int magFilter,
                         int wrap)
    : TextureGL(GL_TEXTURE_2D, width, height, levels) {
    glTexImage2D(GL_TEXTURE_2D, 0, internalFormat, width, height, 0, GL_RGBA, GL_UNSIGNED_BYTE, nullptr);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, minFilter);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, magFilter);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, wrap);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, wrap);
}

RenderBufferGL::RenderBufferGL(int internalFormat, int width, int height) : m_width(width), m_height(height) {
    const GLEntryPoints& f = gl();
    f.glGenRenderbuffers(1, &m_name);
    f.glBindRenderbuffer(GL_RENDERBUFFER, m_name);
    f.glRenderbufferStorage(GL_RENDERBUFFER, GLenum(internalFormat), width, height);
    f.glBindRenderbuffer(GL_RENDERBUFFER, 0);
    checkGLError("glRenderbufferStorage");
}

RenderBufferGL::~RenderBufferGL() {
    gl().glDeleteRenderbuffers(1, &m_name);
}

TextureCubeGL::TextureCubeGL(int size, int levels, int internalFormat)
    : TextureGL(GL_TEXTURE_CUBE_MAP, size, size, levels) {
    for (int face = 0; face < 6; ++face)
        glTexImage2D(GL_TEXTURE_CUBE_MAP_POSITIVE_X + face, 0, internalFormat, size, size, 0, GL_RGBA,
                     GL_UNSIGNED_BYTE, nullptr);
    glTexParameteri(GL_TEXTURE_CUBE_MAP, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_CUBE_MAP, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_CUBE_MAP, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    glTexParameteri(GL_TEXTURE_CUBE_MAP, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
    glTexParameteri(GL_TEXTURE_CUBE_MAP, GL_TEXTURE_WRAP_R, GL_CLAMP_TO_EDGE);
    checkGLError("create cube map");
}

int samplerFilterFor(int filter, int levels) {
    if (levels > 1)
        return filter;
    switch (filter) {
    case FilterNearestMipNearest:
        return FilterNearest;
    case FilterLinearMipNearest:
    case FilterLinearMipLinear:
    case FilterAnisotropic:
        return FilterLinear;
    default:
        return filter;
    }
}

void applySamplerState(const TextureGL& texture, int filter, int address, float maxAnisotropy) {
    static const GLint filters[][2] = {
        {GL_NEAREST, GL_NEAREST},
        {GL_LINEAR, GL_LINEAR},
        {GL_NEAREST_MIPMAP_NEAREST, GL_NEAREST},
        {GL_LINEAR_MIPMAP_NEAREST, GL_LINEAR},
        {GL_LINEAR_MIPMAP_LINEAR, GL_LINEAR},
        {GL_LINEAR_MIPMAP_LINEAR, GL_LINEAR},
    };
    GLenum target = texture.target();
    if (filter >= 0 && filter <= FilterAnisotropic) {
        filter = samplerFilterFor(filter, texture.levels());
        if (filter != texture.m_appliedFilter || maxAnisotropy != texture.m_appliedAnisotropy) {
            glTexParameteri(target, GL_TEXTURE_MIN_FILTER, filters[filter][0]);
            glTexParameteri(target, GL_TEXTURE_MAG_FILTER, filters[filter][1]);
            if (maxAnisotropy > 0)
                glTexParameterf(target, GL_TEXTURE_MAX_ANISOTROPY_EXT,
                                filter == FilterAnisotropic ? maxAnisotropy : 1.0f);
            texture.m_appliedFilter = filter;
            texture.m_appliedAnisotropy = maxAnisotropy;
        }
    }
    GLint mode = address == 0 ? GL_REPEAT : GL_CLAMP_TO_EDGE;
    if (address >= 0 && mode != texture.m_appliedAddress) {
        texture.m_appliedAddress = mode;
        glTexParameteri(target, GL_TEXTURE_WRAP_S, mode);
        glTexParameteri(target, GL_TEXTURE_WRAP_T, mode);
        glTexParameteri(target, GL_TEXTURE_WRAP_R, mode);
    }
}

} // namespace engine
