#include "engine/render/gl/RendererGL.h"

#include "core/Desktop.h"
#include "core/Exception.h"
#include "core/Image.h"
#include "engine/assets/AssetProcessor.h"
#include "engine/render/gl/GLChecks.h"
#include "engine/render/gl/GLEntryPoints.h"
#include "engine/render/gl/RenderableMeshGL.h"
#include "engine/render/gl/RenderableTextureGL.h"

#include <cstring>

namespace engine {

// The pooled buffers hold GL textures and the pipeline objects go before the
// shared resources they draw with; the context goes last: every GL object
// above it dies with it.
RendererGL::~RendererGL() {
    clearRenderBuffers();
    m_context.reset();
}

void RendererGL::init(const RenderSettings& settings) {
    Renderer::init(settings);
    if (!settings.window)
        throw core::Exception("Could not create OpenGL context (no window)");
    m_context = std::make_unique<RenderContextGL>(*settings.window, settings.verticalSync != 0);
    // Textures load from DDS files; TGA sources are converted to them on first use.
    registerAssetProcessor(AssetProcessor::Texture, "dds", "dds");
    registerAssetProcessor(AssetProcessor::Texture, "tga",
                           core::CountedRef<AssetProcessor>(new TextureAssetProcessorDDS));
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
    releaseRenderBuffers();
}

void RendererGL::saveScreenShot(const std::string& path) {
    requireContext();
    int width = m_renderWidth;
    int height = m_renderHeight;
    core::Image image(width, height);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadBuffer(GL_BACK);
    glReadPixels(0, 0, width, height, GL_BGRA, GL_UNSIGNED_BYTE, image.data());
    // GL rows run bottom to top, an image's top to bottom.
    size_t pitch = size_t(width) * 4;
    std::vector<uint8_t> row(pitch);
    for (int y = 0; y < height / 2; ++y) {
        uint8_t* top = image.data() + size_t(y) * pitch;
        uint8_t* bottom = image.data() + size_t(height - 1 - y) * pitch;
        std::memcpy(row.data(), top, pitch);
        std::memcpy(top, bottom, pitch);
        std::memcpy(bottom, row.data(), pitch);
    }
    // The back buffer's alpha is whatever the clear left (0): not a picture's.
    image.save(path, false);
}

// Textures are GL objects: a renderer made without a window cannot have them.
RenderableTexture* RendererGL::createRenderableTexture() {
    requireContext();
    return new RenderableTextureGL;
}

RenderableTexture* RendererGL::createRenderBuffer(int width, int height) {
    requireContext();
    return createRenderBufferGL(width, height);
}

RenderableMesh* RendererGL::createRenderableMesh() {
    return new RenderableMeshGL;
}

std::vector<Resolution> RendererGL::enumerateResolutions() {
    return resolutionsOf(core::displayModes());
}

} // namespace engine
