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
#include "engine/render/BuiltinShaders.h"
#include "engine/render/CascadedShadows.h"
#include "engine/render/StatisticsOverlay.h"
#include "engine/draw/DebugDraw.h"
#include "engine/draw/Font.h"
#include "engine/draw/ImmediateMode.h"
#include "engine/render/gl/AmbientOcclusionGL.h"
#include "engine/render/gl/DeferredPipelineGL.h"
#include "engine/render/gl/GraphicsGL.h"
#include "engine/render/gl/ImmediateModeGL.h"
#include "engine/render/gl/LightPassGL.h"
#include "engine/render/gl/NotebookRendererGL.h"
#include "engine/render/gl/ShadowMapsGL.h"
#include "engine/render/gl/PostPassesGL.h"
#include "engine/render/gl/RenderableMeshGL.h"
#include "engine/render/gl/RenderableShaderGL.h"
#include "engine/render/gl/RenderableTextureGL.h"
#include "engine/scene/Camera.h"

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
        if (!shaderFileExists(path))
            return false;
    return true;
}

} // namespace

RenderResourcesGL* renderResourcesGL() {
    return g_resources;
}

RendererGL::RendererGL() = default;

// The pooled buffers hold GL textures and the pipeline objects go before the
// shared resources they draw with; the context goes last: every GL object
// above it dies with it.
RendererGL::~RendererGL() {
    clearRenderBuffers();
    destroyScenePasses();
    m_immediateMode.reset();
    m_graphics.reset();
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
    // Textures load from DDS files; TGA, PNG and JPEG sources are converted to
    // them on first use.
    registerAssetProcessor(AssetProcessor::Texture, "dds", "dds");
    for (const char* source : {"tga", "png", "jpg"})
        registerAssetProcessor(AssetProcessor::Texture, source,
                               core::CountedRef<AssetProcessor>(new TextureAssetProcessorDDS));
    m_graphics = std::make_unique<GraphicsGL>(*m_context, *this, m_resources);
    createResources();
    m_immediateMode = std::make_unique<ImmediateModeGL>(*m_context, *this);
    drawContext().resetState(m_renderWidth, m_renderHeight);
    glEnable(GL_TEXTURE_2D);
    glFrontFace(GL_CW);
    checkGLError("glFrontFace");
}

// The shader files come from the game, else from the set built into the host;
// a game's file that does not compile fails the start with its message.
void RendererGL::createResources() {
    m_resources.whiteTexture = core::CountedRef<RenderableTextureGL>(solidTexture(255, 255, 255, 255));
    m_resources.flatNormalTexture = core::CountedRef<RenderableTextureGL>(solidTexture(128, 128, 255, 255));
    m_resources.lightVolumeSphere = core::CountedRef<RenderableMeshGL>(new RenderableMeshGL);
    m_resources.lightVolumeSphere->init(*createSphere(2), false);
    m_resources.lightVolumeCone = core::CountedRef<RenderableMeshGL>(new RenderableMeshGL);
    m_resources.lightVolumeCone->init(*createCone(SpotVolumeSides), false);
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
    m_resources.debugFont = core::CountedRef<Font>(Font::createBuiltin(1));
    g_resources = &m_resources;
    createScenePasses();
}

// The scene passes need every one of their shader files, which the built-in
// set always provides.
void RendererGL::createScenePasses() {
    if (m_settings.notebookMode) {
        if (filesExist({NotebookRendererGL::VertexPath, NotebookRendererGL::FragmentPath,
                        NotebookRendererGL::UnlitFragmentPath, "shaders/gl/ParticleSystem.vsh",
                        "shaders/gl/ParticleSystem.fsh"}))
            m_notebook = std::make_unique<NotebookRendererGL>(*m_context, m_resources);
        return;
    }
    if (!m_resources.surfaceShader)
        return;
    for (const char* const* path = LightPassGL::ShaderFiles; *path; ++path)
        if (!shaderFileExists(*path))
            return;
    if (!filesExist({"shaders/gl/Tonemap.vsh",
                     "shaders/gl/Tonemap.fsh", "shaders/gl/Fog.vsh", "shaders/gl/Fog.fsh",
                     "shaders/gl/FXAA.vsh", "shaders/gl/FXAA.fsh",
                     "shaders/gl/AmbientOcclusionPrepareDepth.vsh", "shaders/gl/AmbientOcclusionPrepareDepth.fsh",
                     "shaders/gl/AmbientOcclusion.vsh", "shaders/gl/AmbientOcclusion.fsh",
                     "shaders/gl/AmbientOcclusionBlur.vsh", "shaders/gl/AmbientOcclusionBlurX.fsh",
                     "shaders/gl/AmbientOcclusionBlurY.fsh", "shaders/gl/ParticleSystem.vsh",
                     "shaders/gl/ParticleSystem.fsh"}))
        return;
    try {
        m_pipeline = std::make_unique<DeferredPipelineGL>(*m_context, m_resources, m_renderWidth, m_renderHeight);
        m_ambientOcclusion = std::make_unique<AmbientOcclusionGL>(*m_context, m_renderWidth, m_renderHeight);
        m_fog = std::make_unique<FogPassGL>(*m_context);
        m_tonemap = std::make_unique<TonemapPassGL>(*m_context);
        m_fxaa = std::make_unique<FxaaPassGL>(*m_context, m_renderWidth, m_renderHeight);
    } catch (...) {
        destroyScenePasses();
        throw;
    }
}

void RendererGL::destroyScenePasses() {
    m_notebook.reset();
    m_fxaa.reset();
    m_tonemap.reset();
    m_fog.reset();
    m_ambientOcclusion.reset();
    m_pipeline.reset();
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
    if (m_pipeline)
        m_pipeline->resize(width, height);
    if (m_ambientOcclusion)
        m_ambientOcclusion->resize(width, height);
    if (m_fxaa)
        m_fxaa->resize(width, height);
}

void RendererGL::beginRender() {
    RenderContextGL::drawHeld();
    RenderContextGL& context = requireContext();
    context.bindWindowFramebuffer();
    glViewport(0, 0, m_renderWidth, m_renderHeight);
    checkGLError("glViewport");
    glDepthMask(GL_TRUE);
    glClearColor(clearColor.r / 255.0f, clearColor.g / 255.0f, clearColor.b / 255.0f, 0.0f);
    glClearDepth(1.0);
    // The window's depth and stencil share one buffer: clearing both is a plain
    // fill, while clearing depth alone rewrites every pixel under a mask.
    glClearStencil(0);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT | GL_STENCIL_BUFFER_BIT);
    renderStats() = RenderStats{};
    drawContext().resetState(m_renderWidth, m_renderHeight);
}

void RendererGL::renderScene(Scene* scene, Camera* camera, RenderableTexture* target) {
    RenderContextGL::drawHeld();
    RenderContextGL& context = requireContext();
    if (m_notebook && scene && camera) {
        // Straight into the bound frame buffer; a target texture is not used.
        m_notebook->renderScene(*this, *scene, *camera, m_renderWidth, m_renderHeight);
        flushDebugDrawing(*camera);
        checkGLError("renderScene");
        return;
    }
    if (!m_pipeline || !scene || !camera) {
        checkGLError("renderScene");
        return;
    }
    auto* targetGL = dynamic_cast<RenderableTextureGL*>(target);
    const TextureGL* targetTexture = targetGL ? targetGL->texture() : nullptr;
    if (target && !targetTexture)
        throw core::Exception("Render target texture has no storage");

    DeferredPipelineGL& pipeline = *m_pipeline;
    pipeline.gather(*scene, *camera);
    pipeline.copySettings(*this);
    pipeline.geometryPass(*camera);
    pipeline.lightPass(*camera);
    pipeline.materialPass(*camera);
    if (ambientOcclusion)
        m_ambientOcclusion->apply(*camera, pipeline.geometryBuffer(), pipeline.finalBuffer(), ssaoQuality);
    if (fog) {
        m_fog->color = fogColor;
        m_fog->nearDistance = fogRange.x;
        m_fog->farDistance = fogRange.y;
        m_fog->apply(pipeline.geometryBuffer(), pipeline.finalBuffer());
    }
    pipeline.transparentPass(*camera);
    if (fxaa) {
        m_tonemap->apply(pipeline.finalBuffer(), &m_fxaa->source());
        pipeline.applyViewport();
        m_fxaa->apply(targetTexture);
    } else {
        m_tonemap->apply(pipeline.finalBuffer(), targetTexture);
    }
    glViewport(0, 0, m_renderWidth, m_renderHeight);
    checkGLError("glViewport");
    glScissor(0, 0, m_renderWidth, m_renderHeight);
    checkGLError("glScissor");
    drawDebugView();
    if (!targetTexture && !DebugDraw::lines().empty())
        shareSceneDepth();
    flushDebugDrawing(*camera);
    // Whatever draws next in this frame (2D drawing, a screenshot) means the window.
    if (targetTexture)
        context.bindWindowFramebuffer();
    checkGLError("renderScene");
}

void RendererGL::drawDebugView() {
    if (drawNormalBuffer)
        drawBufferView(m_pipeline->geometryBuffer(), 1.0f);
    else if (drawGlossinessBuffer)
        drawBufferView(m_pipeline->glossinessBuffer(), 0.01f);
    else if (drawLightBuffer)
        drawBufferView(m_pipeline->lightBuffer(), 1.0f);
    else if (drawAmbientOcclusionBuffer)
        drawBufferView(m_ambientOcclusion->occlusionTexture(), 1.0f);
}

// Fixed-function drawing: the buffer's values, scaled, straight to the screen.
void RendererGL::drawBufferView(const TextureGL& texture, float scale) {
    RenderContextGL& context = requireContext();
    glDisable(GL_DEPTH_TEST);
    glDepthMask(GL_FALSE);
    context.setBlendMode(BlendMode::Opaque);
    context.useProgram(0);
    RenderableMeshGL::unbind();
    gl().glActiveTexture(GL_TEXTURE0);
    glEnable(GL_TEXTURE_2D);
    glBindTexture(GL_TEXTURE_2D, texture.name());
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glColor3f(scale, scale, scale);
    glBegin(GL_QUADS);
    glTexCoord2f(0, 1);
    glVertex2f(-1, 1);
    glTexCoord2f(1, 1);
    glVertex2f(1, 1);
    glTexCoord2f(1, 0);
    glVertex2f(1, -1);
    glTexCoord2f(0, 0);
    glVertex2f(-1, -1);
    glEnd();
    glColor3f(1, 1, 1);
    checkGLError("debug view");
}

void RendererGL::shareSceneDepth() {
    RenderContextGL& context = requireContext();
    const DeferredPipelineGL& pipeline = *m_pipeline;
    const RenderBufferGL& depth = pipeline.depthStencilBuffer();
    context.setRenderTargets(pipeline.finalBuffer().name(), 0, depth.name(), depth.name());
    const GLEntryPoints& f = gl();
    f.glBindFramebuffer(GL_DRAW_FRAMEBUFFER, 0);
    GLboolean scissor = glIsEnabled(GL_SCISSOR_TEST);
    glDisable(GL_SCISSOR_TEST);
    f.glBlitFramebuffer(0, 0, depth.width(), depth.height(), 0, 0, depth.width(), depth.height(),
                        GL_DEPTH_BUFFER_BIT | GL_STENCIL_BUFFER_BIT, GL_NEAREST);
    if (scissor)
        glEnable(GL_SCISSOR_TEST);
    context.bindWindowFramebuffer();
    checkGLError("shareSceneDepth");
}

void RendererGL::flushDebugDrawing(Camera& camera) {
    if (m_resources.debugFont)
        DebugDraw::flush(drawContext(), camera.viewProjection(), *m_resources.debugFont);
    else
        DebugDraw::clear();
}

RenderableTexture* RendererGL::renderStaticShadowMap(LightEntity* light, int size, float blurAngleDegrees, int) {
    RenderContextGL& context = requireContext();
    if (m_settings.notebookMode || !light)
        return nullptr;
    ShadowCubeGL* cubes = nullptr;
    for (int log2 = MinShadowCubeLog2; log2 <= MaxShadowCubeLog2 && m_pipeline; ++log2)
        if ((1 << log2) == size)
            cubes = m_pipeline->lights().shadowMaps().cubes(log2);
    if (!cubes)
        throw core::Exception("No depth buffer for static shadow map");
    // Rendered into the size's blur source (the frame's shadows overwrite it
    // anyway) and always blurred into the map, by the angle asked for: at 0
    // the blur copies.
    auto cube = std::make_unique<TextureCubeGL>(size, 1, ShadowMapsGL::CubeFormat);
    ShadowMapsGL& shadowMaps = m_pipeline->lights().shadowMaps();
    shadowMaps.renderPointShadow(*light, *cubes->secondary, *cubes->depth, true);
    shadowMaps.blurCube(*cubes->secondary, *cube, blurAngleDegrees * 3.14159265f / 180.0f);
    // Scripts may call this between beginRender and endRender: drawing goes
    // on into the window.
    context.bindWindowFramebuffer();
    glViewport(0, 0, m_renderWidth, m_renderHeight);
    checkGLError("glViewport");
    return new RenderableTextureGL(std::move(cube));
}

void RendererGL::endRender() {
    RenderContextGL::drawHeld();
    RenderContextGL& context = requireContext();
    // Drawn by the next scene's flush of the debug queues.
    if (drawStats && m_pipeline)
        queueStatisticsOverlay();
    context.present();
    releaseRenderBuffers();
}

void RendererGL::saveScreenShot(const std::string& path) {
    RenderContextGL::drawHeld();
    requireContext().bindWindowFramebuffer();
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
