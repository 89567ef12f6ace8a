#pragma once

// The light pass of the deferred frame: every visible light adds its share
// to the light buffer, reading the geometry and glossiness buffers. One
// method and one set of programs per kind of light.

#include <memory>

namespace engine {

class Camera;
class DeferredPipelineGL;
class LightEntity;
class RenderVisitor;
class ShaderProgramGL;

class LightPassGL {
public:
    static constexpr const char* AmbientVertexPath = "shaders/gl/AmbientLight.vsh";
    static constexpr const char* AmbientFragmentPath = "shaders/gl/AmbientLight.fsh";

    // Loads the light programs; throws core::Exception when one fails.
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

private:
    DeferredPipelineGL& m_pipeline;
    std::unique_ptr<ShaderProgramGL> m_ambient;
};

} // namespace engine
