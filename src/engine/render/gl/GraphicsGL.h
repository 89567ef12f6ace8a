#pragma once

// Render targets and full-screen shader passes on the OpenGL renderer.

#include "engine/draw/Graphics.h"

namespace engine {

class RenderContextGL;
class RenderableTextureGL;
class TextureGL;
class Renderer;
struct RenderResourcesGL;

class GraphicsGL final : public Graphics {
public:
    GraphicsGL(RenderContextGL& context, Renderer& renderer, RenderResourcesGL& resources);

    // Also sets the viewport to the whole target.
    void setRenderTarget(RenderableTexture* texture) override;
    // Throws core::Exception for a shader without a full-screen program.
    void useShader(RenderableShader* shader) override;
    void clear(Color color) override;
    void drawFullScreenQuad() override;
    void blit(RenderableTexture* source, RenderableTexture* target, RenderableShader* shader) override;

private:
    // The source's texture, or an upright copy of a picture in a temporary
    // render buffer (returned in copy, to be released after the draw).
    const TextureGL* uprightSource(const RenderableTextureGL& source, RenderableTexture*& copy);

    RenderContextGL& m_context;
    Renderer& m_renderer;
    RenderResourcesGL& m_resources;
};

} // namespace engine
