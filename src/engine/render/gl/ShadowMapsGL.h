#pragma once

// The shadow cubes of point lights. For each size from 16 to 256 there is a
// primary cube (what the light shaders read), a secondary cube (the render
// target when the shadow is blurred into the primary) and a depth buffer.
// Cubes are shared by every light of their size in turn: a light's shadow
// lasts until the next light of that size renders its own.

#include "engine/render/ShadowCube.h"
#include "engine/render/ShadowMapVisitor.h"
#include "engine/render/gl/TextureGL.h"

#include <array>
#include <memory>

namespace engine {

class Camera;
class LightEntity;
class RenderContextGL;
class ShaderProgramGL;

struct ShadowCubeGL {
    std::unique_ptr<TextureCubeGL> primary;
    std::unique_ptr<TextureCubeGL> secondary;
    std::unique_ptr<RenderBufferGL> depth;
};

class ShadowMapsGL {
public:
    // Shadow cubes hold the moments (d, d²) of the distance to the light.
    static constexpr int CubeFormat = 0x822C;  // GL_RG16
    static constexpr int DepthFormat = 0x81A6; // GL_DEPTH_COMPONENT24
    static constexpr const char* BlurVertexPath = "shaders/gl/BlurCubeMap.vsh";
    static constexpr const char* BlurFragmentPath = "shaders/gl/BlurCubeMap.fsh";

    // Makes the cubes of every size and the blur program; throws
    // core::Exception when a shader file is missing or does not build.
    explicit ShadowMapsGL(RenderContextGL& context);
    ~ShadowMapsGL();
    ShadowMapsGL(const ShadowMapsGL&) = delete;
    ShadowMapsGL& operator=(const ShadowMapsGL&) = delete;

    // The resources of size 2^log2, null for sizes that have none.
    ShadowCubeGL* cubes(int log2) const;
    // The resources a light asking for that shadow map size uses.
    ShadowCubeGL& cubesForSize(int requestedSize) const;

    // The light's shadow for this frame: rendered into the primary cube, or
    // with shadow quality above 0 into the secondary cube and blurred into the
    // primary one. Gives the primary cube.
    TextureCubeGL& renderFrameShadow(LightEntity& light, int shadowQuality);

    // Draws the shadow casters of the light's scene around its world position
    // into the six faces of the cube, with the depth buffer of the cube's
    // size. With staticOnly, only casters with the static shadow flag.
    void renderPointShadow(LightEntity& light, TextureCubeGL& cube, RenderBufferGL& depth, bool staticOnly);

    // Averages the source over a cone of that full angle around each texel's
    // direction into the destination, a cube of the same size.
    void blurCube(const TextureCubeGL& source, TextureCubeGL& destination, float coneAngle);

private:
    RenderContextGL& m_context;
    std::array<std::unique_ptr<ShadowCubeGL>, MaxShadowCubeLog2 + 1> m_cubes;
    std::unique_ptr<ShaderProgramGL> m_blurProgram;
    ShadowMapVisitor m_visitor;
    std::unique_ptr<Camera> m_faceCamera;  // only for its frustum planes
};

} // namespace engine
