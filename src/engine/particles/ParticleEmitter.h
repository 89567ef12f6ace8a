#pragma once

// One emitter of a particle system: where its particles are born, how they
// move, how long they live and how they look. A plain record shared by counted
// references; the particles themselves belong to the entities that run it.

#include "core/RefRegistry.h"
#include "engine/assets/Skeleton.h"
#include "engine/particles/MeshCDF.h"
#include "engine/render/RenderableTexture.h"
#include "engine/scene/Vector.h"

#include <cstdint>

namespace engine {

class ParticleEmitter {
public:
    enum BlendMode : int32_t { Translucent = 0, Additive = 1 };
    static constexpr int ColorCount = 4;

    ParticleEmitter() = default;
    virtual ~ParticleEmitter() = default;
    ParticleEmitter(const ParticleEmitter&) = delete;
    ParticleEmitter& operator=(const ParticleEmitter&) = delete;

    float emissionRate = 0;           // particles per second
    float emissionTime = 0;           // seconds of emission; 0 or less: for ever
    int32_t maxParticles = 0;         // size of the particle pool
    bool spawnBurst = false;          // the whole pool at once instead of at the rate
    Vec3 boxMin{0, 0, 0};             // the spawn box of box emitters
    Vec3 boxMax{0, 0, 0};
    Vec2 velocity{0, 0};              // initial speed range
    Vec2 sprayAngle{0, 0};            // degrees from +Y
    core::CountedRef<MeshCDF> mesh;   // spawn on this surface instead of in the box
    core::CountedRef<Skeleton> skeleton;
    core::CountedRef<RenderableTexture> texture;
    float frameRate = 0;              // animation frames per second
    int32_t frameSize = 0;            // frame edge in texels; 0: the texture width
    int32_t frameCount = 0;           // 0: no animation
    Vec2 lifetime{0, 0};              // seconds
    Vec3 colors[ColorCount] = {};     // the colour table
    bool colorAnimation = false;      // all four colours over the life, else colors[0]
    float opacity = 1;
    float fadeIn = 0;                 // seconds
    float fadeOut = 0;
    Vec2 size{0, 0};
    Vec3 gravity{0, 0, 0};
    float airResistance = 0;          // k in dV/dt = g - kV
    float rotationSpeed = 0;
    int32_t blendMode = Translucent;
    bool objectSpace = false;         // particles follow the node
    bool clampToGroundPlane = false;  // never below world height 0
    float depthBias = 0;
};

} // namespace engine
