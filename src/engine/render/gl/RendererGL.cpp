#include "engine/render/gl/RendererGL.h"

#include "core/Desktop.h"
#include "core/Exception.h"
#include "engine/render/gl/GLChecks.h"
#include "engine/render/gl/GLEntryPoints.h"
#include "engine/render/gl/RenderableMeshGL.h"

namespace engine {

// The pipeline objects go before the shared resources they draw with, and the
// context goes last: every GL object above it dies with it.
RendererGL::~RendererGL() {
    m_context.reset();
}

void RendererGL::init(const RenderSettings& settings) {
    Renderer::init(settings);
    if (!settings.window)
        throw core::Exception("Could not create OpenGL context (no window)");
    m_context = std::make_unique<RenderContextGL>(*settings.window, settings.verticalSync != 0);
    glEnable(GL_TEXTURE_2D);
    glFrontFace(GL_CW);
    checkGLError("glFrontFace");
}

RenderContextGL& RendererGL::requireContext() {
    if (!m_context)
        throw core::Exception("Renderer not initialized");
    return *m_context;
}

std::pair<std::string, std::string> RendererGL::getRendererInfo() {
    if (!m_context)
        return {};
    auto text = [](GLenum name) {
        const char* value = reinterpret_cast<const char*>(glGetString(name));
        return std::string(value ? value : "");
    };
    return {text(GL_VENDOR), text(GL_RENDERER)};
}

void RendererGL::resizeRenderBuffers(int width, int height) {
    Renderer::resizeRenderBuffers(width, height);
    if (m_context)
        m_context->resize(width, height);
}

void RendererGL::beginRender() {
    RenderContextGL& context = requireContext();
    context.bindWindowFramebuffer();
    glViewport(0, 0, m_renderWidth, m_renderHeight);
    checkGLError("glViewport");
    glDepthMask(GL_TRUE);
    glClearColor(clearColor.r / 255.0f, clearColor.g / 255.0f, clearColor.b / 255.0f, 0.0f);
    glClearDepth(1.0);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    renderStats() = RenderStats{};
}

// The scene passes come with the frame pipeline; until then a frame shows the clear colour.
void RendererGL::renderScene(Scene*, Camera*, RenderableTexture*) {
    requireContext();
    checkGLError("renderScene");
}

void RendererGL::endRender() {
    requireContext().present();
}

RenderableMesh* RendererGL::createRenderableMesh() {
    return new RenderableMeshGL;
}

std::vector<Resolution> RendererGL::enumerateResolutions() {
    return resolutionsOf(core::displayModes());
}

} // namespace engine
