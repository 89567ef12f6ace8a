#pragma once

// The renderer on desktop OpenGL.

#include "engine/render/Renderer.h"
#include "engine/render/gl/RenderContextGL.h"

#include <memory>

namespace engine {

class RenderWindowGL final : public RenderWindow {};

class RendererGL final : public Renderer {
public:
    RendererGL() = default;
    ~RendererGL() override;

    void init(const RenderSettings& settings) override;
    std::pair<std::string, std::string> getRendererInfo() override;
    void resizeRenderBuffers(int width, int height) override;
    bool isReadyToRender() override { return true; }
    void setRenderWindow(RenderWindow*) override {}
    void beginRender() override;
    void renderScene(Scene* scene, Camera* camera, RenderableTexture* target) override;
    void endRender() override;
    void saveScreenShot(const std::string& path) override;
    RenderableMesh* createRenderableMesh() override;
    RenderWindow* createRenderWindow(core::Window*) override { return new RenderWindowGL; }
    RenderableTexture* createRenderableTexture() override;
    RenderableTexture* createRenderBuffer(int width, int height) override;
    std::vector<Resolution> enumerateResolutions() override;
    // The drivers do not say; a figure that lets texture budgets work.
    uint64_t getAvailableTextureMemory() override { return 268435456; }

    RenderContextGL* context() const { return m_context.get(); }

private:
    // The context, or core::Exception when init has not made one.
    RenderContextGL& requireContext();

    std::unique_ptr<RenderContextGL> m_context;
};

} // namespace engine
