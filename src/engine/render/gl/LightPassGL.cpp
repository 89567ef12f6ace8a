#include "engine/render/gl/LightPassGL.h"

#include "engine/render/LightEntity.h"
#include "engine/render/RenderVisitor.h"
#include "engine/render/gl/DeferredPipelineGL.h"
#include "engine/render/gl/GLEntryPoints.h"
#include "engine/render/gl/PassUniformsGL.h"
#include "engine/render/gl/RenderContextGL.h"
#include "engine/render/gl/ShaderProgramGL.h"

namespace engine {

LightPassGL::LightPassGL(DeferredPipelineGL& pipeline)
    : m_pipeline(pipeline), m_ambient(programFromFiles(AmbientVertexPath, AmbientFragmentPath)) {}

LightPassGL::~LightPassGL() = default;

void LightPassGL::setTargets() {
    unsigned depth = m_pipeline.depthStencilBuffer().name();
    m_pipeline.context().setRenderTargets(m_pipeline.lightBuffer().name(), 0, depth, depth);
    m_pipeline.applyViewport();
}

void LightPassGL::run(Camera& camera, const RenderVisitor& visitor) {
    (void)camera;
    setTargets();
    glClearColor(0, 0, 0, 0);
    glClear(GL_COLOR_BUFFER_BIT);
    for (LightEntity* light : visitor.lights) {
        switch (light->lightType()) {
        case LightEntity::Ambient:
            ambientLight(*light);
            break;
        case LightEntity::Directional:
            break;
        case LightEntity::Point:
            break;
        case LightEntity::Spot:
            break;
        }
    }
}

void LightPassGL::ambientLight(LightEntity& light) {
    RenderContextGL& context = m_pipeline.context();
    context.useProgram(m_ambient->program());
    setUniform(*m_ambient, "lightColor", light.lightColor());
    glEnable(GL_DEPTH_TEST);
    glDepthMask(GL_FALSE);
    glDisable(GL_ALPHA_TEST);
    context.setBlendMode(BlendMode::Additive);
    context.drawFullScreenQuad();
}

} // namespace engine
