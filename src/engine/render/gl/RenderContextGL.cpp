#include "engine/render/gl/RenderContextGL.h"

#include "core/DebugLog.h"
#include "core/Exception.h"
#include "core/GLContext.h"
#include "engine/render/gl/GLChecks.h"
#include "engine/render/gl/GLEntryPoints.h"

namespace engine {

namespace {
const char* glString(GLenum name) {
    const char* text = reinterpret_cast<const char*>(glGetString(name));
    return text ? text : "";
}

int glInteger(GLenum name) {
    GLint value = 0;
    glGetIntegerv(name, &value);
    return value;
}
} // namespace

RenderContextGL::RenderContextGL(core::Window& window, bool verticalSync) : m_context(core::GLContext::create(window)) {
    loadEntryPoints(*m_context);
    if (!m_context->setSwapInterval(verticalSync ? 1 : 0))
        core::debugLog("WARNING! Could not set vertical sync (wglSwapIntervalEXT not supported)\n");
    checkCapabilities();
}

RenderContextGL::~RenderContextGL() {
    if (m_framebuffer && gl().glDeleteFramebuffers)
        gl().glDeleteFramebuffers(1, &m_framebuffer);
}

void RenderContextGL::checkCapabilities() {
    if (gl().glGenFramebuffers)
        gl().glGenFramebuffers(1, &m_framebuffer);
    core::debugLog("GL_VERSION: %s\n", glString(GL_VERSION));
    core::debugLog("GL_VENDOR: %s\n", glString(GL_VENDOR));
    core::debugLog("GL_RENDERER: %s\n", glString(GL_RENDERER));
    core::debugLog("GL_SHADING_LANGUAGE_VERSION: %s\n", glString(GL_SHADING_LANGUAGE_VERSION));
    const char* extensions = glString(GL_EXTENSIONS);
    core::debugLog("GL_EXTENSIONS: %s\n", extensions);
    int stencilBits = glInteger(GL_STENCIL_BITS);
    core::debugLog("GL_STENCIL_BITS: %d\n", stencilBits);
    if (stencilBits <= 0)
        throw core::Exception("Stencil buffer not supported");
    core::debugLog("GL_MAX_VERTEX_UNIFORM_COMPONENTS: %d\n", glInteger(GL_MAX_VERTEX_UNIFORM_COMPONENTS));
    if (glInteger(GL_MAX_DRAW_BUFFERS) <= 1)
        throw core::Exception("Multiple render target rendering not supported");
    m_maxAnisotropy = 0.0f;
    if (hasExtension("GL_EXT_texture_filter_anisotropic", extensions))
        glGetFloatv(GL_MAX_TEXTURE_MAX_ANISOTROPY_EXT, &m_maxAnisotropy);
    core::debugLog("GL_MAX_TEXTURE_MAX_ANISOTROPY_EXT: %f\n", m_maxAnisotropy);
}

void RenderContextGL::bindWindowFramebuffer() {
    gl().glBindFramebuffer(GL_FRAMEBUFFER, 0);
}

void RenderContextGL::resize(int, int) {}

void RenderContextGL::present() {
    m_context->present();
}

} // namespace engine
