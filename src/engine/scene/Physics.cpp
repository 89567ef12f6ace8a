#include "engine/scene/Physics.h"

#include "core/Exception.h"

namespace engine {

namespace {
PhysicsEngine* g_current = nullptr;
}

PhysicsEngine* PhysicsEngine::current() {
    return g_current;
}

PhysicsEngine::PhysicsEngine() = default;

PhysicsEngine::~PhysicsEngine() {
    if (g_current == this)
        g_current = nullptr;
}

PhysicsEngine* createPhysicsEngine(PhysicsEngineKind kind) {
    if (kind != PhysicsEngineKind::Null)
        throw core::Exception("Invalid physics engine");
    g_current = new PhysicsEngineNull;
    return g_current;
}

} // namespace engine
