#pragma once

// Render targets and full-screen shader passes of the current renderer.

#include "engine/scene/Vector.h"

namespace engine {

class RenderableShader;
class RenderableTexture;

class Graphics {
public:
    // The renderer's graphics object, or null without a renderer.
    static Graphics* current();

    Graphics();
    virtual ~Graphics();
    Graphics(const Graphics&) = delete;
    Graphics& operator=(const Graphics&) = delete;

    // The texture's render target, or the window for null.
    virtual void setRenderTarget(RenderableTexture* texture) = 0;
    virtual void useShader(RenderableShader* shader) = 0;
    virtual void clear(Color color) = 0;
    virtual void drawFullScreenQuad() = 0;
    // Draws the source over the target (the window for null) through the
    // shader (the renderer's copy shader for null).
    virtual void blit(RenderableTexture* source, RenderableTexture* target, RenderableShader* shader) = 0;
};

} // namespace engine
