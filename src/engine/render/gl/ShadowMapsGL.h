#pragma once

// The shadow maps of the light pass. For point lights, for each size from 16
// to 256: a primary cube (what the light shaders read), a secondary cube (the
// render target when the shadow is blurred into the primary) and a depth
// buffer. Cubes are shared by every light of their size in turn: a light's
// shadow lasts until the next light of that size renders its own. For spot
// lights and the cascades of directional lights: one square map, a second
// one to blur through, and their depth buffer, reused by each in turn.

#include "engine/render/ShadowCube.h"
#include "engine/render/ShadowMapVisitor.h"
#include "engine/render/gl/TextureGL.h"

#include <array>
#include <memory>
#include <vector>

namespace engine {

class Camera;
class LightEntity;
class MeshEntity;
struct CascadeSlice;
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
    static constexpr const char* MapBlurVertexPath = "shaders/gl/ShadowBlur.vsh";
    static constexpr const char* MapBlurFragmentPath = "shaders/gl/ShadowBlur.fsh";

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

    // The spot light's shadow casters seen through its cone into the shadow
    // map, blurred when shadow quality is above 0. Gives the map.
    const Texture2DGL& renderSpotShadow(LightEntity& light, int shadowQuality);
    // The casters of one cascade of a directional light into the shadow map,
    // as depths 0..1 through the slice's shadow matrix. Gives the map.
    const Texture2DGL& renderCascadeShadow(LightEntity& light, const CascadeSlice& slice);
    // Seven-texel box blur of the shadow map, across and then down, through the blur map.
    void blurShadowMap();

    const Texture2DGL& shadowMap() const { return *m_shadowMap; }

private:
    // Clears the square map and draws the opaque segments of the casters into
    // it: view takes world space to the space whose distance from the origin,
    // times invRange, the shadow shader stores; viewProj to GL clip space.
    void renderIntoShadowMap(const std::vector<MeshEntity*>& casters, const Mat4& view, const Mat4& viewProj,
                             float invRange);
    void drawCasters(const std::vector<MeshEntity*>& casters, const Mat4& view, const Mat4& viewProj, float invRange,
                     bool staticOnly);
    // GL_NEAREST or GL_LINEAR reading of the square map, set only when it changes.
    void setMapFilter(int filter);

    RenderContextGL& m_context;
    std::array<std::unique_ptr<ShadowCubeGL>, MaxShadowCubeLog2 + 1> m_cubes;
    std::unique_ptr<ShaderProgramGL> m_blurProgram;
    std::unique_ptr<Texture2DGL> m_shadowMap;
    std::unique_ptr<Texture2DGL> m_shadowBlurMap;
    int m_shadowMapFilter = 0x2601;  // GL_LINEAR, as made
    std::unique_ptr<RenderBufferGL> m_shadowDepth;
    std::unique_ptr<ShaderProgramGL> m_mapBlurProgram;
    ShadowMapVisitor m_visitor;
    std::unique_ptr<Camera> m_faceCamera;  // only for its frustum planes
    std::unique_ptr<Camera> m_spotCamera;  // likewise
};

} // namespace engine
