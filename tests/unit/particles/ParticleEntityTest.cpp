#include "engine/assets/MeshPrimitives.h"
#include "engine/particles/ParticleEntity.h"
#include "engine/particles/ParticleMotion.h"
#include "engine/particles/ParticleRandom.h"
#include "engine/scene/Node.h"
#include "support/ExceptionMessage.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace engine;

namespace {

// A system of one emitter on a node of its own.
class ParticleEntityTest : public testing::Test {
protected:
    void SetUp() override {
        seedParticleRandom(1);
        system = core::CountedRef<ParticleSystem>(new ParticleSystem);
        emitter = new ParticleEmitter;
        emitter->lifetime = {100, 100};
        system->addEmitter(emitter);
    }

    // The entity, made once the emitter is set up (instances reserve the pool then).
    ParticleEntity& entity() {
        if (!m_entity) {
            m_entity = new ParticleEntity(system.get());
            node.setComponent(Component::RenderEntityKind, m_entity);
        }
        return *m_entity;
    }

    const EmitterInstance& instance() { return entity().instances().at(0); }

    void run(float seconds, float step) {
        for (float t = 0; t + step / 2 < seconds; t += step)
            entity().update(step);
    }

    Node node;
    core::CountedRef<ParticleSystem> system;
    ParticleEmitter* emitter = nullptr;

private:
    ParticleEntity* m_entity = nullptr;
};

TEST_F(ParticleEntityTest, EmissionCountsFollowRateTimeAndBurst) {
    struct Case {
        const char* name;
        float rate, time;
        int maxParticles;
        bool burst;
        float seconds, step;
        uint32_t emitted;
    };
    const Case cases[] = {
        {"rate for a limited time", 10, 2, 100, false, 5, 0.1f, 20},
        {"rate for ever", 10, 0, 100, false, 5, 0.25f, 50},
        {"negative time is for ever", 4, -1, 100, false, 3, 0.5f, 12},
        {"burst fills the pool once", 0, 0, 100, true, 3, 0.5f, 100},
        {"burst ignores the rate", 1000, 1, 7, true, 2, 0.5f, 7},
        {"fractions carry over", 3, 0, 100, false, 1, 0.1f, 3},
    };
    for (const Case& c : cases) {
        SetUp();
        emitter->emissionRate = c.rate;
        emitter->emissionTime = c.time;
        emitter->maxParticles = c.maxParticles;
        emitter->spawnBurst = c.burst;
        Node owner;
        auto* e = new ParticleEntity(system.get());
        owner.setComponent(Component::RenderEntityKind, e);
        for (float t = 0; t + c.step / 2 < c.seconds; t += c.step)
            e->update(c.step);
        EXPECT_EQ(e->instances()[0].emitted, c.emitted) << c.name;
        EXPECT_EQ(e->instances()[0].alive, std::min<uint32_t>(c.emitted, uint32_t(c.maxParticles))) << c.name;
    }
}

TEST_F(ParticleEntityTest, BurstEmitsOnceUntilReset) {
    emitter->spawnBurst = true;
    emitter->maxParticles = 100;
    entity().update(0.1f);
    EXPECT_EQ(instance().alive, 100u);
    run(2, 0.5f);
    EXPECT_EQ(instance().emitted, 100u);
    entity().reset();
    EXPECT_EQ(instance().alive, 0u);
    EXPECT_TRUE(instance().pool.empty());
    entity().update(0.1f);
    EXPECT_EQ(instance().emitted, 100u);
}

TEST_F(ParticleEntityTest, DeadParticlesAreRecycledWithoutGrowingThePool) {
    emitter->emissionRate = 10;
    emitter->maxParticles = 8;
    emitter->lifetime = {0.35f, 0.35f};
    const Particle* storage = nullptr;
    for (int i = 0; i < 40; ++i) {
        entity().update(0.125f);
        if (!storage)
            storage = instance().pool.data();
        // Particles live for less than three updates.
        EXPECT_LE(instance().alive, 5u);
        EXPECT_EQ(instance().pool.size() - instance().freeList.size(), instance().alive);
    }
    EXPECT_EQ(instance().emitted, 50u);
    EXPECT_LE(instance().pool.size(), 8u);
    EXPECT_EQ(instance().pool.data(), storage) << "reserved once, never reallocated";
    for (const Particle& p : instance().pool)
        EXPECT_TRUE(p.age < 0 || p.age <= p.lifetime);
}

TEST_F(ParticleEntityTest, AFullPoolOverwritesLiveParticles) {
    emitter->emissionRate = 100;
    emitter->maxParticles = 10;
    run(1, 0.05f);
    EXPECT_EQ(instance().emitted, 100u);
    EXPECT_EQ(instance().alive, 10u);
    EXPECT_EQ(instance().pool.size(), 10u);
    EXPECT_TRUE(instance().freeList.empty());
}

TEST_F(ParticleEntityTest, NoPoolAndHugeRatesDoNotHangOrCrash) {
    emitter->emissionRate = 100;
    emitter->maxParticles = 0;
    run(1, 0.1f);
    EXPECT_EQ(instance().alive, 0u);
    emitter->emissionRate = 1e30f;
    emitter->maxParticles = 16;
    entity().reset();
    entity().update(1);
    EXPECT_EQ(instance().alive, 16u);
}

TEST_F(ParticleEntityTest, IsAliveUntilEmissionTimePlusLongestLifetime) {
    emitter->emissionRate = 10;
    emitter->maxParticles = 100;
    emitter->lifetime = {1, 3};
    run(2.9f, 0.1f);
    EXPECT_TRUE(entity().isAlive());
    run(0.2f, 0.1f);
    EXPECT_FALSE(entity().isAlive()) << "still emitting, but past 0 + 3 seconds";
    EXPECT_GT(instance().alive, 0u);

    // Stopped, the clock stands still: isAlive keeps its answer and
    // emission resumes where it stopped.
    emitter->emissionTime = 10;
    entity().reset();
    run(1, 0.5f);
    entity().stop();
    run(20, 0.5f);
    EXPECT_TRUE(entity().isAlive());
    EXPECT_EQ(instance().emitted, 10u);
    EXPECT_EQ(instance().alive, 0u) << "live particles finish their lives";
    entity().start();
    entity().update(0.5f);
    EXPECT_EQ(instance().emitted, 15u);

    EXPECT_FALSE(ParticleEntity().isAlive()) << "no system, no instances";
}

TEST_F(ParticleEntityTest, UpdateNeedsANodeAndReloadRestarts) {
    ParticleEntity loose(system.get());
    EXPECT_EQ(messageOf([&] { loose.update(0.1f); }), "particle system is not attached to a node");
    ParticleEntity empty;
    EXPECT_EQ(messageOf([&] { empty.update(0.1f); }), "particle system is not attached to a node");

    emitter->emissionRate = 10;
    emitter->maxParticles = 100;
    run(1, 0.5f);
    ASSERT_EQ(instance().emitted, 10u);
    // A new emitter list and version, as a reload makes.
    core::CountedRef<ParticleEmitter> second(new ParticleEmitter);
    second->maxParticles = 5;
    second->spawnBurst = true;
    second->lifetime = {1, 1};
    uint64_t version = system->version();
    EXPECT_EQ(messageOf([&] { system->loadFile("no such particle file"); }),
              "File not found: no such particle file");
    EXPECT_NE(system->version(), version);
    EXPECT_TRUE(system->emitters().empty());
    system->addEmitter(second.get());
    entity().update(0.1f);
    ASSERT_EQ(entity().instances().size(), 1u);
    EXPECT_EQ(instance().emitter.get(), second.get());
    EXPECT_EQ(instance().emitted, 5u);
}

TEST_F(ParticleEntityTest, BoxSpawnFillsTheBoxAndSpraysInTheCone) {
    emitter->spawnBurst = true;
    emitter->maxParticles = 500;
    emitter->boxMin = {-1, 2, -3};
    emitter->boxMax = {1, 4, 3};
    emitter->sprayAngle = {10, 30};
    emitter->velocity = {2, 5};
    emitter->lifetime = {1, 2};
    emitter->size = {0.5f, 0.75f};
    node.setPosition({10, 0, 0});
    entity().update(0.01f);
    for (const Particle& p : instance().pool) {
        // World space: the node's position moves the box.
        EXPECT_GE(p.position.x, 9.0f);
        EXPECT_LE(p.position.x, 11.0f);
        EXPECT_GE(p.position.y, 2.0f);
        EXPECT_LE(p.position.z, 3.0f);
        float speed = std::sqrt(p.velocity.x * p.velocity.x + p.velocity.y * p.velocity.y + p.velocity.z * p.velocity.z);
        EXPECT_NEAR(speed, 3.5f, 1.5f + 1e-4f);
        float angle = std::acos(p.velocity.y / speed) * 180.0f / 3.1415927f;
        EXPECT_GE(angle, 10.0f - 1e-2f);
        EXPECT_LE(angle, 30.0f + 1e-2f);
        EXPECT_GE(p.lifetime, 1.0f);
        EXPECT_LE(p.size, 0.75f);
        EXPECT_GE(p.random, 0.0f);
        EXPECT_LE(p.random, 1.0f);
    }
}

TEST_F(ParticleEntityTest, MeshSpawnLiesOnTheSurfaceAndLeavesAlongTheNormal) {
    // A unit square in the XZ plane facing up, as two triangles.
    Mesh* square = new Mesh(4);
    const float positions[] = {0, 0, 0, 1, 0, 0, 1, 0, 1, 0, 0, 1};
    const float normals[] = {0, 1, 0, 0, 1, 0, 0, 1, 0, 0, 1, 0};
    square->setVertexArray(PositionSlot, int32_t(ElementType::Float), 3, positions);
    square->setVertexArray(NormalSlot, int32_t(ElementType::Float), 3, normals);
    square->setIndices({0, 1, 2, 0, 2, 3});
    emitter->mesh = core::CountedRef<MeshCDF>(new MeshCDF(square));
    emitter->spawnBurst = true;
    emitter->maxParticles = 200;
    emitter->velocity = {2, 2};
    node.setPosition({0, 5, 0});
    entity().update(0.01f);
    ASSERT_EQ(instance().alive, 200u);
    for (const Particle& p : instance().pool) {
        EXPECT_NEAR(p.position.y, 5.0f, 1e-5f);
        EXPECT_GE(p.position.x, -1e-5f);
        EXPECT_LE(p.position.x, 1.00001f);
        EXPECT_GE(p.position.z, -1e-5f);
        EXPECT_LE(p.position.z, 1.00001f);
        EXPECT_NEAR(p.velocity.y, 2.0f, 1e-5f);
    }

    // Skinned by a bone that stands at height 3 turned upside down (bound at
    // the origin), the surface spawns there, whatever the node, and faces down.
    const uint8_t bones[] = {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    square->setVertexArray(BoneIndexSlot, int32_t(ElementType::UnsignedByte), 4, bones);
    Node bone;
    bone.setPosition({0, 3, 0});
    bone.setRotation(Mat3::rotationX(3.1415927f));
    emitter->skeleton = core::CountedRef<Skeleton>(new Skeleton({Bone{&bone, Mat4x3::identity()}}));
    entity().reset();
    entity().update(0.01f);
    for (const Particle& p : instance().pool) {
        EXPECT_NEAR(p.position.y, 3.0f, 1e-4f);
        EXPECT_LE(p.position.z, 1e-4f);
        EXPECT_NEAR(p.velocity.y, -2.0f, 1e-4f);
    }
    emitter->skeleton = {};
}

TEST(MeshCDF, EntriesAccumulateAreaShares) {
    // Triangles of area 1, 0 and 3 (the second is degenerate).
    Mesh* mesh = new Mesh(6);
    const float p[] = {0, 0, 0, 2, 0, 0, 0, 1, 0, 5, 5, 5, 6, 6, 6, 0, 3, 0};
    mesh->setVertexArray(PositionSlot, int32_t(ElementType::Float), 3, p);
    mesh->setIndices({0, 1, 2, 3, 4, 3, 0, 1, 5});
    core::CountedRef<MeshCDF> cdf(new MeshCDF(mesh));
    ASSERT_EQ(cdf->distribution().size(), 3u);
    EXPECT_FLOAT_EQ(cdf->distribution()[0], 0.25f);
    EXPECT_FLOAT_EQ(cdf->distribution()[1], 0.25f);
    EXPECT_FLOAT_EQ(cdf->distribution()[2], 1.0f);
    EXPECT_EQ(cdf->pick(0.1f), 0);
    EXPECT_EQ(cdf->pick(0.25f), 2) << "the degenerate triangle is never picked";
    EXPECT_EQ(cdf->pick(1.0f), 0) << "nothing is above 1: the first triangle";

    // No area at all, or indices past the vertices: no usable total, no NaN.
    Mesh* flat = new Mesh(3);
    const float line[] = {0, 0, 0, 1, 0, 0, 2, 0, 0};
    flat->setVertexArray(PositionSlot, int32_t(ElementType::Float), 3, line);
    flat->setIndices({0, 1, 2, 0, 1, 9});
    core::CountedRef<MeshCDF> none(new MeshCDF(flat));
    EXPECT_FALSE(none->usable());
    for (float entry : none->distribution())
        EXPECT_EQ(entry, 0.0f);
    EXPECT_EQ(none->pick(0.5f), 0);
}

TEST_F(ParticleEntityTest, BoundsFollowTheMotionAndStayAboveTheGround) {
    emitter->spawnBurst = true;
    emitter->maxParticles = 300;
    emitter->boxMin = {-1, 0, -1};
    emitter->boxMax = {1, 1, 1};
    emitter->velocity = {1, 3};
    emitter->sprayAngle = {0, 60};
    emitter->gravity = {0, -9.8f, 0};
    emitter->size = {0.1f, 0.2f};
    emitter->clampToGroundPlane = true;
    for (int i = 0; i < 150; ++i) {
        entity().update(0.05f);
        BoundingBox box = entity().getWorldBounds();
        EXPECT_GE(box.min.y, -0.2f - 1e-5f) << "update " << i;
        // Every live particle is inside the box (up to the size margin).
        for (const Particle& p : instance().pool) {
            if (p.age < 0)
                continue;
            Vec3 at = ParticleEntity::currentPosition(p, *emitter, node.worldTransform());
            EXPECT_GE(at.y, 0.0f);
            if (i % 100 == 99 || i == 0) {
                EXPECT_GE(at.x, box.min.x);
                EXPECT_LE(at.x, box.max.x);
                EXPECT_LE(at.y, box.max.y);
            }
        }
    }
}

TEST(ParticleMotion, MatchesTheDragFreeLimitAndTheTerminalVelocity) {
    const Vec3 p0{1, 2, 3}, v0{4, 5, 6}, g{0, -10, 0};
    for (float k : {0.0f, 1e-7f, 1e-4f}) {
        Vec3 p = particleMotion(p0, v0, g, k, 2);
        EXPECT_NEAR(p.x, 9.0f, 1e-2f) << k;
        EXPECT_NEAR(p.y, -8.0f, 1e-2f) << k;
    }
    // With drag the particle falls at g / k in the end: 10 / 2 = 5 per second.
    Vec3 a = particleMotion(p0, v0, g, 2, 20), b = particleMotion(p0, v0, g, 2, 21);
    EXPECT_NEAR(a.y - b.y, 5.0f, 1e-3f);
    EXPECT_NEAR(b.x - a.x, 0.0f, 1e-4f);
}

} // namespace
