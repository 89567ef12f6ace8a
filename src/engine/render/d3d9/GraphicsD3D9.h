#pragma once

// Render targets and full-screen shader passes on the Direct3D 9 renderer.

#include "engine/draw/Graphics.h"

namespace engine {

class RenderContextD3D9;
class RendererD3D9;

class GraphicsD3D9 final : public Graphics {
public:
    GraphicsD3D9(RenderContextD3D9& context, RendererD3D9& renderer);

    // Also sets the viewport to the whole target.
    void setRenderTarget(RenderableTexture* texture) override;
    // Throws core::Exception for a shader without a full-screen program.
    void useShader(RenderableShader* shader) override;
    void clear(Color color) override;
    void drawFullScreenQuad() override;
    // The source goes to the shader's sampler "g_sourceTex".
    void blit(RenderableTexture* source, RenderableTexture* target, RenderableShader* shader) override;

private:
    RenderContextD3D9& m_context;
    RendererD3D9& m_renderer;
};

} // namespace engine
