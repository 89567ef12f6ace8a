#include "engine/render/gl/GraphicsGL.h"

#include "core/Exception.h"
#include "engine/render/gl/GLChecks.h"
#include "engine/render/gl/GLEntryPoints.h"
#include "engine/render/gl/RenderContextGL.h"
#include "engine/render/gl/RenderableMeshGL.h"
#include "engine/render/gl/RenderableShaderGL.h"
#include "engine/render/gl/RenderableTextureGL.h"
#include "engine/render/gl/RendererGL.h"

namespace engine {

GraphicsGL::GraphicsGL(RenderContextGL& context, Renderer& renderer, RenderResourcesGL& resources)
    : m_context(context), m_renderer(renderer), m_resources(resources) {}

void GraphicsGL::setRenderTarget(RenderableTexture* texture) {
    RenderContextGL::drawHeld();
    auto* textureGL = dynamic_cast<RenderableTextureGL*>(texture);
    const TextureGL* storage = textureGL ? textureGL->texture() : nullptr;
    if (texture && !storage)
        throw core::Exception("Render target texture has no storage");
    if (storage) {
        m_context.setRenderTargets(storage->name(), 0, 0, 0);
        glViewport(0, 0, storage->width(), storage->height());
    } else {
        m_context.bindWindowFramebuffer();
        glViewport(0, 0, m_renderer.renderWidth(), m_renderer.renderHeight());
    }
    checkGLError("setRenderTarget");
}

void GraphicsGL::useShader(RenderableShader* shader) {
    RenderContextGL::drawHeld();
    auto* shaderGL = dynamic_cast<RenderableShaderGL*>(shader);
    ShaderProgramGL* program = shaderGL ? shaderGL->program(0) : nullptr;
    if (!program)
        throw core::Exception("Shader has no full-screen program");
    glDisable(GL_DEPTH_TEST);
    glDepthMask(GL_FALSE);
    glDisable(GL_ALPHA_TEST);
    m_context.setBlendMode(BlendMode::Opaque);
    m_context.useProgram(program->program());
}

void GraphicsGL::clear(Color color) {
    RenderContextGL::drawHeld();
    GLboolean scissor = glIsEnabled(GL_SCISSOR_TEST);
    glDisable(GL_SCISSOR_TEST);
    glClearColor(color.r / 255.0f, color.g / 255.0f, color.b / 255.0f, color.a / 255.0f);
    glDepthMask(GL_TRUE);
    glClearDepth(1.0);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    if (scissor)
        glEnable(GL_SCISSOR_TEST);
    checkGLError("clear");
}

void GraphicsGL::drawFullScreenQuad() {
    RenderContextGL::drawHeld();
    RenderableMeshGL::unbind();
    glDisable(GL_CULL_FACE);
    m_context.drawFullScreenQuad();
    checkGLError("drawFullScreenQuad");
}

// Full-screen passes read texture coordinates from the bottom-left, as a
// render target stores its rows. A picture stores its top row first, so it
// goes through a copy turned upside down: every blit comes out upright, as
// on Direct3D 9.
const TextureGL* GraphicsGL::uprightSource(const RenderableTextureGL& source, RenderableTexture*& copy) {
    const TextureGL* storage = source.texture();
    if (!source.topRowFirst() || storage->target() != GL_TEXTURE_2D)
        return storage;
    copy = m_renderer.getTemporaryRenderBuffer(storage->width(), storage->height());
    const TextureGL* flipped = static_cast<RenderableTextureGL*>(copy)->texture();
    const GLEntryPoints& f = gl();
    GLuint framebuffers[2] = {};
    f.glGenFramebuffers(2, framebuffers);
    f.glBindFramebuffer(GL_READ_FRAMEBUFFER, framebuffers[0]);
    f.glFramebufferTexture2D(GL_READ_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, storage->name(), 0);
    f.glBindFramebuffer(GL_DRAW_FRAMEBUFFER, framebuffers[1]);
    f.glFramebufferTexture2D(GL_DRAW_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, flipped->name(), 0);
    GLboolean scissor = glIsEnabled(GL_SCISSOR_TEST);
    glDisable(GL_SCISSOR_TEST);
    const GLint w = storage->width(), h = storage->height();
    f.glBlitFramebuffer(0, 0, w, h, 0, h, w, 0, GL_COLOR_BUFFER_BIT, GL_NEAREST);
    if (scissor)
        glEnable(GL_SCISSOR_TEST);
    f.glBindFramebuffer(GL_FRAMEBUFFER, 0);
    f.glDeleteFramebuffers(2, framebuffers);
    checkGLError("blit: upright copy");
    return flipped;
}

// The source goes to the sampler "sourceTex"; the copy shader's own sampler
// "texture" gets it too.
void GraphicsGL::blit(RenderableTexture* source, RenderableTexture* target, RenderableShader* shader) {
    RenderContextGL::drawHeld();
    if (!shader)
        shader = m_resources.postProcessShader.get();
    if (!shader)
        throw core::Exception("No post-process shader");
    auto* sourceGL = dynamic_cast<RenderableTextureGL*>(source);
    if (!sourceGL || !sourceGL->texture())
        throw core::Exception("Source texture has no storage");
    RenderableTexture* copy = nullptr;
    const TextureGL* storage = uprightSource(*sourceGL, copy);
    setRenderTarget(target);
    useShader(shader);
    m_context.bindTexture("sourceTex", storage->target(), storage->name());
    m_context.bindTexture("texture", storage->target(), storage->name());
    drawFullScreenQuad();
    if (copy)
        m_renderer.releaseRenderBuffer(copy);
}

} // namespace engine
