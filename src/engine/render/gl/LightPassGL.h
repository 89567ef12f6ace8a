#pragma once

// The light pass of the deferred frame: every visible light adds its share
// to the light buffer, reading the geometry and glossiness buffers. One
// method and one set of programs per kind of light. Point lights shade only
// their sphere's screen rectangle and, when the sphere lies in front of the
// far plane, only the pixels inside it (a stencil volume); spot lights the
// pixels inside their cone. Shadows: point lights from cubes, spot lights
// from a map seen through their cone, directional lights from four cascades.

#include "engine/scene/Matrix.h"

#include <memory>

namespace engine {

class Camera;
class DeferredPipelineGL;
class LightEntity;
class RenderVisitor;
class ShaderProgramGL;
class ShadowMapsGL;
class Texture2DGL;
class TextureCubeGL;
class RenderableMeshGL;
struct CascadeSlice;

class LightPassGL {
public:
    static constexpr const char* AmbientVertexPath = "shaders/gl/AmbientLight.vsh";
    static constexpr const char* AmbientFragmentPath = "shaders/gl/AmbientLight.fsh";
    static constexpr const char* DirectionalVertexPath = "shaders/gl/DirectionalLight.vsh";
    static constexpr const char* DirectionalFragmentPath = "shaders/gl/DirectionalLight.fsh";
    static constexpr const char* PointVertexPath = "shaders/gl/PointLight.vsh";
    static constexpr const char* PointFragmentPath = "shaders/gl/PointLight.fsh";
    static constexpr const char* PointShadowFragmentPath = "shaders/gl/PointLight_CastShadow.fsh";
    static constexpr const char* SpotFragmentPath = "shaders/gl/SpotLight.fsh";
    static constexpr const char* StencilVertexPath = "shaders/gl/Stencil.vsh";
    static constexpr const char* StencilFragmentPath = "shaders/gl/Stencil.fsh";
    // Every shader file the pass and its shadow cubes load.
    static const char* const ShaderFiles[];

    // Loads the light programs and makes the shadow cubes; throws
    // core::Exception when a program fails.
    explicit LightPassGL(DeferredPipelineGL& pipeline);
    ~LightPassGL();
    LightPassGL(const LightPassGL&) = delete;
    LightPassGL& operator=(const LightPassGL&) = delete;

    // Clears the light buffer and adds the visitor's lights to it, in order.
    void run(Camera& camera, const RenderVisitor& visitor);

    // The light buffer as the only colour target, with the shared depth and
    // stencil, and the scene's viewport.
    void setTargets();
    void ambientLight(LightEntity& light);
    void directionalLight(Camera& camera, LightEntity& light);
    // One cascade of a shadowed directional light, its map rendered.
    void directionalCascade(Camera& camera, LightEntity& light, const CascadeSlice& slice,
                            const Texture2DGL& shadowMap);
    // With the light's shadow cube, or null for none.
    void pointLight(Camera& camera, LightEntity& light, const TextureCubeGL* shadowCube);
    // The pixels inside the cone, with the light's shadow map or null for none.
    void spotLight(Camera& camera, LightEntity& light, const Texture2DGL* shadowMap);

    ShadowMapsGL& shadowMaps() const { return *m_shadowMaps; }

private:
    // The cube a shadow-casting point light reads this frame: its own static
    // map when it holds a cube, else one rendered now.
    const TextureCubeGL* shadowCubeOf(LightEntity& light);
    // Whether a directional light's cascades have any depth to cover.
    static bool hasCascades(Camera& camera, LightEntity& light);
    // Whether the spot's cone can be drawn as a volume and seen through as a
    // projection: an angle above 0 and short of a half turn.
    static bool hasConeShape(LightEntity& light);
    // Some of the light's sphere is in the viewport.
    bool onScreen(Camera& camera, LightEntity& light) const;
    // Scissor and, in front of the far plane, stencil for the sphere around
    // the light; false (nothing to draw) when the sphere is off the screen.
    bool limitToSphere(Camera& camera, const Vec3& worldCenter, const Vec3& viewCenter, float radius);
    // Only the scissor of the sphere; false when it is off the screen.
    bool scissorToSphere(Camera& camera, const Vec3& viewCenter, float radius);
    void stencilVolume(Camera& camera, const Mat4x3& model, RenderableMeshGL& volume, bool clampDepth);
    // The buffers and camera values every surface-lighting program reads.
    void setSurfaceInputs(const ShaderProgramGL& program, Camera& camera);
    // Additive, limited by the scissor and the stencil when set; then both are off.
    void drawLimited();

    DeferredPipelineGL& m_pipeline;
    std::unique_ptr<ShaderProgramGL> m_ambient;
    std::unique_ptr<ShaderProgramGL> m_directional;
    std::unique_ptr<ShaderProgramGL> m_directionalShadow;
    std::unique_ptr<ShaderProgramGL> m_point;
    std::unique_ptr<ShaderProgramGL> m_pointShadow;
    std::unique_ptr<ShaderProgramGL> m_spot;
    std::unique_ptr<ShaderProgramGL> m_spotShadow;
    std::unique_ptr<Texture2DGL> m_rotation;  // the per-pixel turn of the sun's sample disc
    std::unique_ptr<ShaderProgramGL> m_stencil;
    std::unique_ptr<ShadowMapsGL> m_shadowMaps;
    bool m_stencilled = false;  // the current light's volume is in the stencil buffer
};

} // namespace engine
