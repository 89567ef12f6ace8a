#pragma once

// The renderer the scripts drive once per frame: the user-visible render
// settings, the frame's begin and end, and the factory of backend objects.
// Exactly one renderer is current; backend-independent code reaches the
// backend through it.

#include "core/Desktop.h"
#include "core/RefRegistry.h"
#include "engine/scene/Vector.h"

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace core {
class Window;
}

namespace engine {

class Scene;
class Camera;
class RenderableTexture;
class RenderableShader;
class RenderableMesh;
class LightEntity;

enum class RenderEngineKind { D3D9 = 0, GLES2 = 1, OpenGL = 2 };

// The backend a renderer is made with when the scripts name none: Direct3D 9
// on Windows, OpenGL elsewhere.
#ifdef _WIN32
constexpr RenderEngineKind DefaultRenderEngine = RenderEngineKind::D3D9;
#else
constexpr RenderEngineKind DefaultRenderEngine = RenderEngineKind::OpenGL;
#endif

// What a renderer is created with; init copies it.
struct RenderSettings {
    RenderEngineKind renderEngine = DefaultRenderEngine;
    core::Window* window = nullptr;
    int width = 1280;
    int height = 720;
    int multisamples = 0;
    bool windowed = true;
    int verticalSync = 1;  // 0 off, 1 on, 2 triple buffer
    std::string altShaderPath;
    bool notebookMode = false;
};

// Counted per frame, zeroed by beginRender.
struct RenderStats {
    int visibleMeshes = 0;
    int visibleLights = 0;
    int visibleParticleEntities = 0;
    int drawSegments = 0;
    int shadowSegments = 0;
};
RenderStats& renderStats();

// A window a renderer can draw into besides its own.
class RenderWindow {
public:
    virtual ~RenderWindow() = default;
};

struct Resolution {
    int width;
    int height;
    bool operator==(const Resolution&) const = default;
};

struct Viewport {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
};

class Renderer {
public:
    // The current renderer, or null.
    static Renderer* current();

    // Every renderer made becomes the current one.
    Renderer();
    virtual ~Renderer();
    Renderer(const Renderer&) = delete;
    Renderer& operator=(const Renderer&) = delete;

    // Copies the settings, sets the viewport to the render size and makes the
    // backend's context; throws core::Exception on failure.
    virtual void init(const RenderSettings& settings);
    // Vendor and renderer names, empty when unknown.
    virtual std::pair<std::string, std::string> getRendererInfo() = 0;
    virtual void resizeRenderBuffers(int width, int height);
    // False while the device cannot render; the frame is then skipped.
    virtual bool isReadyToRender() = 0;
    virtual void setRenderWindow(RenderWindow* window) = 0;
    // Binds the window's back buffer, clears it to the clear colour and zeroes the statistics.
    virtual void beginRender() = 0;
    // Draws the scene seen through the camera into the target, or the back buffer without one.
    virtual void renderScene(Scene* scene, Camera* camera, RenderableTexture* target) = 0;
    // A shadow cube of the light, prerendered for setStaticShadowMap; null when
    // the backend makes none. Throws core::Exception when it cannot be made.
    virtual RenderableTexture* renderStaticShadowMap(LightEntity* light, int size, float blurAngleDegrees,
                                                     int option) {
        (void)light, (void)size, (void)blurAngleDegrees, (void)option;
        return nullptr;
    }
    // Finishes the frame and presents it.
    virtual void endRender() = 0;
    virtual void saveScreenShot(const std::string& path) = 0;
    // An empty renderable mesh of the backend, to be filled by its init.
    virtual RenderableMesh* createRenderableMesh() = 0;
    virtual RenderWindow* createRenderWindow(core::Window* window) = 0;
    // A new, empty texture of the backend.
    virtual RenderableTexture* createRenderableTexture() = 0;
    // Draws the texture over the whole current target through a post-process
    // shader (the renderer's own when none is given), between beginRender and
    // endRender. Throws core::Exception when there is no such shader.
    virtual void drawFullScreen(RenderableTexture* texture, RenderableShader* shader = nullptr) = 0;
    // A new, empty shader of the backend, to be filled by one of its loads.
    virtual RenderableShader* createRenderableShader() = 0;
    // A new render-target texture of the size.
    virtual RenderableTexture* createRenderBuffer(int width, int height) = 0;
    virtual std::vector<Resolution> enumerateResolutions() = 0;
    virtual uint64_t getAvailableTextureMemory() = 0;

    const RenderSettings& settings() const { return m_settings; }
    int renderWidth() const { return m_renderWidth; }
    int renderHeight() const { return m_renderHeight; }
    const Viewport& viewport() const { return m_viewport; }
    void setViewport(const Viewport& viewport) { m_viewport = viewport; }

    // --- temporary render buffers ---

    // A free pooled buffer of exactly that size, or a new one; in use until
    // released or the frame ends. The pool owns it.
    RenderableTexture* getTemporaryRenderBuffer(int width, int height);
    // Puts a buffer in use back into the pool; others are left alone.
    void releaseRenderBuffer(RenderableTexture* texture);
    // Every buffer in use goes back into the pool (end of frame).
    void releaseRenderBuffers();
    // Empties both lists; backends call it while their context still exists.
    void clearRenderBuffers();

    // --- render settings, read by each renderScene ---

    Color clearColor{50, 50, 50, 255};
    bool wireframe = false;
    bool ambientOcclusion = false;
    int ssaoQuality = 1;  // below 1 the normal pass, 1 and above the high-quality pass
    bool fog = false;
    Vec3 fogColor{0, 0, 0};
    Vec2 fogRange{0, 0};  // near, far
    bool diffuseMapping = true;
    bool normalMapping = true;
    int textureFilter = 2;  // 0 bilinear, 1 trilinear, 2 anisotropic
    bool fxaa = false;
    bool renderMeshes = true;
    bool renderShadows = true;
    int shadowQuality = 1;
    bool drawNormalBuffer = false;
    bool drawGlossinessBuffer = false;
    bool drawLightBuffer = false;
    bool drawAmbientOcclusionBuffer = false;
    bool drawStats = false;

protected:
    RenderSettings m_settings;
    int m_renderWidth = 0;
    int m_renderHeight = 0;
    Viewport m_viewport;
    std::vector<core::CountedRef<RenderableTexture>> m_freeRenderBuffers;
    std::vector<core::CountedRef<RenderableTexture>> m_usedRenderBuffers;
};

// A renderer of the backend, not yet initialised; throws core::Exception when
// this platform has no such backend.
Renderer* createRenderer(RenderEngineKind kind);

// Display modes as a resolution list: modes below 15 bits per pixel dropped,
// each size once, sorted by width, then height.
std::vector<Resolution> resolutionsOf(const std::vector<core::DisplayMode>& modes);

} // namespace engine
