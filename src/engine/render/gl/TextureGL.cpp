#include "engine/render/gl/TextureGL.h"

#include "core/Exception.h"
#include "engine/render/gl/GLChecks.h"
#include "engine/render/gl/GLEntryPoints.h"
#include "engine/render/gl/RenderContextGL.h"

#include <algorithm>

namespace engine {

namespace {

bool g_viewsSupported = false;

// Immutable storage takes sized formats only; these are what the drivers
// make of the unsized ones anyway.
int sizedFormat(int format) {
    switch (format) {
    case GL_RGBA:
        return GL_RGBA8;
    case GL_SRGB_ALPHA:
        return GL_SRGB8_ALPHA8;
    case GL_RGB:
        return GL_RGB8;
    case GL_SRGB:
        return GL_SRGB8;
    default:
        return format;
    }
}

// Formats with an sRGB twin of the same texel layout, as pairs (plain, sRGB).
const int SrgbTwins[][2] = {
    {GL_RGBA8, GL_SRGB8_ALPHA8},
    {GL_RGB8, GL_SRGB8},
    {GL_COMPRESSED_RGBA_S3TC_DXT1_EXT, GL_COMPRESSED_SRGB_ALPHA_S3TC_DXT1_EXT},
    {GL_COMPRESSED_RGBA_S3TC_DXT3_EXT, GL_COMPRESSED_SRGB_ALPHA_S3TC_DXT3_EXT},
    {GL_COMPRESSED_RGBA_S3TC_DXT5_EXT, GL_COMPRESSED_SRGB_ALPHA_S3TC_DXT5_EXT},
};

// The format that reads the same bytes decoded (decodeSrgb) or as stored; 0
// when the format has no twin.
int formatReading(int format, bool decodeSrgb) {
    for (const auto& twin : SrgbTwins) {
        if (format == twin[0] || format == twin[1])
            return twin[decodeSrgb ? 1 : 0];
    }
    return 0;
}

} // namespace

void TextureGL::setViewsSupported(bool supported) {
    g_viewsSupported = supported;
}

bool TextureGL::viewsSupported() {
    return g_viewsSupported;
}

// A held 2D draw goes first: it binds textures of its own, and the uploads
// that follow count on this one staying bound. (Textures are only filled
// while they are made.)
TextureGL::TextureGL(unsigned target, int width, int height, int levels, int internalFormat)
    : m_target(target), m_width(width), m_height(height), m_levels(levels), m_internalFormat(internalFormat) {
    RenderContextGL::drawHeld();
    glGenTextures(1, &m_name);
    glBindTexture(m_target, m_name);
}

// The view's name must never have been bound before glTextureView.
TextureGL::TextureGL(const TextureGL& source, int viewFormat)
    : m_target(source.m_target), m_width(source.m_width), m_height(source.m_height), m_levels(source.m_levels),
      m_internalFormat(viewFormat), m_immutable(true) {
    glGenTextures(1, &m_name);
    gl().glTextureView(m_name, m_target, source.m_name, GLenum(viewFormat), 0, GLuint(m_levels), 0, 1);
    GLenum error = glGetError();
    if (error != GL_NO_ERROR) {
        glDeleteTextures(1, &m_name);
        throw core::Exception("GL error: glTextureView failed (%s 0x%x)", glErrorName(error), error);
    }
}

// A held 2D draw may still read this texture.
TextureGL::~TextureGL() {
    RenderContextGL::drawHeld();
    m_view.reset();
    glDeleteTextures(1, &m_name);
}

void TextureGL::bind() const {
    glBindTexture(m_target, m_name);
}

// A view rather than switching decoding on the texture: the same texture is
// read decoded by the mesh passes and as stored by 2D drawing in one frame,
// and a view decodes each texel before filtering, exactly as the sRGB read of
// the other renderer does, with no state to flip per draw.
const TextureGL& TextureGL::readAs(bool decodeSrgb) const {
    int format = formatReading(m_internalFormat, decodeSrgb);
    if (!format || format == m_internalFormat || !m_immutable)
        return *this;
    if (!m_view)
        m_view.reset(new TextureGL(*this, format));
    return *m_view;
}

Texture2DGL::Texture2DGL(int width, int height, int levels, int internalFormat, int minFilter, int magFilter,
                         int wrap)
    : TextureGL(GL_TEXTURE_2D, width, height, levels, internalFormat) {
    if (viewsSupported()) {
        m_internalFormat = sizedFormat(internalFormat);
        m_immutable = true;
        gl().glTexStorage2D(GL_TEXTURE_2D, std::max(levels, 1), GLenum(m_internalFormat), width, height);
    } else {
        glTexImage2D(GL_TEXTURE_2D, 0, internalFormat, width, height, 0, GL_RGBA, GL_UNSIGNED_BYTE, nullptr);
    }
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, minFilter);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, magFilter);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, wrap);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, wrap);
}

void Texture2DGL::upload(int level, int width, int height, unsigned format, const void* pixels) {
    if (m_immutable)
        glTexSubImage2D(GL_TEXTURE_2D, level, 0, 0, width, height, format, GL_UNSIGNED_BYTE, pixels);
    else
        glTexImage2D(GL_TEXTURE_2D, level, m_internalFormat, width, height, 0, format, GL_UNSIGNED_BYTE, pixels);
}

void Texture2DGL::uploadCompressed(int level, int width, int height, int bytes, const void* data) {
    const GLEntryPoints& f = gl();
    if (m_immutable)
        f.glCompressedTexSubImage2D(GL_TEXTURE_2D, level, 0, 0, width, height, GLenum(m_internalFormat), bytes, data);
    else
        f.glCompressedTexImage2D(GL_TEXTURE_2D, level, GLenum(m_internalFormat), width, height, 0, bytes, data);
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
    : TextureGL(GL_TEXTURE_CUBE_MAP, size, size, levels, internalFormat) {
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
