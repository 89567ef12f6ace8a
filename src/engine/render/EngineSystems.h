#pragma once

// The bundle the scripts create once: the renderer, the physics engine and the
// audio engine chosen by one set of options, and the main window sized for them.

#include "core/RefRegistry.h"
#include "engine/audio/AudioEngine.h"
#include "engine/render/Renderer.h"
#include "engine/physics/Physics.h"

namespace engine {

struct EngineOptions {
    RenderSettings settings;
    PhysicsEngineKind physicsEngine = PhysicsEngineKind::Null;
    AudioEngineKind audioEngine = AudioEngineKind::Null;
    bool dontAdjustFrame = false;
};

class EngineSystems {
public:
    // The one engine systems object, or null.
    static EngineSystems* instance();

    // Sizes the window (or takes the render size from it when a size is 0),
    // then creates physics, audio and the renderer and initialises it. The
    // result becomes the instance. On a core::Exception nothing is kept.
    static EngineSystems* create(EngineOptions options);

    // Ends the instance; the next run starts without one.
    static void destroy();

    ~EngineSystems();
    EngineSystems(const EngineSystems&) = delete;
    EngineSystems& operator=(const EngineSystems&) = delete;

    Renderer* renderer() const { return m_renderer.get(); }
    PhysicsEngine* physicsEngine() const { return m_physicsEngine.get(); }
    AudioEngine* audioEngine() const { return m_audioEngine.get(); }

private:
    EngineSystems() = default;

    core::CountedRef<Renderer> m_renderer;
    core::CountedRef<PhysicsEngine> m_physicsEngine;
    core::CountedRef<AudioEngine> m_audioEngine;
};

} // namespace engine
