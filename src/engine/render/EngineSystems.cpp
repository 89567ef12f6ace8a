#include "engine/render/EngineSystems.h"

#include "core/FileSystem.h"
#include "core/Window.h"
#include "engine/assets/ModelAssetProcessor.h"

#include <memory>

namespace engine {

namespace {
EngineSystems* g_instance = nullptr;
}

EngineSystems* EngineSystems::instance() {
    return g_instance;
}

EngineSystems* EngineSystems::create(EngineOptions options) {
    RenderSettings& settings = options.settings;
    if (core::Window* window = settings.window) {
        if (settings.width == 0 || settings.height == 0) {
            settings.width = window->width();
            settings.height = window->height();
        } else if (!options.dontAdjustFrame) {
            window->setClientSize(settings.width, settings.height);
        }
    }

    std::unique_ptr<EngineSystems> systems(new EngineSystems);
    systems->m_physicsEngine = core::CountedRef<PhysicsEngine>(createPhysicsEngine(options.physicsEngine));
    systems->m_audioEngine = core::CountedRef<AudioEngine>(createAudioEngine(options.audioEngine));
    if (!settings.altShaderPath.empty())
        core::addSearchPath(settings.altShaderPath);
    systems->m_renderer = core::CountedRef<Renderer>(createRenderer(settings.renderEngine));
    systems->m_renderer->init(settings);
    registerStandardAssetProcessors();
    g_instance = systems.release();
    return g_instance;
}

void EngineSystems::destroy() {
    delete g_instance;
    g_instance = nullptr;
}

EngineSystems::~EngineSystems() {
    m_audioEngine.reset();
    m_physicsEngine.reset();
    m_renderer.reset();
}

} // namespace engine
