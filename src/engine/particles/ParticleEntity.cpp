#include "engine/particles/ParticleEntity.h"

#include "core/Exception.h"
#include "engine/particles/ParticleMotion.h"
#include "engine/particles/ParticleRandom.h"
#include "engine/scene/Node.h"

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <cstdint>
#include <cstring>

namespace engine {

namespace {

constexpr float Pi = 3.1415927f;

float lerp(const Vec2& range, float r) {
    return range.x + (range.y - range.x) * r;
}

float lerp(const Vec2& range) {
    return lerp(range, particleRandom());
}

// A zero direction (a mesh without normals) stays zero instead of NaN.
Vec3 normalised(const Vec3& v) {
    float l = length(v);
    return l > 0 ? v / l : Vec3{0, 0, 0};
}

Vec3 minOf(const Vec3& a, const Vec3& b) {
    return {std::min(a.x, b.x), std::min(a.y, b.y), std::min(a.z, b.z)};
}

Vec3 maxOf(const Vec3& a, const Vec3& b) {
    return {std::max(a.x, b.x), std::max(a.y, b.y), std::max(a.z, b.z)};
}

// The first bone index of a vertex, or -1 when the mesh has none to read.
int firstBone(const Mesh& mesh, int vertex) {
    const VertexArray& bones = mesh.getVertexArray(BoneIndexSlot);
    if (!bones.present || bones.components < 1 || bones.stride <= 0 ||
        size_t(vertex + 1) * size_t(bones.stride) > bones.data.size())
        return -1;
    const uint8_t* at = bones.data.data() + size_t(vertex) * size_t(bones.stride);
    switch (ElementType(bones.type)) {
    case ElementType::UnsignedByte:
        return *at;
    case ElementType::Short: {
        int16_t v;
        std::memcpy(&v, at, sizeof v);
        return v;
    }
    case ElementType::Int: {
        int32_t v;
        std::memcpy(&v, at, sizeof v);
        return v;
    }
    case ElementType::Float: {
        float v;
        std::memcpy(&v, at, sizeof v);
        return std::isfinite(v) && v >= 0 && v < 65536.0f ? int(v) : -1;
    }
    }
    return -1;
}

} // namespace

ParticleEntity::ParticleEntity(ParticleSystem* system) : RenderEntity(ParticleEntityType, false) {
    setParticleSystem(system);
}

ParticleEntity::~ParticleEntity() = default;

void ParticleEntity::setParticleSystem(ParticleSystem* system) {
    m_system = core::CountedRef<ParticleSystem>(system);
    m_version = system ? system->version() : 0;
    m_instances.clear();
    if (system) {
        m_instances.reserve(system->emitters().size());
        for (const auto& emitter : system->emitters()) {
            EmitterInstance& instance = m_instances.emplace_back();
            instance.owner = this;
            instance.emitter = emitter;
            size_t room = size_t(std::max(emitter->maxParticles, 0));
            instance.pool.reserve(room);
            instance.freeList.reserve(room);
        }
    }
    reset();
}

void ParticleEntity::reset() {
    for (EmitterInstance& instance : m_instances) {
        instance.pool.clear();
        instance.freeList.clear();
        instance.time = 0;
        instance.emitted = 0;
        instance.alive = 0;
    }
    m_boundsCounter = -1;
    if (Node* owner = node()) {
        m_boundsMin = m_boundsMax = owner->worldPosition();
        boundsChanged();
    }
}

bool ParticleEntity::isAlive() const {
    for (const EmitterInstance& instance : m_instances) {
        const ParticleEmitter& e = *instance.emitter;
        if (instance.time < e.emissionTime + std::max(e.lifetime.x, e.lifetime.y))
            return true;
    }
    return false;
}

void ParticleEntity::update(float dt) {
    if (!node())
        throw core::Exception("particle system is not attached to a node");
    if (!m_system)
        return;
    if (m_system->version() != m_version)
        setParticleSystem(m_system.get());
    for (EmitterInstance& instance : m_instances) {
        if (m_emitting)
            emit(instance, dt);
        age(instance, dt);
    }
    updateBounds();
}

void ParticleEntity::emit(EmitterInstance& instance, float dt) {
    instance.time += dt;
    const ParticleEmitter& e = *instance.emitter;
    int64_t count;
    if (e.spawnBurst) {
        count = int64_t(e.maxParticles) - int64_t(instance.emitted);
    } else {
        float until = e.emissionTime > 0 ? e.emissionTime : FLT_MAX;
        double due = double(e.emissionRate) * double(std::min(instance.time, until));
        // Truncated toward zero; a rate too large for the count saturates,
        // and a rate or step that is not a number emits nothing.
        due = std::isnan(due) ? 0.0 : std::clamp(due, -2147483647.0, 2147483647.0);
        count = int64_t(due) - int64_t(instance.emitted);
    }
    // A pool that holds nothing has nowhere to put a particle.
    if (count <= 0 || e.maxParticles <= 0)
        return;
    // More births in one update than the pool holds would only overwrite one
    // another; they are counted, but at most a pool's worth is made.
    int64_t births = std::min<int64_t>(count, e.maxParticles);
    instance.emitted += uint32_t(count - births);

    int32_t batch[BatchSize];
    while (births > 0) {
        int n = int(std::min<int64_t>(births, BatchSize));
        for (int i = 0; i < n; ++i) {
            if (!instance.freeList.empty()) {
                batch[i] = instance.freeList.back();
                instance.freeList.pop_back();
            } else if (instance.pool.size() < size_t(e.maxParticles)) {
                batch[i] = int32_t(instance.pool.size());
                instance.pool.push_back(Particle{});
            } else {
                // Full of live particles: a random one makes room.
                batch[i] = int32_t(size_t(particleRand()) % instance.pool.size());
                --instance.alive;
            }
        }
        if (e.mesh)
            spawnOnMesh(instance, batch, n);
        else
            spawnInBox(instance, batch, n);
        instance.emitted += uint32_t(n);
        instance.alive += uint32_t(n);
        births -= n;
    }
}

void ParticleEntity::age(EmitterInstance& instance, float dt) {
    for (size_t i = 0; i < instance.pool.size(); ++i) {
        Particle& p = instance.pool[i];
        if (p.age < 0)
            continue;
        p.age += dt;
        if (p.age > p.lifetime) {
            instance.freeList.push_back(int32_t(i));
            p.age = -1;
            --instance.alive;
        }
    }
}

void ParticleEntity::spawnInBox(EmitterInstance& instance, const int32_t* indices, int count) {
    const ParticleEmitter& e = *instance.emitter;
    const Mat4x3& world = node()->worldTransform();
    for (int i = 0; i < count; ++i) {
        Particle& p = instance.pool[size_t(indices[i])];
        p.position.x = lerp({e.boxMin.x, e.boxMax.x});
        p.position.y = lerp({e.boxMin.y, e.boxMax.y});
        p.position.z = lerp({e.boxMin.z, e.boxMax.z});
        float azimuth = particleRandom() * 6.2831855f - Pi;
        float polar = lerp(e.sprayAngle) * Pi / 180.0f;
        float speed = lerp(e.velocity);
        // The spray cone is centred on +Y.
        p.velocity = Vec3{std::cos(azimuth) * std::sin(polar), std::cos(polar), std::sin(azimuth) * std::sin(polar)} *
                     speed;
        if (!e.objectSpace) {
            p.position = world.transformPoint(p.position);
            p.velocity = world.transformDirection(p.velocity);
        }
        p.age = 0;
        p.lifetime = lerp(e.lifetime);
        p.size = lerp(e.size);
        p.random = particleRandom();
    }
}

void ParticleEntity::spawnOnMesh(EmitterInstance& instance, const int32_t* indices, int count) {
    const ParticleEmitter& e = *instance.emitter;
    const MeshCDF& cdf = *e.mesh;
    const Mesh* mesh = cdf.mesh();
    const Mat4x3& world = node()->worldTransform();
    const Vec3* positions = mesh ? mesh->vec3Array(PositionSlot) : nullptr;
    const Vec3* normals = mesh ? mesh->vec3Array(NormalSlot) : nullptr;
    static const std::vector<int32_t> noIndices;
    const std::vector<int32_t>& list = mesh ? mesh->getIndices() : noIndices;
    std::vector<Mat4x3> bones;
    if (e.skeleton && mesh)
        e.skeleton->skinningMatrices(node()->worldInverse(), bones);

    for (int i = 0; i < count; ++i) {
        Particle& p = instance.pool[size_t(indices[i])];
        int triangle = cdf.pick(particleRandom());
        float s = std::sqrt(particleRandom());
        float w = particleRandom();
        const float weights[3] = {1 - s, s * w, s - s * w};

        // The mesh may have changed since its distribution was made: corners
        // that are no longer there count as the origin.
        Vec3 position{0, 0, 0};
        Vec3 direction{0, 0, 0};
        if (positions && size_t(triangle) * 3 + 2 < list.size()) {
            for (int c = 0; c < 3; ++c) {
                int32_t v = list[size_t(triangle) * 3 + size_t(c)];
                if (!mesh->isValidIndex(v))
                    continue;
                Vec3 corner = positions[v];
                Vec3 normal = normals ? normals[v] : Vec3{0, 0, 0};
                int bone = bones.empty() ? -1 : firstBone(*mesh, v);
                if (bone >= 0 && size_t(bone) < bones.size()) {
                    corner = bones[size_t(bone)].transformPoint(corner);
                    normal = bones[size_t(bone)].transformDirection(normal);
                }
                position += corner * weights[c];
                direction += normal * weights[c];
            }
        }
        p.age = 0;
        p.lifetime = lerp(e.lifetime);
        p.size = lerp(e.size);
        p.random = particleRandom();
        if (!e.objectSpace) {
            position = world.transformPoint(position);
            direction = world.transformDirection(direction);
        }
        p.position = position;
        p.velocity = normalised(direction) * lerp(e.velocity);
    }
}

Vec3 ParticleEntity::currentPosition(const Particle& particle, const ParticleEmitter& emitter, const Mat4x3& world) {
    Vec3 p = particleMotion(particle.position, particle.velocity, emitter.gravity, emitter.airResistance, particle.age);
    if (emitter.objectSpace)
        p = world.transformPoint(p);
    if (emitter.clampToGroundPlane && !(p.y > 0))
        p.y = 0;
    return p;
}

void ParticleEntity::grow(const EmitterInstance& instance, const Particle& particle, const Mat4x3& world) {
    const ParticleEmitter& e = *instance.emitter;
    Vec3 p = currentPosition(particle, e, world);
    float margin = e.size.y;
    Vec3 extent{margin, margin, margin};
    m_boundsMin = minOf(m_boundsMin, p - extent);
    m_boundsMax = maxOf(m_boundsMax, p + extent);
}

void ParticleEntity::updateBounds() {
    bool anyAlive = std::any_of(m_instances.begin(), m_instances.end(),
                                [](const EmitterInstance& instance) { return instance.alive > 0; });
    if (!anyAlive)
        return;
    const Mat4x3& world = node()->worldTransform();
    if (m_boundsCounter < 0) {
        bool seeded = false;
        for (const EmitterInstance& instance : m_instances) {
            for (const Particle& p : instance.pool) {
                if (p.age >= 0) {
                    m_boundsMin = m_boundsMax = currentPosition(p, *instance.emitter, world);
                    seeded = true;
                    break;
                }
            }
            if (seeded)
                break;
        }
        m_boundsCounter = particleRand() & 0xffff;
    }
    if (m_boundsCounter % 100 == 0) {
        // Now and then the box is measured again from scratch, so that it
        // shrinks once the particles have gone.
        m_boundsMin = {100000, 100000, 100000};
        m_boundsMax = {-100000, -100000, -100000};
        for (const EmitterInstance& instance : m_instances) {
            if (instance.alive == 0)
                continue;
            for (const Particle& p : instance.pool)
                if (p.age >= 0)
                    grow(instance, p, world);
        }
    } else {
        for (const EmitterInstance& instance : m_instances) {
            size_t size = instance.pool.size();
            if (instance.alive == 0 || size == 0)
                continue;
            size_t n = std::min<size_t>(size, 50);
            size_t step = std::max<size_t>(1, size / n);
            size_t index = size_t(m_boundsCounter) % size;
            for (size_t visited = 0; visited < n; ++visited, index = (index + step) % size) {
                const Particle& p = instance.pool[index];
                if (p.age >= 0)
                    grow(instance, p, world);
            }
        }
    }
    // Wraps to 0 rather than overflow after years of updates.
    m_boundsCounter = m_boundsCounter == INT32_MAX ? 0 : m_boundsCounter + 1;
    boundsChanged();
}

} // namespace engine
