#pragma once

// The full-screen passes that finish a frame: fog over the lit scene, tone
// mapping of the final buffer to the window or a texture, and anti-aliasing
// of the tone-mapped picture.

#include "engine/scene/Vector.h"

#include <memory>

namespace engine {

class RenderContextGL;
class ShaderProgramGL;
class Texture2DGL;
class TextureGL;

class FogPassGL {
public:
    explicit FogPassGL(RenderContextGL& context);
    ~FogPassGL();
    FogPassGL(const FogPassGL&) = delete;
    FogPassGL& operator=(const FogPassGL&) = delete;

    // What a shader needs to compute the fog amount as depth × x + y: 0 at
    // the near distance, 1 at the far one. Equal distances make a sharp
    // step at that distance rather than infinite parameters.
    static Vec2 fogParams(float nearDistance, float farDistance);

    // Blends the fog colour over the final buffer by the geometry buffer's depth.
    void apply(const TextureGL& geometryBuffer, const TextureGL& finalBuffer);

    Vec3 color{0, 0, 0};
    float nearDistance = 0;
    float farDistance = 0;

private:
    RenderContextGL& m_context;
    std::unique_ptr<ShaderProgramGL> m_program;
};

class TonemapPassGL {
public:
    explicit TonemapPassGL(RenderContextGL& context);
    ~TonemapPassGL();
    TonemapPassGL(const TonemapPassGL&) = delete;
    TonemapPassGL& operator=(const TonemapPassGL&) = delete;

    // Into the target texture over its whole size, or, without one, into the
    // window's back buffer inside the current viewport.
    void apply(const TextureGL& finalBuffer, const TextureGL* target);

private:
    RenderContextGL& m_context;
    std::unique_ptr<ShaderProgramGL> m_program;
};

// FXAA: tone mapping goes into the pass's own source texture (render size,
// 8 bits a channel, as the window shows it), and the pass smooths the edges
// found in it into the window or the target texture.
class FxaaPassGL {
public:
    FxaaPassGL(RenderContextGL& context, int width, int height);
    ~FxaaPassGL();
    FxaaPassGL(const FxaaPassGL&) = delete;
    FxaaPassGL& operator=(const FxaaPassGL&) = delete;

    void resize(int width, int height);
    // Where tone mapping writes when FXAA is on.
    const TextureGL& source() const;
    // From the source into the target texture over its whole size, or,
    // without one, into the window's back buffer inside the current viewport.
    void apply(const TextureGL* target);

private:
    RenderContextGL& m_context;
    std::unique_ptr<ShaderProgramGL> m_program;
    std::unique_ptr<Texture2DGL> m_source;
};

} // namespace engine
