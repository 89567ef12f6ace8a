#pragma once

// The renderer on Direct3D 9. Merely making it loads the Direct3D library;
// init makes the device on the settings' window.

#include "engine/render/Renderer.h"
#include "engine/render/d3d9/D3DResources.h"
#include "engine/render/d3d9/RenderContextD3D9.h"
#include "engine/render/d3d9/RenderResourcesD3D9.h"

#include <memory>

namespace engine {

class AmbientOcclusionD3D9;
class DeferredPipelineD3D9;
class GraphicsD3D9;
class ImmediateModeD3D9;

class RenderWindowD3D9 final : public RenderWindow {};

class RendererD3D9 final : public Renderer {
public:
    RendererD3D9();
    ~RendererD3D9() override;

    void init(const RenderSettings& settings) override;
    std::pair<std::string, std::string> getRendererInfo() override { return {}; }
    void resizeRenderBuffers(int width, int height) override;
    // False while the device is lost; a device that may be reset is reset here.
    bool isReadyToRender() override;
    void setRenderWindow(RenderWindow*) override {}
    void beginRender() override;
    void renderScene(Scene* scene, Camera* camera, RenderableTexture* target) override;
    RenderableTexture* renderStaticShadowMap(LightEntity* light, int size, float blurAngleDegrees, int option) override;
    void endRender() override;
    void saveScreenShot(const std::string& path) override;
    RenderableMesh* createRenderableMesh() override;
    RenderWindow* createRenderWindow(core::Window*) override { return new RenderWindowD3D9; }
    RenderableTexture* createRenderableTexture() override;
    RenderableTexture* createRenderBuffer(int width, int height) override;
    void drawFullScreen(RenderableTexture* texture, RenderableShader* shader = nullptr) override;
    RenderableShader* createRenderableShader() override;
    std::vector<Resolution> enumerateResolutions() override;
    uint64_t getAvailableTextureMemory() override;

    // Null before init.
    RenderContextD3D9* context() const { return m_context.get(); }
    RenderResourcesD3D9& resources() { return m_resources; }
    ImmediateModeD3D9* immediateMode() const { return m_immediateMode.get(); }
    GraphicsD3D9* graphics() const { return m_graphics.get(); }
    // Null until the first resizeRenderBuffers.
    d3d::SwapChain* windowSwapChain() const { return m_swapChain.get(); }
    d3d::DepthBuffer* depthStencilBuffer() const { return m_depthStencil.get(); }
    // Null before init.
    DeferredPipelineD3D9* pipeline() const { return m_pipeline.get(); }
    AmbientOcclusionD3D9* ambientOcclusionPass() const { return m_ambientOcclusion.get(); }

private:
    RenderContextD3D9& requireContext();
    // Refuses a device without what the passes need, naming the first lack.
    void checkCapabilities();
    // Where the tone-mapped scene goes: the target, the window's swap chain or the back buffer.
    void setOutputTarget(RenderableTexture* target);

    std::unique_ptr<d3d::Direct3D> m_direct3D;
    std::unique_ptr<RenderContextD3D9> m_context;
    RenderResourcesD3D9 m_resources;
    std::unique_ptr<d3d::Texture2D> m_antialiasingSource;
    std::unique_ptr<ImmediateModeD3D9> m_immediateMode;
    std::unique_ptr<GraphicsD3D9> m_graphics;
    std::unique_ptr<d3d::SwapChain> m_swapChain;
    std::unique_ptr<d3d::DepthBuffer> m_depthStencil;
    std::unique_ptr<DeferredPipelineD3D9> m_pipeline;
    std::unique_ptr<AmbientOcclusionD3D9> m_ambientOcclusion;
};

} // namespace engine
