#pragma once

// Draws particle entities on Direct3D 9 as the OpenGL backend does: every live
// particle becomes a quad whose four vertices carry its whole spawn state, and
// particle_vs places it with the motion formula. Called by the transparent
// pass with the depth test on and depth writes off.

#include "engine/render/d3d9/D3DResources.h"
#include "engine/scene/Matrix.h"

#include <memory>

namespace engine {

class Camera;
class ParticleEntity;
class RenderContextD3D9;
class RenderableTextureD3D9;
class ShaderD3D9;

class ParticlesD3D9 {
public:
    // Floats of one vertex: spawn position, spawn velocity, corner, then age,
    // size, random and lifetime.
    static constexpr int VertexFloats = 12;

    // Compiles the particle programs; throws core or d3d exceptions when they fail.
    explicit ParticlesD3D9(RenderContextD3D9& context);
    ~ParticlesD3D9();
    ParticlesD3D9(const ParticlesD3D9&) = delete;
    ParticlesD3D9& operator=(const ParticlesD3D9&) = delete;

    // What the scene drawn so far offers the particles: its geometry buffer
    // (view z in w, 0 where there is no surface) and the buffers' size, so
    // that particles fade where they meet a surface instead of cutting it.
    struct SceneDepth {
        const d3d::BaseTexture* geometryBuffer = nullptr; // none: no fading
        int width = 1;
        int height = 1;
    };

    // Each emitter with live particles, in the entity's order. Without
    // diffuse mapping (or a texture) particles sample the default texture.
    // textureFilter is a d3d::SamplerDesc filter. clipShift follows the
    // camera's projection: the frame's half-pixel shift that puts edges on
    // the pixels the other renderer covers.
    void draw(Camera& camera, const ParticleEntity& entity, const RenderableTextureD3D9* defaultTexture,
              bool diffuseMapping, int textureFilter, const SceneDepth& depth, const Mat4& clipShift = Mat4());

    // Particles that fit in one draw.
    static int batchParticles();

private:
    RenderContextD3D9& m_context;
    std::unique_ptr<ShaderD3D9> m_vertexShader;
    std::unique_ptr<ShaderD3D9> m_pixelShader;
    d3d::VertexDeclaration m_declaration;
};

} // namespace engine
