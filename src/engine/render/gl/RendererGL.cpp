#include "engine/render/gl/RendererGL.h"

#include "core/Desktop.h"
#include "core/Exception.h"
#include "core/Image.h"
#include "engine/assets/AssetProcessor.h"
#include "engine/render/gl/GLChecks.h"
#include "engine/render/gl/GLEntryPoints.h"
#include "core/FileSystem.h"
#include "engine/assets/Material.h"
#include "engine/assets/MeshPrimitives.h"
#include "engine/render/gl/RenderableMeshGL.h"
#include "engine/render/gl/RenderableShaderGL.h"
#include "engine/render/gl/RenderableTextureGL.h"

#include <cstring>

namespace engine {

RenderResourcesGL::RenderResourcesGL() = default;
RenderResourcesGL::~RenderResourcesGL() = default;

namespace {

RenderResourcesGL* g_resources = nullptr;

RenderableTextureGL* solidTexture(uint8_t r, uint8_t g, uint8_t b, uint8_t a) {
    core::Image image(1, 1);
    uint8_t* pixel = image.data();  // stored in BGRA order
    pixel[0] = b;
    pixel[1] = g;
    pixel[2] = r;
    pixel[3] = a;
    auto* texture = new RenderableTextureGL;
    texture->createFromImage(image);
    return texture;
}

bool filesExist(std::initializer_list<const char*> paths) {
    for (const char* path : paths)
        if (!core::fileExists(path))
            return false;
    return true;
}

} // namespace

RenderResourcesGL* renderResourcesGL() {
    return g_resources;
}

// The pooled buffers hold GL textures and the pipeline objects go before the
// shared resources they draw with; the context goes last: every GL object
// above it dies with it.
RendererGL::~RendererGL() {
    clearRenderBuffers();
    if (g_resources == &m_resources)
        g_resources = nullptr;
    m_resources = RenderResourcesGL{};
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
    createResources();
    glEnable(GL_TEXTURE_2D);
    glFrontFace(GL_CW);
    checkGLError("glFrontFace");
}

// Games without shader files still get a window and textures; a shader file
// that exists but does not compile fails the start with its message.
void RendererGL::createResources() {
    m_resources.whiteTexture = core::CountedRef<RenderableTextureGL>(solidTexture(255, 255, 255, 255));
    m_resources.flatNormalTexture = core::CountedRef<RenderableTextureGL>(solidTexture(128, 128, 255, 255));
    m_resources.lightVolumeSphere = core::CountedRef<RenderableMeshGL>(new RenderableMeshGL);
    m_resources.lightVolumeSphere->init(*createSphere(2), false);
    if (filesExist({RenderableShaderGL::DefaultVertexPath, RenderableShaderGL::DefaultGeometryPath,
                    RenderableShaderGL::DefaultMaterialPath, RenderableShaderGL::DefaultUnlitPath,
                    RenderableShaderGL::DefaultShadowPath})) {
        m_resources.surfaceShader = core::CountedRef<RenderableShaderGL>(new RenderableShaderGL);
        m_resources.surfaceShader->loadSurfaceShader("", "", "", "", "");
    }
    if (filesExist({RenderableShaderGL::PostProcessVertexPath, "shaders/gl/PostProcess.fsh"})) {
        m_resources.postProcessShader = core::CountedRef<RenderableShaderGL>(new RenderableShaderGL);
        m_resources.postProcessShader->loadPostProcessShader("shaders/gl/PostProcess.fsh");
        m_resources.postProcessMaterial = core::CountedRef<Material>(new Material(""));
        m_resources.postProcessMaterial->shader = core::CountedRef<RenderableShader>(m_resources.postProcessShader.get());
    }
    g_resources = &m_resources;
}

void RendererGL::drawFullScreen(RenderableTexture* texture, RenderableShader* given) {
    RenderContextGL& context = requireContext();
    RenderableShaderGL* shader = given ? dynamic_cast<RenderableShaderGL*>(given) : m_resources.postProcessShader.get();
    ShaderProgramGL* program = shader ? shader->program(0) : nullptr;
    if (!program)
        throw core::Exception("No post-process shader");
    auto* source = dynamic_cast<RenderableTextureGL*>(texture);
    context.useProgram(program->program());
    context.setBlendMode(BlendMode::Opaque);
    GLboolean depthTest = glIsEnabled(GL_DEPTH_TEST);
    glDisable(GL_DEPTH_TEST);
    if (source && source->texture()) {
        const TextureGL& gltexture = *source->texture();
        context.bindTexture("texture", gltexture.target(), gltexture.name());
        applySamplerState(gltexture, FilterLinear, 1, context.maxAnisotropy());
    }
    context.drawFullScreenQuad();
    if (depthTest)
        glEnable(GL_DEPTH_TEST);
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

RenderableShader* RendererGL::createRenderableShader() {
    requireContext();
    return new RenderableShaderGL;
}

RenderableMesh* RendererGL::createRenderableMesh() {
    return new RenderableMeshGL;
}

std::vector<Resolution> RendererGL::enumerateResolutions() {
    return resolutionsOf(core::displayModes());
}

} // namespace engine
