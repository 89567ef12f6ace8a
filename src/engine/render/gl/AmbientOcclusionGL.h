#pragma once

// Screen-space ambient occlusion over the final buffer: the view depth is
// copied to its own texture, the occlusion computed from it, blurred across
// and then down, and the result multiplies the final buffer.

#include "engine/render/gl/TextureGL.h"

#include <array>
#include <cstdint>
#include <memory>

namespace engine {

class Camera;
class RenderContextGL;
class ShaderProgramGL;

class AmbientOcclusionGL {
public:
    static constexpr int KernelSize = 17;
    // The kernel as (x, y) pairs, lengths n/18 for n = 1..17 in a shuffled order.
    static const std::array<float, KernelSize * 2> Kernel;
    static constexpr float PixelRadius = 35.0f;
    static constexpr float BlurThreshold = 0.02f;

    // Loads the five programs and makes the textures; throws core::Exception
    // when a shader file fails.
    AmbientOcclusionGL(RenderContextGL& context, int width, int height);
    ~AmbientOcclusionGL();
    AmbientOcclusionGL(const AmbientOcclusionGL&) = delete;
    AmbientOcclusionGL& operator=(const AmbientOcclusionGL&) = delete;

    void resize(int width, int height);
    // Quality 1 and above takes the high-quality program.
    void apply(Camera& camera, const TextureGL& geometryBuffer, const TextureGL& finalBuffer, int quality);

    // The unblurred occlusion of the last apply.
    const Texture2DGL& occlusionTexture() const { return *m_occlusion; }

    // The 16 pixels of the rotation pattern as stored in memory (B, G, R, A per pixel).
    static std::array<uint8_t, 64> rotationPixels();

private:
    RenderContextGL& m_context;
    int m_width = 0;
    int m_height = 0;
    std::unique_ptr<ShaderProgramGL> m_prepareDepth;
    std::unique_ptr<ShaderProgramGL> m_occlusionProgram;
    std::unique_ptr<ShaderProgramGL> m_occlusionHighQuality;
    std::unique_ptr<ShaderProgramGL> m_blurX;
    std::unique_ptr<ShaderProgramGL> m_blurY;
    std::unique_ptr<Texture2DGL> m_depth;
    std::unique_ptr<Texture2DGL> m_occlusion;
    std::unique_ptr<Texture2DGL> m_blur;
    std::unique_ptr<Texture2DGL> m_rotation;
};

} // namespace engine
