#include "core/TextDocument.h"
#include "engine/particles/ParticleDefinition.h"
#include "support/ExceptionMessage.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace engine;

namespace {

// The emitters of a definition text, read with a texture loader that records
// the names it is asked for and fails for an empty one.
struct Reading {
    std::vector<core::CountedRef<ParticleEmitter>> emitters;
    std::vector<std::string> textures;
    std::string error;
};

Reading read(const std::string& text) {
    Reading r;
    core::document document;
    r.error = messageOf([&] {
        document.parse(text, "effect.particles");
        readParticleEmitters(
            document.root(), "effect.particles",
            [&](const std::string& name) -> RenderableTexture* {
                if (name.empty())
                    throw core::Exception("File not found: %s", name.c_str());
                r.textures.push_back(name);
                return nullptr;
            },
            [&](ParticleEmitter* e) { r.emitters.emplace_back(e); });
    });
    return r;
}

TEST(ParticleDefinition, ReadsEveryFieldOfAnEmitterBlock) {
    Reading r = read(R"(-- sparks
emitter {
    EmissionRate = 25.5, EmissionTime = 3, MaxParticles = 200.9, SpawnBurst = true,
    BoxMin = {-1, 0, -2}, BoxMax = {1, 0.5, 2}, Velocity = {1, 4}, SprayAngle = {0, 45},
    Texture = "textures/particles/spark.tga", FrameRate = 12, FrameSize = 32, FrameCount = 16,
    Lifetime = {0.5, 1.5}, Color0 = {1, 0.5, 0}, Color1 = {1, 1, 0}, Color2 = {0.5, 0.5, 0.5},
    Color3 = {0, 0, 0}, ColorAnimation = true, Opacity = 0.75, FadeIn = 0.1, FadeOut = 0.4,
    Size = {0.05, 0.1}, Gravity = {0, -9.8, 0}, AirResistance = 0.5, RotationSpeed = 2,
    BlendMode = "additive", ObjectSpace = true, ClampToGroundPlane = true, DepthBias = 0.25,
}
emitter { Texture = "smoke.tga", BlendMode = "TRANSLUCENT" }
)");
    ASSERT_EQ(r.error, "");
    ASSERT_EQ(r.emitters.size(), 2u);
    const ParticleEmitter& e = *r.emitters[0];
    EXPECT_EQ(e.emissionRate, 25.5f);
    EXPECT_EQ(e.emissionTime, 3.0f);
    EXPECT_EQ(e.maxParticles, 200) << "truncated";
    EXPECT_TRUE(e.spawnBurst);
    EXPECT_EQ(e.boxMin, (Vec3{-1, 0, -2}));
    EXPECT_EQ(e.boxMax, (Vec3{1, 0.5f, 2}));
    EXPECT_EQ(e.velocity.y, 4.0f);
    EXPECT_EQ(e.sprayAngle.y, 45.0f);
    EXPECT_EQ(e.frameRate, 12.0f);
    EXPECT_EQ(e.frameSize, 32);
    EXPECT_EQ(e.frameCount, 16);
    EXPECT_EQ(e.lifetime.x, 0.5f);
    EXPECT_EQ(e.colors[0], (Vec3{1, 0.5f, 0}));
    EXPECT_EQ(e.colors[2], (Vec3{0.5f, 0.5f, 0.5f}));
    EXPECT_TRUE(e.colorAnimation);
    EXPECT_EQ(e.opacity, 0.75f);
    EXPECT_EQ(e.fadeIn, 0.1f);
    EXPECT_EQ(e.fadeOut, 0.4f);
    EXPECT_EQ(e.size.x, 0.05f);
    EXPECT_EQ(e.gravity.y, -9.8f);
    EXPECT_EQ(e.airResistance, 0.5f);
    EXPECT_EQ(e.rotationSpeed, 2.0f);
    EXPECT_EQ(e.blendMode, ParticleEmitter::Additive);
    EXPECT_TRUE(e.objectSpace);
    EXPECT_TRUE(e.clampToGroundPlane);
    EXPECT_EQ(e.depthBias, 0.25f);
    EXPECT_EQ(r.textures, (std::vector<std::string>{"textures/particles/spark.tga", "smoke.tga"}));

    // What a file leaves out is zero, not the defaults of a script-made emitter.
    const ParticleEmitter& bare = *r.emitters[1];
    EXPECT_EQ(bare.blendMode, ParticleEmitter::Translucent);
    EXPECT_EQ(bare.opacity, 0.0f);
    EXPECT_EQ(ParticleEmitter().opacity, 1.0f);
    EXPECT_EQ(bare.maxParticles, 0);
    EXPECT_FALSE(bare.colorAnimation);
}

TEST(ParticleDefinition, MisshapenValuesReadAsZero) {
    Reading r = read("emitter { Texture = \"t\", BlendMode = \"Additive\", Gravity = {0, -9.8},\n"
                     " BoxMax = {1, \"2\", 3}, Size = {1, 2, 3}, Lifetime = 4, Opacity = \"1\", SpawnBurst = 1 }");
    ASSERT_EQ(r.error, "");
    const ParticleEmitter& e = *r.emitters.at(0);
    EXPECT_EQ(e.gravity, (Vec3{0, 0, 0}));
    EXPECT_EQ(e.boxMax, (Vec3{0, 0, 0}));
    EXPECT_EQ(e.size.y, 0.0f);
    EXPECT_EQ(e.lifetime.x, 0.0f);
    EXPECT_EQ(e.opacity, 0.0f);
    EXPECT_FALSE(e.spawnBurst);
}

TEST(ParticleDefinition, ErrorsKeepTheEmittersReadBeforeThem) {
    const std::string good = "emitter { Texture = \"t\", BlendMode = \"Additive\" }\n";
    struct Case {
        std::string text;
        size_t kept;
        const char* error;
    };
    const Case cases[] = {
        {good + "particles { }", 1, "Invalid block in particle system file effect.particles"},
        {good + "Emitter { }", 1, "Invalid block in particle system file effect.particles"},
        {good + good + "emitter { Texture = \"t\" }", 2, "Invalid property enum value in effect.particles"},
        {good + "emitter { Texture = \"t\", BlendMode = \"Opaque\" }", 1,
         "Invalid property enum value in effect.particles"},
        {good + "emitter { Texture = \"t\", BlendMode = \"Additive|\" }", 1,
         "Invalid property enum value in effect.particles"},
        {good + "emitter { BlendMode = \"Additive\" }", 1, "File not found: "},
        {good + "Opacity = 1", 1, ""},  // a field at the top is no block: passed over
        {good + "emitter { Opacity = }", 0, "effect.particles:2: syntax error"},
    };
    for (const Case& c : cases) {
        Reading r = read(c.text);
        EXPECT_EQ(r.error, c.error) << c.text;
        EXPECT_EQ(r.emitters.size(), c.kept) << c.text;
    }
    EXPECT_EQ(read("-- nothing but a comment\n").emitters.size(), 0u);
}

} // namespace
