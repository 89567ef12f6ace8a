#pragma once

// Draws particle entities on OpenGL: every live particle becomes a quad whose
// four vertices carry its whole spawn state, and the vertex shader places it
// with the motion formula. Called by the transparent pass (depth test on,
// depth writes off).

#include <memory>

namespace engine {

class Camera;
class ParticleEntity;
class RenderContextGL;
class RenderableTextureGL;
class ShaderProgramGL;

class ParticlesGL {
public:
    // Bytes of one vertex: spawn position, spawn velocity, corner, then age,
    // size, random and lifetime.
    static constexpr int VertexFloats = 12;

    // Loads the particle program; throws core::Exception when its files fail.
    explicit ParticlesGL(RenderContextGL& context);
    ~ParticlesGL();
    ParticlesGL(const ParticlesGL&) = delete;
    ParticlesGL& operator=(const ParticlesGL&) = delete;

    // What the scene drawn so far offers the particles: its geometry buffer
    // (view z in w, 0 where there is no surface) and the buffers' size, so
    // that particles fade where they meet a surface instead of cutting it.
    struct SceneDepth {
        unsigned geometryBuffer = 0;  // 0: no fading
        int width = 1;
        int height = 1;
    };

    // Each emitter with live particles, in the entity's order. Without
    // diffuse mapping (or a texture) particles sample the default texture.
    void draw(Camera& camera, const ParticleEntity& entity, const RenderableTextureGL* defaultTexture,
              bool diffuseMapping, int textureFilter, const SceneDepth& depth);

    // Particles that fit in one draw.
    static int batchParticles();

private:
    RenderContextGL& m_context;
    std::unique_ptr<ShaderProgramGL> m_program;
};

} // namespace engine
