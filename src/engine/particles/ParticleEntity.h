#pragma once

// The render entity that runs a particle system on a node. The CPU only births
// and retires particles, keeping each one's spawn state; the vertex shader
// moves them with the closed-form motion, and the CPU follows that motion only
// for an approximate bounding box.

#include "core/RefRegistry.h"
#include "engine/particles/ParticleSystem.h"
#include "engine/render/RenderEntity.h"

#include <cstdint>
#include <vector>

namespace engine {

// Ten floats, as the vertices carry them.
struct Particle {
    Vec3 position;   // at birth
    Vec3 velocity;   // at birth
    float age;       // seconds; -1 for a free record
    float lifetime;
    float size;
    float random;    // uniform in [0, 1], fixed at birth
};
static_assert(sizeof(Particle) == 40);

class ParticleEntity;

// The running state of one emitter on one entity.
struct EmitterInstance {
    ParticleEntity* owner = nullptr;
    core::CountedRef<ParticleEmitter> emitter;
    std::vector<Particle> pool;
    std::vector<int32_t> freeList;  // pool indices of dead particles
    uint32_t emitted = 0;           // since the last reset
    uint32_t alive = 0;
    float time = 0;                 // emitting seconds since the last reset
};

class ParticleEntity final : public RenderEntity {
public:
    // Births handled together (and skinned with one set of bone matrices).
    static constexpr int BatchSize = 1024;

    explicit ParticleEntity(ParticleSystem* system = nullptr);
    ~ParticleEntity() override;

    // The box of the particles as last measured.
    BoundingBox getWorldBounds() override { return {m_boundsMin, m_boundsMax}; }
    void debugDraw() override {}

    ParticleSystem* particleSystem() const { return m_system.get(); }
    // Builds one instance per emitter of the system, then resets.
    void setParticleSystem(ParticleSystem* system);
    const std::vector<EmitterInstance>& instances() const { return m_instances; }

    // Kills every particle and restarts the clocks.
    void reset();
    void start() { m_emitting = true; }
    // Ends emission; live particles finish their lives.
    void stop() { m_emitting = false; }
    bool emitting() const { return m_emitting; }
    // Whether any emitter may still show particles: its time is short of its
    // emission time plus its longest lifetime.
    bool isAlive() const;

    // Emits, ages and measures. Throws core::Exception "particle system is
    // not attached to a node" without a node. A reload of the system since
    // the last update restarts the particles first.
    void update(float dt);

    // Where a particle is now, in world space.
    static Vec3 currentPosition(const Particle& particle, const ParticleEmitter& emitter, const Mat4x3& world);

private:
    void emit(EmitterInstance& instance, float dt);
    void age(EmitterInstance& instance, float dt);
    void spawnInBox(EmitterInstance& instance, const int32_t* indices, int count);
    void spawnOnMesh(EmitterInstance& instance, const int32_t* indices, int count);
    void updateBounds();
    void grow(const EmitterInstance& instance, const Particle& particle, const Mat4x3& world);

    core::CountedRef<ParticleSystem> m_system;
    std::vector<EmitterInstance> m_instances;
    uint64_t m_version = 0;
    bool m_emitting = true;
    Vec3 m_boundsMin{0, 0, 0};
    Vec3 m_boundsMax{0, 0, 0};
    int32_t m_boundsCounter = -1;  // negative: seed the box again
};

} // namespace engine
