#include "engine/particles/ParticleDefinition.h"

#include "core/Exception.h"

#include <array>
#include <cstring>
#include <memory>
#include <strings.h>

namespace engine {

namespace {

Vec3 vec3(const core::block& b, const char* name) {
    std::array<float, 3> v = b.getVec3(name, {0, 0, 0});
    return {v[0], v[1], v[2]};
}

Vec2 range(const core::block& b, const char* name) {
    std::array<float, 2> v = b.getRange(name, {0, 0});
    return {v[0], v[1]};
}

// The position of the name in the "|"-separated list, letter case aside; -1 when absent.
int enumValue(const char* names, const char* text) {
    int index = 0;
    for (const char* start = names;; ++index) {
        const char* end = start;
        while (*end && *end != '|')
            ++end;
        size_t length = size_t(end - start);
        if (strlen(text) == length && strncasecmp(start, text, length) == 0)
            return index;
        if (!*end)
            return -1;
        start = end + 1;
    }
}

} // namespace

void readParticleEmitters(const core::block& root, const std::string& path, const ParticleTextureLoader& loadTexture,
                          const std::function<void(ParticleEmitter*)>& add) {
    for (int i = 0; i < root.childCount(); ++i) {
        const core::block& b = *root.child(i);
        if (b.name() != "emitter")
            throw core::Exception("Invalid block in particle system file %s", path.c_str());
        auto e = std::make_unique<ParticleEmitter>();
        // In the order of the emitter's fields, so that a file meets its
        // errors in a fixed order; a missing field takes the getter's zero.
        e->emissionRate = b.getFloat("EmissionRate", 0);
        e->emissionTime = b.getFloat("EmissionTime", 0);
        e->maxParticles = b.getInt("MaxParticles", 0);
        e->spawnBurst = b.getBool("SpawnBurst", false);
        e->boxMin = vec3(b, "BoxMin");
        e->boxMax = vec3(b, "BoxMax");
        e->velocity = range(b, "Velocity");
        e->sprayAngle = range(b, "SprayAngle");
        e->texture = core::CountedRef<RenderableTexture>(loadTexture(b.getString("Texture", "")));
        e->frameRate = b.getFloat("FrameRate", 0);
        e->frameSize = b.getInt("FrameSize", 0);
        e->frameCount = b.getInt("FrameCount", 0);
        e->lifetime = range(b, "Lifetime");
        e->colors[0] = vec3(b, "Color0");
        e->colors[1] = vec3(b, "Color1");
        e->colors[2] = vec3(b, "Color2");
        e->colors[3] = vec3(b, "Color3");
        e->colorAnimation = b.getBool("ColorAnimation", false);
        e->opacity = b.getFloat("Opacity", 0);
        e->fadeIn = b.getFloat("FadeIn", 0);
        e->fadeOut = b.getFloat("FadeOut", 0);
        e->size = range(b, "Size");
        e->gravity = vec3(b, "Gravity");
        e->airResistance = b.getFloat("AirResistance", 0);
        e->rotationSpeed = b.getFloat("RotationSpeed", 0);
        int blend = enumValue("Translucent|Additive", b.getString("BlendMode", ""));
        if (blend < 0)
            throw core::Exception("Invalid property enum value in %s", path.c_str());
        e->blendMode = blend;
        e->objectSpace = b.getBool("ObjectSpace", false);
        e->clampToGroundPlane = b.getBool("ClampToGroundPlane", false);
        e->depthBias = b.getFloat("DepthBias", 0);
        add(e.release());
    }
}

} // namespace engine
