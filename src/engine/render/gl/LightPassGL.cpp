#include "engine/render/gl/LightPassGL.h"

#include "engine/render/CascadedShadows.h"
#include "engine/render/FrameSteps.h"
#include "engine/render/LightEntity.h"
#include "engine/render/LightScissor.h"
#include "engine/render/OcclusionPattern.h"
#include "engine/render/RenderVisitor.h"
#include "engine/render/gl/AmbientOcclusionGL.h"
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
#include <array>
#include <cfloat>
#include <cmath>

namespace engine {

const char* const LightPassGL::ShaderFiles[] = {
    AmbientVertexPath,       AmbientFragmentPath,  DirectionalVertexPath,          DirectionalFragmentPath,
    PointVertexPath,         PointFragmentPath,    PointShadowFragmentPath,        SpotFragmentPath,
    StencilVertexPath,       StencilFragmentPath,  ShadowMapsGL::BlurVertexPath,   ShadowMapsGL::BlurFragmentPath,
    ShadowMapsGL::MapBlurVertexPath, ShadowMapsGL::MapBlurFragmentPath,
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

// Spot cones up to this full angle are drawn as cone volumes and cast
// shadows; wider ones (about 172 degrees and up) fall back to the sphere.
constexpr float MaxConeAngle = 3.0f;

} // namespace

LightPassGL::LightPassGL(DeferredPipelineGL& pipeline)
    : m_pipeline(pipeline),
      m_ambient(programFromFiles(AmbientVertexPath, AmbientFragmentPath)),
      m_directional(programFromFiles(DirectionalVertexPath, DirectionalFragmentPath)),
      m_directionalShadow(programFromFiles(DirectionalVertexPath, DirectionalFragmentPath, {"CAST_SHADOW"})),
      m_point(programFromFiles(PointVertexPath, PointFragmentPath)),
      m_pointShadow(programFromFiles(PointVertexPath, PointShadowFragmentPath)),
      m_spot(programFromFiles(PointVertexPath, SpotFragmentPath)),
      m_spotShadow(programFromFiles(PointVertexPath, SpotFragmentPath, {"CAST_SHADOW"})),
      m_stencil(programFromFiles(StencilVertexPath, StencilFragmentPath)),
      m_shadowMaps(std::make_unique<ShadowMapsGL>(pipeline.context())) {
    m_rotation = std::make_unique<Texture2DGL>(4, 4, 1, GL_RGBA8, GL_NEAREST, GL_NEAREST, GL_REPEAT);
    std::array<uint8_t, 64> pixels = AmbientOcclusionGL::rotationPixels();
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    m_rotation->upload(0, 4, 4, GL_BGRA, pixels.data());
    glBindTexture(GL_TEXTURE_2D, 0);
}

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
        if (!lightReaches(*light))
            continue;
        switch (light->lightType()) {
        case LightEntity::Ambient:
            ambientLight(*light);
            break;
        case LightEntity::Directional:
            if (light->castShadow() && m_pipeline.settings().renderShadows && hasCascades(camera, *light)) {
                forEachCascade(camera, *light, [&](const CascadeSlice& slice) {
                    const Texture2DGL& map = m_shadowMaps->renderCascadeShadow(*light, slice);
                    setTargets();
                    directionalCascade(camera, *light, slice, map);
                });
            } else {
                directionalLight(camera, *light);
            }
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
        case LightEntity::Spot: {
            const Texture2DGL* shadowMap = nullptr;
            if (light->castShadow() && m_pipeline.settings().renderShadows && hasConeShape(*light) &&
                onScreen(camera, *light)) {
                shadowMap = &m_shadowMaps->renderSpotShadow(*light, m_pipeline.settings().shadowQuality);
                setTargets();
            }
            spotLight(camera, *light, shadowMap);
            break;
        }
        }
    }
}

bool LightPassGL::hasCascades(Camera& camera, LightEntity& light) {
    return light.node() && std::min(light.maxShadowDistance(), camera.farDistance()) > camera.nearDistance();
}

bool LightPassGL::hasConeShape(LightEntity& light) {
    return light.spotAngle() > 0 && light.spotAngle() < MaxConeAngle;
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
    setUniform(*m_directional, "quadDepth", -1.0f);
    additiveQuadState(context);
    context.drawFullScreenQuad();
}

void LightPassGL::directionalCascade(Camera& camera, LightEntity& light, const CascadeSlice& slice,
                                     const Texture2DGL& shadowMap) {
    RenderContextGL& context = m_pipeline.context();
    const ShaderProgramGL& program = *m_directionalShadow;
    context.useProgram(program.program());
    setSurfaceInputs(program, camera);
    setUniform(program, "lightDirection", viewDirection(camera, light));
    setUniform(program, "lightColor", light.lightColor());
    context.bindTexture("shadowMap", GL_TEXTURE_2D, shadowMap.name());
    context.bindTexture("rotTex", GL_TEXTURE_2D, m_rotation->name());
    setUniform(program, "shadowProjMatrix",
               Mat4::fromMat4x3(camera.worldTransform()) * slice.shadowMatrix * shadowTextureMatrix());
    setUniformVec2Array(program, "samples", shadowSampleDisc().data(), AmbientOcclusionGL::KernelSize);
    setUniform(program, "invShadowMapSize", 1.0f / float(shadowMap.width()));
    // Surfaces read the map a little off themselves along their normal, by
    // more where texels are coarser, so that a surface at a grazing angle to
    // the light does not shadow itself in stripes.
    setUniform(program, "normalOffset", 1.5f * slice.texelSize);
    setUniform(program, "shadowFade", shadowFade(camera.farDistance(), light.maxShadowDistance()));
    // The last cascade also lights what lies past the shadow distance, where
    // the shadow has faded out: the sun does not stop there.
    bool last = slice.index == CascadeCount - 1;
    float end = last ? FLT_MAX : slice.farSplit;
    setUniform(program, "cascadeRange", Vec2{slice.index == 0 ? 0.0f : slice.nearSplit, end});
    // The shader decides which cascade lights a pixel; the depth test only
    // spares it the pixels well beyond this one, so it stands a little past
    // the split, where the depth buffer and the shader cannot disagree.
    float quadDepth = -1;
    if (!last)
        quadDepth = std::min(2 * projectedDepth(camera.projection(), slice.farSplit * 1.01f) - 1, 1.0f);
    setUniform(program, "quadDepth", quadDepth);
    additiveQuadState(context);
    if (!last)
        glDepthFunc(GL_GEQUAL);
    context.drawFullScreenQuad();
    glDepthFunc(GL_LEQUAL);
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

void LightPassGL::spotLight(Camera& camera, LightEntity& light, const Texture2DGL* shadowMap) {
    Vec3 world = light.node()->worldPosition();
    Vec3 center = camera.worldInverse().transformPoint(world);
    float range = light.lightRange();
    if (!hasConeShape(light)) {
        if (!limitToSphere(camera, world, center, range))
            return;
    } else {
        if (!scissorToSphere(camera, center, range))
            return;
        // Clamped depth keeps the cone's far side where the far plane would
        // cut it off, so a cone reaching past the far plane still marks the
        // surfaces inside it.
        stencilVolume(camera, spotVolumeTransform(light, light.node()->worldTransform()),
                      *m_pipeline.resources().lightVolumeCone, true);
        m_stencilled = true;
    }
    float halfAngle = light.spotAngle() / 2;
    float sharpness = std::clamp(light.spotSharpness(), 0.0f, 1.0f);
    const ShaderProgramGL& program = shadowMap ? *m_spotShadow : *m_spot;
    RenderContextGL& context = m_pipeline.context();
    context.useProgram(program.program());
    setSurfaceInputs(program, camera);
    setUniform(program, "lightPosition", center);
    setUniform(program, "lightColor", light.lightColor());
    setUniform(program, "invLightRange", range > 0 ? 1 / range : 0.0f);
    setUniform(program, "spotDirection", viewDirection(camera, light));
    setUniform(program, "spotFalloff", Vec2{std::cos(halfAngle), std::cos(sharpness * halfAngle)});
    if (shadowMap) {
        context.bindTexture("shadowMap", GL_TEXTURE_2D, shadowMap->name());
        setUniform(program, "shadowProjMatrix",
                   Mat4::fromMat4x3(camera.worldTransform() * light.node()->worldInverse()) *
                       spotShadowProjection(light) * shadowTextureMatrix());
    }
    drawLimited();
}

bool LightPassGL::onScreen(Camera& camera, LightEntity& light) const {
    const Viewport& viewport = m_pipeline.settings().viewport;
    Vec3 center = camera.worldInverse().transformPoint(light.node()->worldPosition());
    return !lightScissorRect(center, light.lightRange(), camera.inverseProjection(), viewport.width, viewport.height)
                .empty();
}

bool LightPassGL::limitToSphere(Camera& camera, const Vec3& worldCenter, const Vec3& viewCenter, float radius) {
    if (!scissorToSphere(camera, viewCenter, radius))
        return false;
    // Past the far plane the volume's back is clipped away and would mark nothing.
    m_stencilled = camera.farDistance() > radius + viewCenter.z;
    if (m_stencilled) {
        Mat4x3 volume{Mat3{{{radius, 0, 0}, {0, radius, 0}, {0, 0, radius}}}, worldCenter};
        stencilVolume(camera, volume, *m_pipeline.resources().lightVolumeSphere, false);
    }
    return true;
}

bool LightPassGL::scissorToSphere(Camera& camera, const Vec3& viewCenter, float radius) {
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
    return true;
}

// Surfaces inside the volume see its front in front of them and its back
// behind them: only the back fails the depth test there, leaving 1.
void LightPassGL::stencilVolume(Camera& camera, const Mat4x3& model, RenderableMeshGL& volume, bool clampDepth) {
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
    setUniform(*m_stencil, "viewProjMatrix",
               Mat4::fromMat4x3(model) * camera.viewProjection() * depthConversionMatrix());
    bool clamp = clampDepth && context.hasDepthClamp();
    if (clamp)
        glEnable(GL_DEPTH_CLAMP);
    volume.draw();
    if (clamp)
        glDisable(GL_DEPTH_CLAMP);
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
