#pragma once

// The deferred frame of the Direct3D 9 renderer: the geometry, glossiness,
// light and final buffers, the passes that draw meshes and lights into them,
// fog and tone mapping to the window or a target.

#include "engine/render/FrameSteps.h"
#include "engine/render/Renderer.h"
#include "engine/render/RenderVisitor.h"
#include "engine/render/ShadowMapVisitor.h"
#include "engine/render/d3d9/D3DResources.h"

#include <memory>
#include <utility>
#include <vector>

namespace engine {

class Camera;
class LightEntity;
class MeshEntity;
class ParticlesD3D9;
class RenderContextD3D9;
class RenderableShaderD3D9;
class ShaderD3D9;
struct RenderResourcesD3D9;

class DeferredPipelineD3D9 {
public:
    enum PassKind { GeometryPass = 0, MaterialPass = 1, TransparentPass = 2 };

    using Settings = FrameSettings;

    // Compiles the pass programs and makes the buffers for the render size;
    // throws core::Exception when a shader file fails.
    DeferredPipelineD3D9(RenderContextD3D9& context, RenderResourcesD3D9& resources, int width, int height);
    ~DeferredPipelineD3D9();
    DeferredPipelineD3D9(const DeferredPipelineD3D9&) = delete;
    DeferredPipelineD3D9& operator=(const DeferredPipelineD3D9&) = delete;

    void resize(int width, int height);
    void copySettings(const Renderer& renderer, d3d::DepthBuffer* depthStencil);

    void gather(Scene& scene, Camera& camera);
    void geometryPass(Camera& camera);
    void lightPass(Camera& camera);
    void materialPass(Camera& camera);
    void fogPass(const Vec3& color, float nearDistance, float farDistance);
    void transparentPass(Camera& camera);
    // The final buffer, mapped to display colours, into the bound render target.
    void toneMap(const d3d::Texture2D* target);
    // The tone-mapped source, anti-aliased, into the bound render target.
    void fxaa(d3d::Texture2D& source, const d3d::Texture2D* target);
    // The buffer over the whole bound target, its colour scaled, for the
    // debug views; its first channel alone in grey when asked.
    void showBuffer(const d3d::Texture2D& buffer, float scale, bool greyFromRed = false);
    void drawMeshEntity(Camera& camera, MeshEntity& entity, PassKind pass);
    // The light's static casters into a cube of that size, blurred over the
    // cone, kept in the managed pool so that it outlives device resets. Null
    // when the device is lost on the way.
    RenderableTexture* renderStaticShadowMap(LightEntity& light, int size, float blurAngleDegrees);

    const Settings& settings() const { return m_settings; }
    const RenderVisitor& visitor() const { return m_visitor; }
    int width() const { return m_width; }
    int height() const { return m_height; }
    d3d::Texture2D& geometryBuffer() const { return *m_geometryBuffer; }
    d3d::Texture2D& glossinessBuffer() const { return *m_glossinessBuffer; }
    d3d::Texture2D& lightBuffer() const { return *m_lightBuffer; }
    d3d::Texture2D& finalBuffer() const { return *m_finalBuffer; }
    void applyViewport();
    // The first of G16R16, G16R16F and A16B16G16R16F the adapter renders to.
    D3DFORMAT shadowFormat() const { return m_shadowFormat; }
    d3d::Texture2D& shadowMap() const { return *m_shadowMap; }

private:
    struct Programs;

    void setLightTargets();
    // The entity's tangent frames when it asks for them, else its normals.
    void queueDebugLines(MeshEntity& entity);
    void setSurfaceInputs(Camera& camera);
    void ambientLight(LightEntity& light);
    void directionalLight(Camera& camera, LightEntity& light);
    // One cascade: its casters into the shadow map, then the pixels of its
    // view depths lit through it.
    void directionalCascade(Camera& camera, LightEntity& light, const struct CascadeSlice& slice);
    void pointLight(Camera& camera, LightEntity& light, const d3d::TextureCube* shadowCube);
    // The light's static map when it has one, else this frame's cube of its size.
    const d3d::TextureCube* pointShadow(LightEntity& light);
    // The six faces of the cube from the light's position, casters within the range.
    void renderPointShadow(LightEntity& light, d3d::TextureCube& cube, bool staticOnly);
    // Each texel of the destination, the source averaged over a cone around its direction.
    void blurCube(const d3d::TextureCube& source, d3d::TextureCube& destination, float coneAngle);
    d3d::TextureCube& shadowCube(int list, int log2);
    void spotLight(Camera& camera, LightEntity& light, d3d::Texture2D* shadowMap);
    // The spot's casters into the shadow map, blurred when the quality asks.
    void renderSpotShadow(LightEntity& light);
    // Two passes of seven taps: across into the blur map, down back again.
    void blurShadowMap();
    // The states of a shadow caster pass, and the bound target and depth cleared to the farthest.
    void beginCasterPass();
    // Every opaque segment of the casters with the shadow programs, into the bound target.
    void drawCasters(const Mat4& view, const Mat4& viewProj, float invRange, bool staticOnly,
                     bool directional = false);
    // Switches the scissor test for the sphere's rectangle; false when it covers nothing.
    bool scissorToSphere(Camera& camera, const Vec3& viewCenter, float radius);
    // Marks with 1 the stencil of the pixels whose surface lies inside the volume.
    void stencilVolume(Camera& camera, const Mat4x3& model, const class RenderableMeshD3D9& volume);
    // Additive full-screen light quad, limited to the stencil marks when asked.
    void drawLightQuad(bool stencilled);
    void fullScreenState();
    // The viewport and the source step of a copy to the output.
    void setOutputArea(const d3d::Texture2D* target);
    void setMeshFill();

    RenderContextD3D9& m_context;
    RenderResourcesD3D9& m_resources;
    int m_width = 0;
    int m_height = 0;
    Settings m_settings;
    d3d::DepthBuffer* m_depthStencil = nullptr;
    RenderVisitor m_visitor;
    std::unique_ptr<Programs> m_programs;
    std::unique_ptr<RenderableShaderD3D9> m_surfaceShader;
    D3DFORMAT m_finalFormat = D3DFMT_A8R8G8B8;
    std::unique_ptr<d3d::Texture2D> m_geometryBuffer;
    std::unique_ptr<d3d::Texture2D> m_glossinessBuffer;
    std::unique_ptr<d3d::Texture2D> m_lightBuffer;
    std::unique_ptr<d3d::Texture2D> m_finalBuffer;
    std::vector<std::pair<RenderEntity*, float>> m_transparent; // entity, sort key
    std::unique_ptr<ParticlesD3D9> m_particles;
    D3DFORMAT m_shadowFormat = D3DFMT_G16R16;
    std::unique_ptr<d3d::Texture2D> m_shadowMap;
    std::unique_ptr<d3d::Texture2D> m_shadowBlurMap;
    std::unique_ptr<d3d::DepthBuffer> m_shadowDepth;
    ShadowMapVisitor m_casters;
    std::unique_ptr<Camera> m_spotCamera;
    std::unique_ptr<Camera> m_faceCamera;
    // The per-pixel turn of the sun's sample disc, the occlusion's 4 x 4 tile.
    std::unique_ptr<d3d::Texture2D> m_rotationTile;
    // Primary and secondary cubes by log2 of their size, 16 to 512, made when first used.
    std::unique_ptr<d3d::TextureCube> m_shadowCubes[2][10];
};

} // namespace engine
