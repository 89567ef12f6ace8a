#pragma once

// The OpenGL context of a renderer on its window, with the state every pass
// shares. The platform part (pixel format, context, swap) is core::GLContext.
// Passes change the program, the blend mode and the texture units only through
// the caches here, so that the caches stay true.

#include "engine/render/FrameSteps.h"
#include "engine/scene/Matrix.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

namespace core {
class GLContext;
class Window;
} // namespace core

namespace engine {

// Appended to every projection before it reaches a shader: maps the engine's
// clip depth 0..w to OpenGL's -w..w.
const Mat4& depthConversionMatrix();

class RenderContextGL {
public:
    // Bytes of client memory lent to immediate-mode drawing.
    static constexpr size_t ScratchBytes = 1048576;
    // Quads the shared quad index array covers.
    static constexpr int MaxQuads = 16384;

    // Creates and checks the context: entry points, vertical sync, and the
    // capabilities the pipeline cannot do without. Throws core::Exception
    // "Stencil buffer not supported" or "Multiple render target rendering not
    // supported" on hardware that lacks them.
    RenderContextGL(core::Window& window, bool verticalSync);
    virtual ~RenderContextGL();
    RenderContextGL(const RenderContextGL&) = delete;
    RenderContextGL& operator=(const RenderContextGL&) = delete;

    // Tells GL objects apart from those of an earlier context: each context
    // gets a new number, 0 while none exists. An object deletes its GL names
    // only while the context that made them is still the live one.
    static uint64_t liveGeneration();
    uint64_t generation() const { return m_generation; }

    virtual void bindWindowFramebuffer();
    // The window's buffers follow the window: nothing to do.
    virtual void resize(int width, int height);
    virtual void present();

    float maxAnisotropy() const { return m_maxAnisotropy; }
    // Whether GL_DEPTH_CLAMP can keep geometry beyond the far plane.
    bool hasDepthClamp() const { return m_depthClamp; }
    unsigned framebuffer() const { return m_framebuffer; }

    // --- state caches ---

    // Makes the program current (0 for none), calling glUseProgram only when it
    // changes; always starts the program's texture units again from 0.
    void useProgram(unsigned program);
    unsigned currentProgram() const { return m_currentProgram; }
    // Sets blending only when the mode changes.
    void setBlendMode(BlendMode mode);
    BlendMode currentBlendMode() const { return m_blendMode; }
    // The next free texture unit of the current program, taken.
    int takeTextureUnit() { return m_nextTextureUnit++; }
    // Binds the texture to the next free unit and points the current
    // program's sampler of that name at it. Returns the unit.
    int bindTexture(const char* sampler, unsigned target, unsigned texture);
    // The same for a sampler whose location the caller already knows.
    int bindTextureAt(int location, unsigned target, unsigned texture);

    // --- render targets, all through the one frame buffer object ---

    // Colour textures at attachments 0 and 1 (0 for none) and the depth and
    // stencil render buffers. Throws core::Exception when the frame buffer is
    // not complete.
    void setRenderTargets(unsigned color0, unsigned color1, unsigned depth, unsigned stencil);
    // One face (0 to 5) of a cube texture at attachment 0.
    void setCubeTarget(unsigned cubeTexture, int face, unsigned depth);

    // --- a draw held back ---

    // 2D drawing may hold its last draw back to merge the next one into it.
    // Everything that would change what that draw does (GL state, render
    // targets, texture contents) or reads the pixels calls drawHeld first; the
    // context's own functions here do.
    using HeldDraw = void (*)(void* owner);
    static void holdDraw(HeldDraw draw, void* owner);
    // Forgets the held draw of owner undrawn, if it holds one.
    static void dropHeldDraw(void* owner);
    static void drawHeld();

    // --- shared drawing ---

    // The corners (-1, 1), (1, 1), (1, -1), (-1, -1) as attribute 0.
    void drawFullScreenQuad();
    // Client memory for that many vertex bytes, or null for more than ScratchBytes.
    void* scratchMemory(size_t bytes);
    // For quad k: 4k, 4k+1, 4k+2, 4k, 4k+2, 4k+3.
    const uint16_t* quadIndices() const { return m_quadIndices.data(); }
    // The same indices in a buffer object, bound as GL_ELEMENT_ARRAY_BUFFER:
    // drawing from it spares the driver copying and scanning them every call.
    void bindQuadIndexBuffer();

private:
    void checkCapabilities();
    void checkFramebuffer();

    std::unique_ptr<core::GLContext> m_context;
    uint64_t m_generation = 0;
    float m_maxAnisotropy = 0.0f;
    bool m_depthClamp = false;
    unsigned m_currentProgram = 0;
    BlendMode m_blendMode = BlendMode::Opaque;
    int m_nextTextureUnit = 0;
    std::vector<uint8_t> m_scratch;
    std::vector<uint16_t> m_quadIndices;
    unsigned m_framebuffer = 0;  // the one frame buffer object behind every render target
    unsigned m_quadIndexBuffer = 0;
};

} // namespace engine
