#pragma once

// The OpenGL context of a renderer on its window, with the state every pass
// shares. The platform part (pixel format, context, swap) is core::GLContext.

#include <memory>

namespace core {
class GLContext;
class Window;
} // namespace core

namespace engine {

class RenderContextGL {
public:
    // Creates and checks the context: entry points, vertical sync, and the
    // capabilities the pipeline cannot do without. Throws core::Exception
    // "Stencil buffer not supported" or "Multiple render target rendering not
    // supported" on hardware that lacks them.
    RenderContextGL(core::Window& window, bool verticalSync);
    virtual ~RenderContextGL();
    RenderContextGL(const RenderContextGL&) = delete;
    RenderContextGL& operator=(const RenderContextGL&) = delete;

    virtual void bindWindowFramebuffer();
    // The window's buffers follow the window: nothing to do.
    virtual void resize(int width, int height);
    virtual void present();

    float maxAnisotropy() const { return m_maxAnisotropy; }
    unsigned framebuffer() const { return m_framebuffer; }

private:
    void checkCapabilities();

    std::unique_ptr<core::GLContext> m_context;
    float m_maxAnisotropy = 0.0f;
    unsigned m_framebuffer = 0;  // the one frame buffer object behind every render target
};

} // namespace engine
