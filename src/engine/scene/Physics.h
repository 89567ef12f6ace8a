#pragma once

// The physics interfaces the engine systems create. Only the inert engine
// exists: it accepts every call and simulates nothing.

namespace engine {

enum class PhysicsEngineKind { Null = 0, PhysX = 1 };

class DynamicsWorld {
public:
    virtual ~DynamicsWorld() = default;
    // Brackets a frame's rendering: the simulation runs between the two.
    virtual void beginSimulation() = 0;
    virtual void endSimulation() = 0;
};

class PhysicsEngine {
public:
    // The engine of the process, made by createPhysicsEngine; null before that.
    static PhysicsEngine* current();

    PhysicsEngine();
    virtual ~PhysicsEngine();
    PhysicsEngine(const PhysicsEngine&) = delete;
    PhysicsEngine& operator=(const PhysicsEngine&) = delete;

    virtual DynamicsWorld* createDynamicsWorld() = 0;
};

class DynamicsWorldNull final : public DynamicsWorld {
public:
    void beginSimulation() override {}
    void endSimulation() override {}
};

class PhysicsEngineNull final : public PhysicsEngine {
public:
    DynamicsWorld* createDynamicsWorld() override { return new DynamicsWorldNull; }
};

// Builds the engine of the kind and makes it current; throws core::Exception
// "Invalid physics engine" for a kind without an implementation.
PhysicsEngine* createPhysicsEngine(PhysicsEngineKind kind);

} // namespace engine
