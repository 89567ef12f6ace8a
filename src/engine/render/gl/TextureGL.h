#pragma once

// OpenGL texture objects and the sampler states every pass applies to them.

#include <memory>

namespace engine {

class TextureGL {
public:
    virtual ~TextureGL();
    TextureGL(const TextureGL&) = delete;
    TextureGL& operator=(const TextureGL&) = delete;

    unsigned name() const { return m_name; }
    unsigned target() const { return m_target; }
    int width() const { return m_width; }
    int height() const { return m_height; }
    int levels() const { return m_levels; }
    void bind() const;

    // The texture as a pass reads it: decoded from sRGB to linear before
    // filtering, or its bytes as stored. A second texture object over the same
    // storage with the sRGB or plain twin of its format is made the first time
    // it is asked for; the texture itself is the answer when its format is
    // already the one asked for, has no twin (floating-point buffers), or the
    // driver cannot make views. Views share the storage, so later uploads show.
    const TextureGL& readAs(bool decodeSrgb) const;

    // Whether new 2D textures get immutable storage, which views need: set by
    // each new context from what its driver offers.
    static void setViewsSupported(bool supported);
    static bool viewsSupported();

protected:
    friend void applySamplerState(const TextureGL&, int, int, float);

    // Generates the GL name and binds it to the target.
    TextureGL(unsigned target, int width, int height, int levels, int internalFormat);
    // A view of the source's storage in another format of its class.
    TextureGL(const TextureGL& source, int viewFormat);

    unsigned m_name = 0;
    unsigned m_target;
    int m_width;
    int m_height;
    int m_levels;
    int m_internalFormat;
    bool m_immutable = false;
    mutable std::unique_ptr<TextureGL> m_view;
    // The sampler state last applied, so that a pass binding the same texture
    // segment after segment does not set it again; -1 until one is applied
    // (the constructors' own settings count as unknown).
    mutable int m_appliedFilter = -1;
    mutable float m_appliedAnisotropy = -1;
    mutable int m_appliedAddress = -1;
};

class Texture2DGL final : public TextureGL {
public:
    // Allocates the levels without data (immutable storage where views are
    // supported, else level 0 alone) and sets the filters and the S and T wrap
    // mode; leaves the texture bound.
    Texture2DGL(int width, int height, int levels, int internalFormat, int minFilter, int magFilter, int wrap);

    // Fill one level of the bound texture from bytes of the given format
    // (GL_UNSIGNED_BYTE components) or from compressed blocks; the GL error
    // check is the caller's.
    void upload(int level, int width, int height, unsigned format, const void* pixels);
    void uploadCompressed(int level, int width, int height, int bytes, const void* data);
};

class TextureCubeGL final : public TextureGL {
public:
    // Allocates level 0 of the six faces, linear filters, clamped to the edge.
    TextureCubeGL(int size, int levels, int internalFormat);
};

// A GL render buffer: depth and stencil storage of render targets.
class RenderBufferGL {
public:
    RenderBufferGL(int internalFormat, int width, int height);
    ~RenderBufferGL();
    RenderBufferGL(const RenderBufferGL&) = delete;
    RenderBufferGL& operator=(const RenderBufferGL&) = delete;

    unsigned name() const { return m_name; }
    int width() const { return m_width; }
    int height() const { return m_height; }

private:
    unsigned m_name = 0;
    int m_width;
    int m_height;
};

// Sampler filter indices, by script name.
enum SamplerFilter {
    FilterNearest = 0,
    FilterLinear = 1,
    FilterNearestMipNearest = 2,
    FilterLinearMipNearest = 3,
    FilterLinearMipLinear = 4,
    FilterAnisotropic = 5,
};

// The filter index a texture with that many levels really gets: without
// lower levels the mipmapped filters fall back to their one-level forms.
int samplerFilterFor(int filter, int levels);

// Applies a filter index and an address mode (0 wrap, other values clamp) to
// the texture, which must be bound; -1 leaves that part as it is. With a max
// anisotropy above 0 the anisotropic filter uses it, every other filter 1.
void applySamplerState(const TextureGL& texture, int filter, int address, float maxAnisotropy);

} // namespace engine
