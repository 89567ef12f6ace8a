#pragma once

// Screen-space ambient occlusion over the Direct3D 9 final buffer: the view
// depth is copied to its own texture, the occlusion computed from it, blurred
// across and then down, and the result multiplies the final buffer.

#include "engine/render/d3d9/D3DResources.h"

#include <cstdint>
#include <memory>

namespace engine {

class Camera;
class DeferredPipelineD3D9;
class RenderContextD3D9;
class ShaderD3D9;

class AmbientOcclusionD3D9 {
public:
    static constexpr float PixelRadius = 35.0f;
    static constexpr float BlurThreshold = 0.02f;

    // Compiles the programs and makes the textures; throws core::Exception
    // when the shader file fails or the adapter renders to none of a texture's formats.
    AmbientOcclusionD3D9(RenderContextD3D9& context, int width, int height);
    ~AmbientOcclusionD3D9();
    AmbientOcclusionD3D9(const AmbientOcclusionD3D9&) = delete;
    AmbientOcclusionD3D9& operator=(const AmbientOcclusionD3D9&) = delete;

    void resize(int width, int height);
    // The occlusion of the pipeline's surfaces multiplied into its final
    // buffer, each step inside its viewport. Quality above 0 takes every
    // sample of the disc, else every other one.
    void apply(Camera& camera, DeferredPipelineD3D9& pipeline, int quality);

    // The unblurred occlusion of the last apply.
    const d3d::Texture2D& occlusionTexture() const { return *m_occlusion; }

    // Pixel k of the 4 x 4 rotation tile as A8R8G8B8 (0xAARRGGBB): alpha and
    // red q(cos a), green q(-sin a), blue q(sin a) for the tile's angle a.
    static uint32_t rotationPixel(int k);
    // The tile in the managed pool, read with wrapping by the occlusion and
    // the sun's shadow filter.
    static std::unique_ptr<d3d::Texture2D> createRotationTile();

private:
    RenderContextD3D9& m_context;
    std::unique_ptr<ShaderD3D9> m_depthVs, m_depthPs;
    std::unique_ptr<ShaderD3D9> m_occlusionVs, m_occlusionPs, m_occlusionHighPs;
    std::unique_ptr<ShaderD3D9> m_blurVs, m_blurXPs, m_blurYPs;
    D3DFORMAT m_depthFormat = D3DFMT_UNKNOWN;
    D3DFORMAT m_occlusionFormat = D3DFMT_UNKNOWN;
    std::unique_ptr<d3d::Texture2D> m_depth;
    std::unique_ptr<d3d::Texture2D> m_occlusion;
    std::unique_ptr<d3d::Texture2D> m_blur;
    std::unique_ptr<d3d::Texture2D> m_rotation;
};

} // namespace engine
