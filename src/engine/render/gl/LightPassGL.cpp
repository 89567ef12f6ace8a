#include "engine/render/gl/LightPassGL.h"

#include "engine/render/LightEntity.h"
#include "engine/render/LightScissor.h"
#include "engine/render/RenderVisitor.h"
#include "engine/render/gl/DeferredPipelineGL.h"
#include "engine/render/gl/GLChecks.h"
#include "engine/render/gl/GLEntryPoints.h"
#include "engine/render/gl/PassUniformsGL.h"
#include "engine/render/gl/RenderContextGL.h"
#include "engine/render/gl/RenderableMeshGL.h"
#include "engine/render/gl/RenderableTextureGL.h"
#include "engine/render/gl/RendererGL.h"
#include "engine/render/gl/ShaderProgramGL.h"
#include "engine/render/gl/ShadowMapsGL.h"
#include "engine/scene/Camera.h"

#include <algorithm>
#include <cmath>

namespace engine {

const char* const LightPassGL::ShaderFiles[] = {
    AmbientVertexPath,       AmbientFragmentPath,  DirectionalVertexPath,          DirectionalFragmentPath,
    PointVertexPath,         PointFragmentPath,    PointShadowFragmentPath,        SpotFragmentPath,
    StencilVertexPath,       StencilFragmentPath,  ShadowMapsGL::BlurVertexPath,   ShadowMapsGL::BlurFragmentPath,
    nullptr,
};

namespace {

// The light's direction (its node's +Z) in the camera's view space.
Vec3 viewDirection(Camera& camera, LightEntity& light) {
    return normalize(light.node()->worldRotation().row[2] * camera.worldInverse().rot);
}

void additiveQuadState(RenderContextGL& context) {
    glEnable(GL_DEPTH_TEST);
    glDepthMask(GL_FALSE);
    glDisable(GL_ALPHA_TEST);
    context.setBlendMode(BlendMode::Additive);
}

} // namespace

LightPassGL::LightPassGL(DeferredPipelineGL& pipeline)
    : m_pipeline(pipeline),
      m_ambient(programFromFiles(AmbientVertexPath, AmbientFragmentPath)),
      m_directional(programFromFiles(DirectionalVertexPath, DirectionalFragmentPath)),
      m_point(programFromFiles(PointVertexPath, PointFragmentPath)),
      m_pointShadow(programFromFiles(PointVertexPath, PointShadowFragmentPath)),
      m_spot(programFromFiles(PointVertexPath, SpotFragmentPath)),
      m_stencil(programFromFiles(StencilVertexPath, StencilFragmentPath)),
      m_shadowMaps(std::make_unique<ShadowMapsGL>(pipeline.context())) {}

LightPassGL::~LightPassGL() = default;

void LightPassGL::setTargets() {
    unsigned depth = m_pipeline.depthStencilBuffer().name();
    m_pipeline.context().setRenderTargets(m_pipeline.lightBuffer().name(), 0, depth, depth);
    m_pipeline.applyViewport();
}

void LightPassGL::run(Camera& camera, const RenderVisitor& visitor) {
    setTargets();
    glClearColor(0, 0, 0, 0);
    glClear(GL_COLOR_BUFFER_BIT);
    for (LightEntity* light : visitor.lights) {
        // A sphere of no size reaches nothing; a negative range would turn
        // the scissor and the volume inside out.
        bool bounded = light->lightType() == LightEntity::Point || light->lightType() == LightEntity::Spot;
        if (bounded && !(light->lightRange() > 0))
            continue;
        switch (light->lightType()) {
        case LightEntity::Ambient:
            ambientLight(*light);
            break;
        case LightEntity::Directional:
            directionalLight(camera, *light);
            break;
        case LightEntity::Point: {
            const TextureCubeGL* shadowCube = nullptr;
            // No shadow is rendered for a light that will not be drawn.
            if (light->castShadow() && m_pipeline.settings().renderShadows && onScreen(camera, *light)) {
                shadowCube = shadowCubeOf(*light);
                setTargets();
            }
            pointLight(camera, *light, shadowCube);
            break;
        }
        case LightEntity::Spot:
            spotLight(camera, *light);
            break;
        }
    }
}

const TextureCubeGL* LightPassGL::shadowCubeOf(LightEntity& light) {
    // A script may store any texture as the static map; only a cube can be one.
    auto* stored = dynamic_cast<RenderableTextureGL*>(light.staticShadowMap());
    if (auto* cube = stored ? dynamic_cast<const TextureCubeGL*>(stored->texture()) : nullptr)
        return cube;
    return &m_shadowMaps->renderFrameShadow(light, m_pipeline.settings().shadowQuality);
}

void LightPassGL::ambientLight(LightEntity& light) {
    RenderContextGL& context = m_pipeline.context();
    context.useProgram(m_ambient->program());
    setUniform(*m_ambient, "lightColor", light.lightColor());
    additiveQuadState(context);
    context.drawFullScreenQuad();
}

void LightPassGL::setSurfaceInputs(const ShaderProgramGL& program, Camera& camera) {
    RenderContextGL& context = m_pipeline.context();
    context.bindTexture("geometryBuffer", GL_TEXTURE_2D, m_pipeline.geometryBuffer().name());
    context.bindTexture("glossinessBuffer", GL_TEXTURE_2D, m_pipeline.glossinessBuffer().name());
    setUniform(program, "invScreenSize", Vec2{1.0f / float(m_pipeline.width()), 1.0f / float(m_pipeline.height())});
    setUniform(program, "invNear", 1.0f / camera.nearDistance());
    setUniform(program, "invProjectionMatrix", camera.inverseProjection());
}

void LightPassGL::directionalLight(Camera& camera, LightEntity& light) {
    RenderContextGL& context = m_pipeline.context();
    context.useProgram(m_directional->program());
    setSurfaceInputs(*m_directional, camera);
    setUniform(*m_directional, "lightDirection", viewDirection(camera, light));
    setUniform(*m_directional, "lightColor", light.lightColor());
    additiveQuadState(context);
    context.drawFullScreenQuad();
}

void LightPassGL::pointLight(Camera& camera, LightEntity& light, const TextureCubeGL* shadowCube) {
    Vec3 world = light.node()->worldPosition();
    Vec3 center = camera.worldInverse().transformPoint(world);
    float range = light.lightRange();
    if (!limitToSphere(camera, world, center, range))
        return;
    const ShaderProgramGL& program = shadowCube ? *m_pointShadow : *m_point;
    RenderContextGL& context = m_pipeline.context();
    context.useProgram(program.program());
    setSurfaceInputs(program, camera);
    setUniform(program, "lightPosition", center);
    setUniform(program, "lightColor", light.lightColor());
    setUniform(program, "invLightRange", range > 0 ? 1 / range : 0.0f);
    if (shadowCube) {
        context.bindTexture("shadowCubeMap", GL_TEXTURE_CUBE_MAP, shadowCube->name());
        // View space to light-relative world space, in units of the range.
        Mat4x3 fromView = camera.worldTransform();
        fromView.pos = fromView.pos - world;
        setUniform(program, "shadowProjMatrix", Mat4::fromMat4x3(fromView) * (range > 0 ? 1 / range : 0.0f));
    }
    drawLimited();
}

void LightPassGL::spotLight(Camera& camera, LightEntity& light) {
    Vec3 world = light.node()->worldPosition();
    Vec3 center = camera.worldInverse().transformPoint(world);
    float range = light.lightRange();
    if (!limitToSphere(camera, world, center, range))
        return;
    float halfAngle = light.spotAngle() / 2;
    float sharpness = std::clamp(light.spotSharpness(), 0.0f, 1.0f);
    RenderContextGL& context = m_pipeline.context();
    context.useProgram(m_spot->program());
    setSurfaceInputs(*m_spot, camera);
    setUniform(*m_spot, "lightPosition", center);
    setUniform(*m_spot, "lightColor", light.lightColor());
    setUniform(*m_spot, "invLightRange", range > 0 ? 1 / range : 0.0f);
    setUniform(*m_spot, "spotDirection", viewDirection(camera, light));
    setUniform(*m_spot, "spotFalloff", Vec2{std::cos(halfAngle), std::cos(sharpness * halfAngle)});
    drawLimited();
}

bool LightPassGL::onScreen(Camera& camera, LightEntity& light) const {
    const Viewport& viewport = m_pipeline.settings().viewport;
    Vec3 center = camera.worldInverse().transformPoint(light.node()->worldPosition());
    return !lightScissorRect(center, light.lightRange(), camera.inverseProjection(), viewport.width, viewport.height)
                .empty();
}

bool LightPassGL::limitToSphere(Camera& camera, const Vec3& worldCenter, const Vec3& viewCenter, float radius) {
    const Viewport& viewport = m_pipeline.settings().viewport;
    ScissorRect rect = lightScissorRect(viewCenter, radius, camera.inverseProjection(), viewport.width, viewport.height);
    if (rect.empty())
        return false;
    if (rect.coversViewport()) {
        glDisable(GL_SCISSOR_TEST);
    } else {
        glEnable(GL_SCISSOR_TEST);
        glScissor(viewport.x + rect.left, m_pipeline.height() - viewport.y - viewport.height + rect.bottom,
                  rect.right - rect.left, rect.top - rect.bottom);
        checkGLError("glScissor");
    }
    // Past the far plane the volume's back is clipped away and would mark nothing.
    m_stencilled = camera.farDistance() > radius + viewCenter.z;
    if (m_stencilled)
        stencilVolume(camera, worldCenter, radius);
    return true;
}

// Surfaces inside the sphere see its front in front of them and its back
// behind them: only the back fails the depth test there, leaving 1.
void LightPassGL::stencilVolume(Camera& camera, const Vec3& worldCenter, float radius) {
    RenderContextGL& context = m_pipeline.context();
    const GLEntryPoints& f = gl();
    glEnable(GL_DEPTH_TEST);
    glDepthMask(GL_FALSE);
    context.setBlendMode(BlendMode::Opaque);
    glDisable(GL_ALPHA_TEST);
    glDisable(GL_CULL_FACE);
    glColorMask(GL_FALSE, GL_FALSE, GL_FALSE, GL_FALSE);
    glEnable(GL_STENCIL_TEST);
    glStencilFunc(GL_ALWAYS, 0, ~0u);
    f.glStencilOpSeparate(GL_FRONT, GL_KEEP, GL_DECR_WRAP, GL_KEEP);
    f.glStencilOpSeparate(GL_BACK, GL_KEEP, GL_INCR_WRAP, GL_KEEP);
    context.useProgram(m_stencil->program());
    Mat4x3 volume{Mat3{{{radius, 0, 0}, {0, radius, 0}, {0, 0, radius}}}, worldCenter};
    setUniform(*m_stencil, "viewProjMatrix",
               Mat4::fromMat4x3(volume) * camera.viewProjection() * depthConversionMatrix());
    m_pipeline.resources().lightVolumeSphere->draw();
    glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
}

void LightPassGL::drawLimited() {
    RenderContextGL& context = m_pipeline.context();
    additiveQuadState(context);
    if (m_stencilled) {
        // Each lit pixel goes back to 0 for the next light.
        glEnable(GL_STENCIL_TEST);
        glStencilFunc(GL_EQUAL, 1, 255);
        glStencilOp(GL_KEEP, GL_ZERO, GL_ZERO);
        checkGLError("pointlight stencil");
    }
    context.drawFullScreenQuad();
    glDisable(GL_STENCIL_TEST);
    glDisable(GL_SCISSOR_TEST);
}

} // namespace engine
