#include "engine/assets/AnimationController.h"
#include "engine/assets/MeshGeometry.h"
#include "engine/assets/MeshPrimitives.h"
#include "support/SceneWindow.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numbers>

using namespace engine;

namespace {

int brightness(const core::Image::Rgba& c) {
    return int(c.red) + int(c.green) + int(c.blue);
}

// Two boxes of height 2, one on the other, as one mesh: the lower bound
// wholly to bone 0, the upper to bone 1. (Merging drops bone data, so it is
// set on the merged mesh.)
std::unique_ptr<Mesh> twoPartArm() {
    std::unique_ptr<Mesh> lower = createBox(1, 2, 1);
    std::unique_ptr<Mesh> upper = createBox(1, 2, 1);
    translate(*lower, {0, 1, 0});
    translate(*upper, {0, 3, 0});
    std::unique_ptr<Mesh> arm = mergeMeshes({lower.get(), upper.get()});
    auto count = size_t(arm->getVertexCount());
    std::vector<int32_t> bones(count, 1);
    std::fill(bones.begin(), bones.begin() + lower->getVertexCount(), 0);
    std::vector<float> weights(count, 1.0f);
    arm->setVertexArray(BoneIndexSlot, int32_t(ElementType::Int), 1, bones.data());
    arm->setVertexArray(BoneWeightSlot, int32_t(ElementType::Float), 1, weights.data());
    return arm;
}

class SkinningWindow : public test::SceneWindow {};

// A two-part arm: the lower box follows the hips, the upper one the elbow,
// which an animation swings a quarter turn about Z. Halfway through, the
// upper box leans an eighth of a turn towards +X. The entity's node stands
// away from the origin, so matrices that miss the entity's space show.
TEST_F(SkinningWindow, AnAnimatedBoneBendsTheMeshOnTheGPU) {
    MeshEntity* entity = addMesh(*twoPartArm(), {-1, 0, 0});
    Node* body = entity->node();
    Node* hips = scene->addNode();
    hips->setName("skin-hips");
    hips->addTo(body);
    Node* elbow = scene->addNode();
    elbow->setName("skin-elbow");
    elbow->addTo(hips);
    elbow->setPosition({0, 2, 0});
    Mat4x3 elbowBind;
    elbowBind.pos = {0, -2, 0};
    entity->setSkeleton(new Skeleton({{hips, {}}, {elbow, elbowBind}}));
    addLight(LightEntity::Ambient, {0.9f, 0.9f, 0.9f});
    renderer->clearColor = {0, 0, 0, 255};  // empty space reads as dark

    auto swing = std::make_unique<Animation>();
    swing->setFrameCount(2);
    swing->setFramesPerSecond(1);
    AnimationKey straight, bent;
    straight.position = bent.position = {0, 2, 0};
    float half = -0.25f * float(std::numbers::pi);  // half of the quarter turn
    bent.rotation = {0, 0, std::sin(half), std::cos(half)};
    swing->addTrack("skin-elbow", {straight, bent});
    AnimationController controller(body);
    AnimationState* state = controller.addClip(swing.release(), "swing");
    ASSERT_TRUE(controller.play("swing", false, 0));
    state->time = 0.5f;
    controller.sample();

    EXPECT_TRUE(frameMatches("skinned-bend"));
    // Where the upright upper box would stand there is nothing; along the
    // leaning one there is.
    float lean = 0.25f * float(std::numbers::pi);
    Vec3 leaning = Vec3{-1, 2, 0} + Vec3{std::sin(lean), std::cos(lean), 0} * 1.5f;
    EXPECT_LT(brightness(framePixelAt("skinned-bend", {-1, 3.7f, -0.5f})), 30);
    EXPECT_GT(brightness(framePixelAt("skinned-bend", leaning)), 200);
    EXPECT_GT(brightness(framePixelAt("skinned-bend", {-1, 1, -0.5f})), 200);
}

} // namespace
