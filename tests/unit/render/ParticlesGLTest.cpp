#include "engine/particles/ParticleEntity.h"
#include "support/DeferredFrames.h"

#include <gtest/gtest.h>

using namespace engine;

namespace {

// The particle scenes are shared with the other renderer's frame tests.
class ParticlesGLWindow : public test::DeferredFrameWindow {};

TEST_F(ParticlesGLWindow, AFountainOfSparksDrawsOverTheScene) {
    buildParticleScene();
    ParticleEntity* fountain = addSparkFountain();
    ASSERT_GT(fountain->instances()[0].alive, 100u);

    ASSERT_TRUE(frameMatches("particles-fountain"));
    // Above the source the sparks add light to the ground behind them.
    core::Image::Rgba lit = framePixelAt("particles-fountain", {1, 1.5f, 0});
    EXPECT_GT(int(lit.red), 150);
    EXPECT_GT(int(lit.red), int(lit.blue) + 60) << "the sparks' orange";

    fountain->setHidden(true);
    ASSERT_TRUE(frameMatches("particles-hidden"));
    core::Image::Rgba bare = framePixelAt("particles-hidden", {1, 1.5f, 0});
    EXPECT_LT(int(bare.red), int(lit.red) - 60);
}

// A still particle shows frame floor(age × rate) of the sheet; its colour
// table and opacity tint it, and the scene's depth hides it behind the crate.
TEST_F(ParticlesGLWindow, SpriteSheetFramesColourAndDepth) {
    buildParticleScene();
    ParticleEmitter* frames = nullptr;
    ParticleEntity* sheet = addSpriteSheetParticle(frames);
    const Vec3 centre{0, 1.5f, 0};
    struct Case {
        float age;
        core::Image::Rgba expected;
    };
    const Case cases[] = {{0.5f, {255, 0, 0, 255}}, {1.5f, {0, 255, 0, 255}}, {2.5f, {0, 0, 255, 255}},
                          {3.5f, {255, 255, 0, 255}}, {4.5f, {255, 0, 0, 255}}};
    float age = 0;
    for (const Case& c : cases) {
        sheet->update(c.age - age);
        age = c.age;
        std::string name = "particles-frame-" + std::to_string(int(c.age));
        ASSERT_TRUE(frameMatches(name)) << name;
        // Tone mapping takes full colour to about 205.
        core::Image::Rgba seen = framePixelAt(name, centre);
        EXPECT_EQ(seen.red > 150, c.expected.red > 0) << c.age;
        EXPECT_EQ(seen.green > 150, c.expected.green > 0) << c.age;
        EXPECT_EQ(seen.blue > 150, c.expected.blue > 0) << c.age;
        EXPECT_LT(std::min({seen.red, seen.green, seen.blue}), 60) << c.age;
    }

    // Half opacity over the grey ground: half the frame's red.
    frames->opacity = 0.5f;
    frames->colors[0] = {1, 1, 1};
    ASSERT_TRUE(frameMatches("particles-half-opacity"));
    core::Image::Rgba half = framePixelAt("particles-half-opacity", centre);
    EXPECT_GT(int(half.red), int(half.green) + 40);
    EXPECT_LT(int(half.red), 180);

    // Behind the crate the particle does not show.
    sheet->node()->setPosition({-2.5f, 1, 4});
    sheet->reset();
    sheet->update(0.5f);
    ASSERT_TRUE(frameMatches("particles-behind-crate"));
    core::Image::Rgba hidden = framePixelAt("particles-behind-crate", {-2.5f, 1, 0});
    EXPECT_LT(std::abs(int(hidden.red) - int(hidden.green)), 30) << "the crate's grey, not the red frame";

    // Just in front of the crate it fades into the surface; half its size
    // away it shows whole. (Particles are born in world space: moving the
    // node moves only those born later.)
    frames->opacity = 1;
    sheet->node()->setPosition({-2.5f, 1, -0.1f});
    sheet->reset();
    sheet->update(0.5f);
    ASSERT_TRUE(frameMatches("particles-soft-edge"));
    core::Image::Rgba touching = framePixelAt("particles-soft-edge", {-2.5f, 1, -0.1f});
    sheet->node()->setPosition({-2.5f, 1, -1});
    sheet->reset();
    sheet->update(0.5f);
    ASSERT_TRUE(frameMatches("particles-clear-of-surface"));
    core::Image::Rgba clear = framePixelAt("particles-clear-of-surface", {-2.5f, 1, -1});
    EXPECT_LT(int(touching.red) - int(touching.green), 60);
    EXPECT_GT(int(clear.red) - int(clear.green), 150);
}

} // namespace
