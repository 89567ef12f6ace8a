#include "engine/render/d3d9/RendererD3D9.h"

#include "core/Exception.h"
#include "core/Image.h"
#include "core/win32/WindowNative.h"
#include "engine/assets/AssetProcessor.h"
#include "engine/draw/DebugDraw.h"
#include "engine/draw/Font.h"
#include "engine/draw/ImmediateMode.h"
#include "engine/render/StatisticsOverlay.h"
#include "engine/scene/Camera.h"
#include "engine/render/d3d9/AmbientOcclusionD3D9.h"
#include "engine/render/d3d9/DeferredPipelineD3D9.h"
#include "engine/render/d3d9/GraphicsD3D9.h"
#include "engine/render/d3d9/ImmediateModeD3D9.h"
#include "engine/render/d3d9/RenderableMeshD3D9.h"
#include "engine/render/d3d9/RenderableShaderD3D9.h"
#include "engine/render/d3d9/TextureAssetProcessorD3D9.h"
#include "engine/render/d3d9/RenderableTextureD3D9.h"

#include <cstring>

namespace engine {

RendererD3D9::RendererD3D9() : m_direct3D(std::make_unique<d3d::Direct3D>()) {}

// Everything made on the device goes before it, the device before the library.
RendererD3D9::~RendererD3D9()
{
    clearRenderBuffers();
    m_ambientOcclusion.reset();
    m_pipeline.reset();
    m_depthStencil.reset();
    m_swapChain.reset();
    m_graphics.reset();
    m_immediateMode.reset();
    m_antialiasingSource.reset();
    m_resources = RenderResourcesD3D9{};
    m_context.reset();
    m_direct3D.reset();
}

void RendererD3D9::init(const RenderSettings& settings)
{
    Renderer::init(settings);
    if (!settings.window)
        throw core::Exception("Could not create Direct3D 9 device (no window)");
    int flags = d3d::Device::PreserveFPU;
    if (settings.windowed)
        flags |= d3d::Device::Windowed;
    if (settings.verticalSync != 0)
        flags |= d3d::Device::VerticalSync;
    if (settings.verticalSync == 2)
        flags |= d3d::Device::TripleBuffering;
    m_context = std::make_unique<RenderContextD3D9>(core::win32::nativeWindow(*settings.window), settings.width,
                                                    settings.height, settings.windowed, flags);
    checkCapabilities();

    m_antialiasingSource = std::make_unique<d3d::Texture2D>(settings.width, settings.height, 1, D3DFMT_A8R8G8B8,
                                                            D3DUSAGE_RENDERTARGET, D3DPOOL_DEFAULT);
    m_resources.create();
    m_immediateMode = std::make_unique<ImmediateModeD3D9>(*m_context, *this);
    m_graphics = std::make_unique<GraphicsD3D9>(*m_context, *this);
    m_depthStencil =
        std::make_unique<d3d::DepthBuffer>(settings.width, settings.height, D3DFMT_D24S8, D3DMULTISAMPLE_NONE, false);

    m_pipeline = std::make_unique<DeferredPipelineD3D9>(*m_context, m_resources, settings.width, settings.height);
    m_ambientOcclusion = std::make_unique<AmbientOcclusionD3D9>(*m_context, settings.width, settings.height);

    registerTextureProcessorsD3D9();
    drawContext().resetState(m_renderWidth, m_renderHeight);
}

void RendererD3D9::checkCapabilities()
{
    const D3DCAPS9& caps = m_context->device().caps();
    if (caps.VertexShaderVersion < D3DVS_VERSION(2, 0))
        throw core::Exception("Vertex shader version 2.0 or higher required");
    if (caps.PixelShaderVersion < D3DPS_VERSION(3, 0))
        throw core::Exception("Pixel shader version 3.0 or higher required");
    if (caps.MaxTextureWidth < 1024 || caps.MaxTextureHeight < 1024)
        throw core::Exception("Support for texture size 1024x1024 pixels or higher required");
    if (caps.NumSimultaneousRTs <= 1)
        throw core::Exception("Device doesn't support multiple render targets");
    if (FAILED(m_direct3D->get()->CheckDeviceFormat(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, D3DFMT_X8R8G8B8,
                                                    D3DUSAGE_RENDERTARGET, D3DRTYPE_TEXTURE, D3DFMT_A16B16G16R16F)))
        throw core::Exception("Device can't render to D3DFMT_A16B16G16R16F");
}

RenderContextD3D9& RendererD3D9::requireContext()
{
    if (!m_context)
        throw core::Exception("Renderer not initialized");
    return *m_context;
}

void RendererD3D9::resizeRenderBuffers(int width, int height)
{
    Renderer::resizeRenderBuffers(width, height);
    if (!m_context)
        return;
    m_antialiasingSource.reset();
    m_antialiasingSource =
        std::make_unique<d3d::Texture2D>(width, height, 1, D3DFMT_A8R8G8B8, D3DUSAGE_RENDERTARGET, D3DPOOL_DEFAULT);
    m_depthStencil.reset();
    m_depthStencil = std::make_unique<d3d::DepthBuffer>(width, height, D3DFMT_D24S8, D3DMULTISAMPLE_NONE, false);
    m_settings.width = width;
    m_settings.height = height;
    m_swapChain.reset();
    m_swapChain = std::make_unique<d3d::SwapChain>(m_context->window(), width, height, D3DMULTISAMPLE_NONE);
    if (m_pipeline)
        m_pipeline->resize(width, height);
    if (m_ambientOcclusion)
        m_ambientOcclusion->resize(width, height);
}

bool RendererD3D9::isReadyToRender()
{
    return !m_context || m_context->device().testCooperativeLevel();
}

void RendererD3D9::beginRender()
{
    RenderContextD3D9& context = requireContext();
    d3d::Device& device = context.device();
    context.beginScene();
    device.setRenderTarget(0, m_swapChain.get());
    device.setDepthBuffer(m_depthStencil.get());
    context.setViewport(0, 0, m_viewport.width, m_viewport.height);
    const unsigned char rgba[4] = {clearColor.r, clearColor.g, clearColor.b, clearColor.a};
    device.clear(rgba, d3d::Device::ClearTarget);
    renderStats() = RenderStats{};
    if (m_swapChain)
        drawContext().resetState(m_swapChain->width(), m_swapChain->height());
    else
        drawContext().resetState(m_renderWidth, m_renderHeight);
}

void RendererD3D9::renderScene(Scene* scene, Camera* camera, RenderableTexture* target)
{
    RenderContextD3D9& context = requireContext();
    auto* targetD3D = dynamic_cast<RenderableTextureD3D9*>(target);
    if (target && !(targetD3D && dynamic_cast<d3d::Texture2D*>(targetD3D->texture())))
        throw core::Exception("Render target texture has no storage");
    context.currentScene = scene;
    context.currentCamera = camera;
    if (m_pipeline && scene && camera) {
        DeferredPipelineD3D9& pipeline = *m_pipeline;
        pipeline.gather(*scene, *camera);
        pipeline.copySettings(*this, m_depthStencil.get());
        pipeline.geometryPass(*camera);
        pipeline.lightPass(*camera);
        pipeline.materialPass(*camera);
        if (ambientOcclusion)
            m_ambientOcclusion->apply(*camera, pipeline, ssaoQuality);
        if (fog)
            pipeline.fogPass(fogColor, fogRange.x, fogRange.y);
        pipeline.transparentPass(*camera);
        d3d::Texture2D* targetTexture = targetD3D ? targetD3D->texture2D() : nullptr;
        if (fxaa) {
            context.device().setRenderTarget(0, *m_antialiasingSource);
            pipeline.toneMap(nullptr);
            setOutputTarget(target);
            pipeline.fxaa(*m_antialiasingSource, targetTexture);
        } else {
            setOutputTarget(target);
            pipeline.toneMap(targetTexture);
        }
        // What draws next in this frame (2D drawing, debug lines) means the window.
        setOutputTarget(nullptr);
        // The glossiness is scaled into view as the other renderer shows it:
        // glossiness exponents lie far above 1 and would show as plain white.
        if (drawNormalBuffer)
            pipeline.showBuffer(pipeline.geometryBuffer(), 1.0f);
        else if (drawGlossinessBuffer)
            pipeline.showBuffer(pipeline.glossinessBuffer(), 0.01f);
        else if (drawLightBuffer)
            pipeline.showBuffer(pipeline.lightBuffer(), 1.0f);
        else if (drawAmbientOcclusionBuffer)
            pipeline.showBuffer(m_ambientOcclusion->occlusionTexture(), 1.0f, true);
        context.setViewport(0, 0, m_viewport.width, m_viewport.height);
        context.device().setRenderState(D3DRS_ZENABLE, D3DZB_TRUE);
        context.device().setRenderState(D3DRS_ZWRITEENABLE, TRUE);
    }
    if (camera && m_resources.debugFont)
        DebugDraw::flush(drawContext(), camera->viewProjection(), *m_resources.debugFont);
    else
        DebugDraw::clear();
    context.currentScene = nullptr;
    context.currentCamera = nullptr;
    context.bindDeclaration(nullptr);
    context.bindShaders(nullptr, nullptr);
}

// A given target takes precedence over the window: a script that renders into
// a texture means that texture, whether or not the window has a swap chain.
void RendererD3D9::setOutputTarget(RenderableTexture* target)
{
    d3d::Device& device = requireContext().device();
    auto* targetD3D = dynamic_cast<RenderableTextureD3D9*>(target);
    auto* texture = targetD3D ? dynamic_cast<d3d::Texture2D*>(targetD3D->texture()) : nullptr;
    if (texture)
        device.setRenderTarget(0, *texture);
    else if (m_swapChain)
        device.setRenderTarget(0, m_swapChain.get());
    else
        device.setRenderTarget(0);
    device.setDepthBuffer(m_depthStencil.get());
}

RenderableTexture* RendererD3D9::renderStaticShadowMap(LightEntity* light, int size, float blurAngleDegrees, int)
{
    requireContext();
    if (!m_pipeline || !light)
        return nullptr;
    return m_pipeline->renderStaticShadowMap(*light, size, blurAngleDegrees);
}

void RendererD3D9::endRender()
{
    RenderContextD3D9& context = requireContext();
    d3d::Device& device = context.device();
    // Drawn by the next scene's flush of the debug queues.
    if (drawStats)
        queueStatisticsOverlay();
    context.endScene();
    releaseRenderBuffers();
    if (m_swapChain) {
        device.present(*m_swapChain, nullptr, nullptr, context.window());
        return;
    }
    int width = context.width();
    int height = context.height();
    if (m_viewport.width != width && m_viewport.height != height) {
        RECT source = {0, 0, m_viewport.width, m_viewport.height};
        device.present(&source, nullptr, nullptr);
    } else if (context.windowed()) {
        RECT whole = {0, 0, width, height};
        device.present(&whole, &whole, nullptr);
    } else {
        device.present();
    }
}

// The frame being drawn, as the scripts see it before endRender: the back
// buffer the frame goes to, from its top-left corner, the viewport's size.
void RendererD3D9::saveScreenShot(const std::string& path)
{
    RenderContextD3D9& context = requireContext();
    IDirect3DDevice9* device = context.device().get();
    IDirect3DSurface9* back = nullptr;
    HRESULT hr = m_swapChain ? m_swapChain->get()->GetBackBuffer(0, D3DBACKBUFFER_TYPE_MONO, &back)
                             : device->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, &back);
    if (FAILED(hr))
        throw d3d::Exception_D3DError("GetBackBuffer failed", hr);
    D3DSURFACE_DESC desc;
    back->GetDesc(&desc);
    IDirect3DSurface9* copy = nullptr;
    hr = device->CreateOffscreenPlainSurface(desc.Width, desc.Height, desc.Format, D3DPOOL_SYSTEMMEM, &copy, nullptr);
    if (FAILED(hr)) {
        back->Release();
        throw d3d::Exception_D3DError("CreateOffscreenPlainSurface failed", hr);
    }
    hr = device->GetRenderTargetData(back, copy);
    back->Release();
    if (FAILED(hr)) {
        copy->Release();
        throw d3d::Exception_D3DError("GetRenderTargetData failed", hr);
    }
    int width = std::min<int>(context.viewport().right, int(desc.Width));
    int height = std::min<int>(context.viewport().bottom, int(desc.Height));
    core::Image image(width, height);
    D3DLOCKED_RECT locked;
    hr = copy->LockRect(&locked, nullptr, D3DLOCK_READONLY);
    if (FAILED(hr)) {
        copy->Release();
        throw d3d::Exception_D3DError("LockRect failed", hr);
    }
    for (int y = 0; y < height; ++y)
        std::memcpy(image.data() + size_t(y) * size_t(width) * 4,
                    static_cast<const uint8_t*>(locked.pBits) + size_t(y) * size_t(locked.Pitch), size_t(width) * 4);
    copy->UnlockRect();
    copy->Release();
    // The back buffer's alpha is whatever the clear left: not a picture's.
    image.save(path, false);
}

RenderableMesh* RendererD3D9::createRenderableMesh() { return new RenderableMeshD3D9; }

// Textures live on the device: a renderer without one cannot have them.
RenderableTexture* RendererD3D9::createRenderableTexture()
{
    requireContext();
    return new RenderableTextureD3D9;
}

RenderableTexture* RendererD3D9::createRenderBuffer(int width, int height)
{
    requireContext();
    return createRenderBufferD3D9(width, height);
}

// Through slots 1 and 2 of the shader, its sampler "g_sourceTex".
void RendererD3D9::drawFullScreen(RenderableTexture* texture, RenderableShader* given)
{
    RenderContextD3D9& context = requireContext();
    auto* shader = given ? dynamic_cast<RenderableShaderD3D9*>(given) : m_resources.postProcessShader.get();
    if (!shader || !shader->slot(1) || !shader->slot(2))
        throw core::Exception("No post-process shader");
    m_graphics->useShader(shader);
    auto* source = dynamic_cast<RenderableTextureD3D9*>(texture);
    if (source && source->texture())
        context.setSampler("g_sourceTex", {source->texture(), d3d::SamplerDesc::Linear, d3d::SamplerDesc::Clamp, false});
    m_graphics->drawFullScreenQuad();
    d3d::Device& device = context.device();
    device.setRenderState(D3DRS_ZENABLE, D3DZB_TRUE);
    device.setRenderState(D3DRS_ZWRITEENABLE, TRUE);
}

RenderableShader* RendererD3D9::createRenderableShader()
{
    return new RenderableShaderD3D9(requireContext().device());
}

std::vector<Resolution> RendererD3D9::enumerateResolutions()
{
    std::vector<std::pair<int, int>> sizes;
    m_direct3D->enumerateResolutions(sizes);
    std::vector<Resolution> list;
    for (const auto& [width, height] : sizes)
        list.push_back({width, height});
    return list;
}

uint64_t RendererD3D9::getAvailableTextureMemory()
{
    return m_context ? uint64_t(m_context->device().get()->GetAvailableTextureMem()) : 0;
}

} // namespace engine
