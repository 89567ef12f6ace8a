#include "engine/render/gl/PostPassesGL.h"

#include "engine/render/gl/GLChecks.h"
#include "engine/render/gl/GLEntryPoints.h"
#include "engine/render/gl/PassUniformsGL.h"
#include "engine/render/gl/RenderContextGL.h"
#include "engine/render/gl/ShaderProgramGL.h"
#include "engine/render/gl/TextureGL.h"

#include <algorithm>

namespace engine {

namespace {

// The last passes copy a whole picture into the window or into a target, which
// may be of another size: they draw opaque, without depth or culling. Returns
// the inverse size of what is drawn into.
Vec2 beginCopyToOutput(RenderContextGL& context, const ShaderProgramGL& program, const TextureGL& source,
                       const TextureGL* target) {
    const TextureGL& output = target ? *target : source;
    if (target) {
        context.setRenderTargets(target->name(), 0, 0, 0);
        glViewport(0, 0, target->width(), target->height());
        checkGLError("glViewport");
    } else {
        context.bindWindowFramebuffer();
    }
    glDisable(GL_DEPTH_TEST);
    glDepthMask(GL_FALSE);
    glDisable(GL_ALPHA_TEST);
    glDisable(GL_CULL_FACE);
    context.setBlendMode(BlendMode::Opaque);
    context.useProgram(program.program());
    context.bindTexture("sourceTex", GL_TEXTURE_2D, source.name());
    return {1.0f / float(output.width()), 1.0f / float(output.height())};
}

} // namespace

FogPassGL::FogPassGL(RenderContextGL& context)
    : m_context(context), m_program(programFromFiles("shaders/gl/Fog.vsh", "shaders/gl/Fog.fsh")) {}

FogPassGL::~FogPassGL() = default;

Vec2 FogPassGL::fogParams(float nearDistance, float farDistance) {
    // A thousandth of a unit of fog depth: indistinguishable from a step.
    constexpr float Sharpest = 0.001f;
    float range = farDistance - nearDistance;
    if (range == 0.0f)
        range = Sharpest;
    return {1.0f / range, -nearDistance / range};
}

void FogPassGL::apply(const TextureGL& geometryBuffer, const TextureGL& finalBuffer) {
    m_context.setRenderTargets(finalBuffer.name(), 0, 0, 0);
    glDepthMask(GL_FALSE);
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_ALPHA_TEST);
    m_context.setBlendMode(BlendMode::Translucent);
    m_context.useProgram(m_program->program());
    m_context.bindTexture("geometryBuffer", GL_TEXTURE_2D, geometryBuffer.name());
    setUniform(*m_program, "invScreenSize",
               Vec2{1.0f / float(geometryBuffer.width()), 1.0f / float(geometryBuffer.height())});
    setUniform(*m_program, "fogColor", color);
    setUniform(*m_program, "fogParams", fogParams(nearDistance, farDistance));
    m_context.drawFullScreenQuad();
    checkGLError("fog");
}

TonemapPassGL::TonemapPassGL(RenderContextGL& context)
    : m_context(context), m_program(programFromFiles("shaders/gl/Tonemap.vsh", "shaders/gl/Tonemap.fsh")) {}

TonemapPassGL::~TonemapPassGL() = default;

void TonemapPassGL::apply(const TextureGL& finalBuffer, const TextureGL* target) {
    // A target of another size than the buffers takes the whole scene, scaled.
    setUniform(*m_program, "invScreenSize", beginCopyToOutput(m_context, *m_program, finalBuffer, target));
    m_context.drawFullScreenQuad();
    checkGLError("tone mapping");
}

FxaaPassGL::FxaaPassGL(RenderContextGL& context, int width, int height)
    : m_context(context), m_program(programFromFiles("shaders/gl/FXAA.vsh", "shaders/gl/FXAA.fsh")) {
    resize(width, height);
}

FxaaPassGL::~FxaaPassGL() = default;

void FxaaPassGL::resize(int width, int height) {
    m_source.reset();
    // Linear filtering: the pass samples between pixels along an edge.
    m_source = std::make_unique<Texture2DGL>(std::max(width, 1), std::max(height, 1), 1, GL_RGBA8, GL_LINEAR,
                                             GL_LINEAR, GL_CLAMP_TO_EDGE);
    glBindTexture(GL_TEXTURE_2D, 0);
    checkGLError("create anti-aliasing source");
}

const TextureGL& FxaaPassGL::source() const {
    return *m_source;
}

void FxaaPassGL::apply(const TextureGL* target) {
    setUniform(*m_program, "invScreenSize", beginCopyToOutput(m_context, *m_program, *m_source, target));
    setUniform(*m_program, "invTexRes", Vec2{1.0f / float(m_source->width()), 1.0f / float(m_source->height())});
    m_context.drawFullScreenQuad();
    checkGLError("FXAA");
}

} // namespace engine
