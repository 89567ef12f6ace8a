#pragma once

// The renderer on desktop OpenGL.

#include "engine/render/Renderer.h"
#include "core/RefRegistry.h"
#include "engine/render/gl/RenderContextGL.h"

#include <memory>

namespace engine {

class AmbientOcclusionGL;
class DeferredPipelineGL;
class FogPassGL;
class Font;
class GraphicsGL;
class ImmediateModeGL;
class Material;
class NotebookRendererGL;
class RenderableMeshGL;
class RenderableShaderGL;
class RenderableTextureGL;
class TextureGL;
class TonemapPassGL;
class FxaaPassGL;

// The default resources every pass may draw with, made by the renderer's init.
// The shaders are made only when their files are found.
struct RenderResourcesGL {
    // Defined where the held types are complete, so that they are destroyed whole.
    RenderResourcesGL();
    ~RenderResourcesGL();

    core::CountedRef<RenderableTextureGL> whiteTexture;       // (255, 255, 255, 255)
    core::CountedRef<RenderableTextureGL> flatNormalTexture;  // (128, 128, 255, 255): the normal (0, 0, 1)
    core::CountedRef<RenderableMeshGL> lightVolumeSphere;     // unit icosphere of level 2
    core::CountedRef<RenderableMeshGL> lightVolumeCone;       // apex at 0, ten-sided base at z = 1
    core::CountedRef<RenderableShaderGL> surfaceShader;       // the default surface shader
    core::CountedRef<RenderableShaderGL> postProcessShader;   // copies a texture to the target
    core::CountedRef<Material> postProcessMaterial;           // unnamed, with the post-process shader
    core::CountedRef<Font> debugFont;                         // the built-in "consolas", for debug text
};

// The live renderer's resources, or null when there is none.
RenderResourcesGL* renderResourcesGL();

class RenderWindowGL final : public RenderWindow {};

class RendererGL final : public Renderer {
public:
    RendererGL();
    ~RendererGL() override;

    void init(const RenderSettings& settings) override;
    std::pair<std::string, std::string> getRendererInfo() override;
    void resizeRenderBuffers(int width, int height) override;
    bool isReadyToRender() override { return true; }
    void setRenderWindow(RenderWindow*) override {}
    void beginRender() override;
    void renderScene(Scene* scene, Camera* camera, RenderableTexture* target) override;
    // A cube of the light's static shadow casters, rendered now and blurred
    // over a cone of the angle in degrees; null in notebook mode. Throws "No
    // depth buffer for static shadow map" for sizes without shadow cubes
    // (other than 16 to 256). The last argument is not used.
    RenderableTexture* renderStaticShadowMap(LightEntity* light, int size, float blurAngleDegrees, int option) override;
    void endRender() override;
    void saveScreenShot(const std::string& path) override;
    RenderableMesh* createRenderableMesh() override;
    RenderWindow* createRenderWindow(core::Window*) override { return new RenderWindowGL; }
    RenderableTexture* createRenderableTexture() override;
    RenderableTexture* createRenderBuffer(int width, int height) override;
    RenderableShader* createRenderableShader() override;
    std::vector<Resolution> enumerateResolutions() override;
    // The drivers do not say; a figure that lets texture budgets work.
    uint64_t getAvailableTextureMemory() override { return 268435456; }

    RenderContextGL* context() const { return m_context.get(); }
    // Null when the shader files of the scene passes were not found (or in notebook mode).
    DeferredPipelineGL* pipeline() const { return m_pipeline.get(); }
    AmbientOcclusionGL* ambientOcclusionPass() const { return m_ambientOcclusion.get(); }
    // The forward renderer of notebook mode; null otherwise.
    NotebookRendererGL* notebook() const { return m_notebook.get(); }
    RenderResourcesGL& resources() { return m_resources; }
    ImmediateModeGL* immediateMode() const { return m_immediateMode.get(); }
    GraphicsGL* graphics() const { return m_graphics.get(); }

    // Through slot 0 of the shader, its sampler "texture".
    void drawFullScreen(RenderableTexture* texture, RenderableShader* shader = nullptr) override;

private:
    // The context, or core::Exception when init has not made one.
    RenderContextGL& requireContext();

    void createResources();
    void createScenePasses();
    void destroyScenePasses();
    // The first buffer the debug settings ask for, over the whole target.
    void drawDebugView();
    void drawBufferView(const TextureGL& texture, float scale);
    // Copies the scene's depth and stencil into the window's buffers, so that
    // debug lines drawn over the scene are hidden behind its surfaces.
    void shareSceneDepth();
    // Draws the queued debug shapes and texts through the camera and empties the queues.
    void flushDebugDrawing(Camera& camera);

    std::unique_ptr<RenderContextGL> m_context;
    std::unique_ptr<GraphicsGL> m_graphics;
    RenderResourcesGL m_resources;
    std::unique_ptr<ImmediateModeGL> m_immediateMode;
    std::unique_ptr<DeferredPipelineGL> m_pipeline;
    std::unique_ptr<AmbientOcclusionGL> m_ambientOcclusion;
    std::unique_ptr<FogPassGL> m_fog;
    std::unique_ptr<TonemapPassGL> m_tonemap;
    std::unique_ptr<FxaaPassGL> m_fxaa;
    std::unique_ptr<NotebookRendererGL> m_notebook;
};

} // namespace engine
