#pragma once

// OpenGL texture objects and the sampler states every pass applies to them.

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

protected:
    friend void applySamplerState(const TextureGL&, int, int, float);

    // Generates the GL name and binds it to the target.
    TextureGL(unsigned target, int width, int height, int levels);

    unsigned m_name = 0;
    unsigned m_target;
    int m_width;
    int m_height;
    int m_levels;
    // The sampler state last applied, so that a pass binding the same texture
    // segment after segment does not set it again; -1 until one is applied
    // (the constructors' own settings count as unknown).
    mutable int m_appliedFilter = -1;
    mutable float m_appliedAnisotropy = -1;
    mutable int m_appliedAddress = -1;
};

class Texture2DGL final : public TextureGL {
public:
    // Allocates level 0 without data and sets the filters and the S and T wrap
    // mode; leaves the texture bound.
    Texture2DGL(int width, int height, int levels, int internalFormat, int minFilter, int magFilter, int wrap);
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
