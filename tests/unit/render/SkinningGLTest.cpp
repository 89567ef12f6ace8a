#include "support/DeferredFrames.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numbers>

using namespace engine;

namespace {

int brightness(const core::Image::Rgba& c) {
    return int(c.red) + int(c.green) + int(c.blue);
}

class SkinningWindow : public test::DeferredFrameWindow {};

// A two-part arm: the lower box follows the hips, the upper one the elbow,
// which an animation swings a quarter turn about Z. Halfway through, the
// upper box leans an eighth of a turn towards +X. The entity's node stands
// away from the origin, so matrices that miss the entity's space show.
TEST_F(SkinningWindow, AnAnimatedBoneBendsTheMeshOnTheGPU) {
    addBentArm();
    addLight(LightEntity::Ambient, {0.9f, 0.9f, 0.9f});
    renderer->clearColor = {0, 0, 0, 255};  // empty space reads as dark

    EXPECT_TRUE(frameMatches("skinned-bend"));
    // Where the upright upper box would stand there is nothing; along the
    // leaning one there is.
    float lean = 0.25f * float(std::numbers::pi);
    Vec3 leaning = Vec3{-1, 2, 0} + Vec3{std::sin(lean), std::cos(lean), 0} * 1.5f;
    EXPECT_LT(brightness(framePixelAt("skinned-bend", {-1, 3.7f, -0.5f})), 30);
    EXPECT_GT(brightness(framePixelAt("skinned-bend", leaning)), 200);
    EXPECT_GT(brightness(framePixelAt("skinned-bend", {-1, 1, -0.5f})), 200);
}

// The shadow passes skin their casters too: the leaning box's shadow lies on
// the ground to the right of the arm, where the upright box would cast none.
TEST_F(SkinningWindow, ASkinnedCasterCastsItsPosedShadow) {
    buildSkinnedShadowScene();
    EXPECT_TRUE(frameMatches("skinned-shadow"));
    EXPECT_GT(renderStats().shadowSegments, 0);
    EXPECT_GT(skinnedShadowContrast(), 120);
}

} // namespace
