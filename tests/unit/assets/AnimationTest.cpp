#include "core/ByteArrayStreams.h"
#include "core/Exception.h"
#include "core/FileStreams.h"
#include "engine/assets/Animation.h"
#include "engine/assets/AnimationController.h"
#include "engine/assets/AssetProcessor.h"
#include "engine/assets/Skeleton.h"
#include "engine/scene/Node.h"
#include "support/ExceptionMessage.h"
#include "support/TempDirectory.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>

using namespace engine;

namespace {

AnimationKey at(float x, float y = 0, float z = 0) {
    AnimationKey key;
    key.position = {x, y, z};
    return key;
}

AnimationKey turned(float angle, float axisX, float axisY, float axisZ) {
    AnimationKey key;
    float s = std::sin(angle / 2);
    key.rotation = {axisX * s, axisY * s, axisZ * s, std::cos(angle / 2)};
    return key;
}

std::unique_ptr<Animation> clip(int32_t frames, float fps = 10) {
    auto animation = std::make_unique<Animation>();
    animation->setFrameCount(frames);
    animation->setFramesPerSecond(fps);
    return animation;
}

std::string bytesOf(const Animation& animation) {
    core::ByteArrayOutputStream out(core::ByteOrder::LittleEndian);
    writeAnimation(out, animation);
    return std::string(reinterpret_cast<const char*>(out.data()), out.size());
}

std::unique_ptr<Animation> readBytes(const std::string& bytes) {
    core::ByteArrayInputStream in(bytes.data(), int64_t(bytes.size()), true, core::ByteOrder::LittleEndian);
    return readAnimation(in);
}

void expectNear(const Vec3& actual, const Vec3& expected) {
    EXPECT_NEAR(actual.x, expected.x, 1e-5f);
    EXPECT_NEAR(actual.y, expected.y, 1e-5f);
    EXPECT_NEAR(actual.z, expected.z, 1e-5f);
}

void expectNear(const Mat4x3& actual, const Mat4x3& expected) {
    for (int r = 0; r < 3; ++r)
        expectNear(actual.rot.row[r], expected.rot.row[r]);
    expectNear(actual.pos, expected.pos);
}

// --- the ANIM file ---

TEST(AnimationFile, WritesAndReadsBackWithTracksInterned) {
    auto original = clip(2, 24);
    original->setName("wave");
    AnimationKey key = turned(0.5f, 0, 1, 0);
    key.position = {1, 2, 3};
    key.scale = {2, 3, 4};
    original->addTrack("anim-file-arm", {key, at(5)});
    original->addTrack("anim-file-hand", {});

    std::unique_ptr<Animation> copy = readBytes(bytesOf(*original));
    EXPECT_EQ(copy->name(), "wave");
    EXPECT_EQ(copy->framesPerSecond(), 24);
    EXPECT_EQ(copy->frameCount(), 2);
    ASSERT_EQ(copy->tracks().size(), 2u);
    const AnimationTrack& arm = copy->tracks()[0];
    EXPECT_EQ(arm.nodeName, "anim-file-arm");
    ASSERT_EQ(arm.keys.size(), 2u);
    EXPECT_EQ(arm.keys[0].position, key.position);
    EXPECT_EQ(arm.keys[0].rotation.y, key.rotation.y);
    EXPECT_EQ(arm.keys[0].rotation.w, key.rotation.w);
    EXPECT_EQ(arm.keys[0].scale, key.scale);
    EXPECT_EQ(arm.keys[1].position, (Vec3{5, 0, 0}));
    // One name, one index, in every animation that uses it.
    EXPECT_EQ(arm.nameIndex, original->tracks()[0].nameIndex);
    EXPECT_EQ(arm.nameIndex, internTrackName("anim-file-arm"));
    EXPECT_NE(arm.nameIndex, copy->tracks()[1].nameIndex);
    EXPECT_LT(copy->tracks()[1].nameIndex, trackNameCount());
}

TEST(AnimationFile, RejectsWhatItCannotRead) {
    auto good = clip(1);
    good->addTrack("anim-file-bad", {at(1)});
    const std::string bytes = bytesOf(*good);
    auto patched = [&](size_t offset, int32_t value) {
        std::string copy = bytes;
        memcpy(&copy[offset], &value, 4);
        return copy;
    };
    // Offsets: magic 0, version 4, name 8 (empty), fps 12, frames 16, tracks 20,
    // then the track's name length 24, name 28..40, key count 41.
    struct Case {
        const char* what;
        std::string bytes;
        const char* message;
    } cases[] = {
        {"magic", "MINA" + bytes.substr(4), "Invalid file format: "},
        {"version", patched(4, 2), "Invalid file version (expected v1, got v2): "},
        {"negative frame count", patched(16, -1), "Invalid file format: "},
        {"more tracks than bytes", patched(20, 1000), "Invalid file format: "},
        {"negative track count", patched(20, -1), "Invalid file format: "},
        {"more keys than bytes", patched(41, 2), "Invalid file format: "},
        {"negative key count", patched(41, -5), "Invalid file format: "},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::string message = messageOf([&] { readBytes(c.bytes); });
        EXPECT_EQ(message.substr(0, std::string(c.message).size()), c.message);
    }
    EXPECT_EQ(messageOf([&] { readBytes(bytes.substr(0, bytes.size() - 1)); }).empty(), false);
    EXPECT_EQ(readBytes(bytes)->tracks().size(), 1u);
}

// The fuzzer starts from a short walk clip as the writer stores it; run with
// QUILL_UPDATE_REFERENCES=1 to write it anew after a change of the format.
TEST(AnimationFile, TheFuzzSeedIsWhatTheWriterStores) {
    auto walk = clip(3, 24);
    walk->setName("walk");
    walk->addTrack("hips", {at(0, 1), at(0, 1.1f), at(0, 1)});
    walk->addTrack("knee", {turned(0, 1, 0, 0), turned(0.8f, 1, 0, 0), turned(0, 1, 0, 0)});
    const std::string bytes = bytesOf(*walk);
    const std::string path = std::string(QUILL_REFERENCE_DIR) + "/../fuzz/seeds/animation/walk.animation";
    if (getenv("QUILL_UPDATE_REFERENCES"))
        TempDirectory::write(path, bytes);
    core::FileInputStream seed(path, core::ByteOrder::LittleEndian);
    EXPECT_EQ(seed.readByteString(seed.availableBytes()), bytes);
}

TEST(AnimationFile, LoadsByItsSourceNameThroughTheAssetProcessor) {
    TempDirectory folder;
    registerAssetProcessor(AssetProcessor::Animation, "anim-test-src", "animation");
    auto original = clip(3);
    original->setName("run");
    {
        core::FileOutputStream out("run.animation", core::ByteOrder::LittleEndian);
        writeAnimation(out, *original);
    }
    original.reset();

    Animation* loaded = Animation::load("run.anim-test-src");
    EXPECT_EQ(loaded->name(), "run");
    EXPECT_EQ(loaded->fileName(), "run.anim-test-src");
    EXPECT_EQ(Animation::find("run.anim-test-src"), loaded);
    EXPECT_EQ(Animation::load("run.anim-test-src"), loaded);
    delete loaded;
    EXPECT_EQ(Animation::find("run.anim-test-src"), nullptr);

    EXPECT_EQ(messageOf([] { Animation::load("run.nothing-handles-this"); }),
              "Could not find asset processor for file: run.nothing-handles-this");
    EXPECT_EQ(messageOf([] { Animation::load("walk.anim-test-src"); }).empty(), false);
}

TEST(AnimationEvents, AnExactTwinIsNotAddedAgain) {
    auto animation = clip(1);
    animation->addEvent(0.5f, "step");
    animation->addEvent(0.5f, "step");
    animation->addEvent(0.5f, "land");
    animation->addEvent(0.25f, "step");
    ASSERT_EQ(animation->events().size(), 3u);
    EXPECT_EQ(animation->events()[1].name, "land");
    EXPECT_EQ(animation->events()[2].time, 0.25f);
}

// --- controllers ---

// A root with two children; "anim-arm" is also the name of a grandchild,
// which comes later in the walk and so wins.
class AnimationControllerTest : public testing::Test {
protected:
    AnimationControllerTest() {
        root.setName("anim-root");
        arm.setName("anim-arm");
        leg.setName("anim-leg");
        hand.setName("anim-arm");
        arm.addTo(&root);
        leg.addTo(&root);
        hand.addTo(&leg);
        leg.setPosition({7, 7, 7});
    }

    // A clip of constant position on the hand, registered as a state of the name.
    AnimationState* constantState(const std::string& name, const Vec3& position, int32_t layer, float weight) {
        auto animation = clip(1);
        animation->addTrack("anim-arm", {at(position.x, position.y, position.z)});
        AnimationState* state = controller().addClip(animation.release(), name);
        state->layer = layer;
        state->weight = weight;
        state->enabled = true;
        return state;
    }

    AnimationController& controller() {
        if (!m_controller)
            m_controller = std::make_unique<AnimationController>(&root);
        return *m_controller;
    }

    Node root, arm, leg, hand;

private:
    std::unique_ptr<AnimationController> m_controller;
};

TEST_F(AnimationControllerTest, TracksDriveTheLastNodeOfTheirNameAndNothingElse) {
    auto animation = clip(1);
    animation->addTrack("anim-arm", {at(1, 2, 3)});
    animation->addTrack("anim-nobody", {at(9)});
    controller().addClip(animation.release(), "pose");
    ASSERT_TRUE(controller().play("pose", false, 0));
    controller().sample();

    expectNear(hand.position(), {1, 2, 3});
    expectNear(arm.position(), {0, 0, 0});
    expectNear(leg.position(), {7, 7, 7});
    // The world transform follows at once.
    expectNear(hand.worldPosition(), {8, 9, 10});
    EXPECT_EQ(controller().nodeForTrack(internTrackName("anim-arm")), &hand);
    EXPECT_EQ(controller().nodeForTrack(internTrackName("anim-nobody")), nullptr);
}

TEST_F(AnimationControllerTest, LayersShareTheWholeWeightFromTheTopDown) {
    struct Case {
        const char* what;
        struct { float x; int32_t layer; float weight; } states[3];
        float expected;
    } cases[] = {
        // Position x of each state is a power of ten, so the blend shows each weight.
        {"upper layer leaves the rest", {{1, 1, 0.3f}, {10, 1, 0.2f}, {100, 0, 1}}, 0.3f + 2 + 50},
        {"upper layer overfull", {{1, 2, 0.9f}, {10, 2, 0.6f}, {100, 0, 1}}, 0.6f + 4},
        {"lone state at half weight", {{1, 0, 0.5f}, {10, 0, 0}, {100, 0, 0}}, 1},
        {"last layer scaled up", {{1, 3, 0.25f}, {10, 1, 0.25f}, {100, 1, 0.25f}}, 0.25f + 3.75f + 37.5f},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        AnimationController controller(&root);
        for (int k = 0; k < 3; ++k) {
            auto animation = clip(1);
            animation->addTrack("anim-arm", {at(c.states[k].x)});
            AnimationState* state = controller.addClip(animation.release(), "s" + std::to_string(k));
            state->layer = c.states[k].layer;
            state->weight = c.states[k].weight;
            state->enabled = true;
        }
        controller.sample();
        EXPECT_NEAR(hand.position().x, c.expected, 1e-4f);
    }
}

TEST_F(AnimationControllerTest, KeysInterpolateWrapAndHold) {
    auto animation = clip(4, 10);  // 0.4 s
    animation->addTrack("anim-arm", {at(0), at(10), at(20), at(30)});
    AnimationState* state = controller().addClip(animation.release(), "walk");
    struct Case {
        float time;
        bool loop;
        float expected;
    } cases[] = {
        {0.15f, false, 15},   // halfway between keys 1 and 2
        {0.35f, false, 30},   // j clamps to the last key
        {2.0f, false, 30},    // past the end: the last key holds
        {-1.0f, false, 0},    // before the start: the first key holds
        {0.4f, true, 0},      // at the length: key 0, f = 0
        {0.35f, true, 15},    // between the last key and key 0
        {1.05f, true, 25},    // two laps on
        {-0.05f, true, 15},   // backwards: between the last key and key 0 again
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.time << (c.loop ? " looping" : ""));
        ASSERT_TRUE(controller().play("walk", c.loop, 0));
        state->time = c.time;
        controller().sample();
        EXPECT_NEAR(hand.position().x, c.expected, 1e-3f);
    }
}

TEST_F(AnimationControllerTest, ATrackShorterThanTheClipHoldsItsLastKey) {
    auto animation = clip(4, 10);
    animation->addTrack("anim-arm", {at(1), at(2)});
    animation->addTrack("anim-leg", {});
    AnimationState* state = controller().addClip(animation.release(), "short");
    controller().play("short", false, 0);
    state->time = 0.25f;
    controller().sample();
    expectNear(hand.position(), {2, 0, 0});
    expectNear(leg.position(), {7, 7, 7});
}

TEST_F(AnimationControllerTest, RotationsTakeTheShortWayAndScaleTheRows) {
    auto animation = clip(2, 1);
    AnimationKey from = turned(0.2f, 0, 0, 1);
    AnimationKey to = turned(0.6f, 0, 0, 1);
    // The same rotation as the other hemisphere's quaternion.
    to.rotation = {-to.rotation.x, -to.rotation.y, -to.rotation.z, -to.rotation.w};
    from.scale = to.scale = {2, 3, 4};
    from.position = {1, 0, 0};
    to.position = {3, 0, 0};
    animation->addTrack("anim-arm", {from, to});
    AnimationState* state = controller().addClip(animation.release(), "turn");
    controller().play("turn", false, 0);
    state->time = 0.5f;
    controller().sample();

    Mat4x3 expected;
    expected.rot = Mat3::rotationZ(0.4f);
    expected.rot.row[0] = expected.rot.row[0] * 2;
    expected.rot.row[1] = expected.rot.row[1] * 3;
    expected.rot.row[2] = expected.rot.row[2] * 4;
    expected.pos = {2, 0, 0};
    expectNear(hand.transform(), expected);
}

TEST_F(AnimationControllerTest, TwoStatesHoldingOnePoseDoNotCancel) {
    AnimationKey pose = turned(0.5f, 0, 1, 0);
    AnimationKey flipped = pose;
    flipped.rotation = {-pose.rotation.x, -pose.rotation.y, -pose.rotation.z, -pose.rotation.w};
    for (auto [name, key] : {std::pair{"a", pose}, std::pair{"b", flipped}}) {
        auto animation = clip(1);
        animation->addTrack("anim-arm", {key});
        AnimationState* state = controller().addClip(animation.release(), name);
        state->enabled = true;
        state->weight = 0.5f;
    }
    controller().sample();
    expectNear(hand.transform(), {Mat3::rotationY(0.5f), {}});
}

TEST_F(AnimationControllerTest, AnEmptyClipLeavesEveryNodeAlone) {
    constantState("full", {5, 5, 5}, 0, 1);
    AnimationState* empty = constantState("empty", {1, 1, 1}, 0, 1);
    empty->animation->setFrameCount(0);
    controller().sample();
    expectNear(hand.position(), {0, 0, 0});
    // Nothing enabled: nothing changes either.
    controller().stop();
    empty->animation->setFrameCount(1);
    controller().sample();
    expectNear(hand.position(), {0, 0, 0});
}

TEST_F(AnimationControllerTest, PlayReplacesItsLayerOnly) {
    AnimationState* walk = constantState("walk", {1, 0, 0}, 0, 1);
    AnimationState* wave = constantState("wave", {0, 1, 0}, 1, 0.5f);
    AnimationState* run = constantState("run", {0, 0, 1}, 0, 0);
    run->enabled = false;
    run->time = 3;

    ASSERT_TRUE(controller().play("run", true, 0));
    EXPECT_FALSE(walk->enabled);
    EXPECT_TRUE(wave->enabled);
    EXPECT_TRUE(run->enabled && run->loop);
    EXPECT_EQ(run->time, 0);
    EXPECT_EQ(run->weight, 1);

    // An unknown name is an error that leaves the layer playing.
    EXPECT_FALSE(controller().play("swim", false, 0));
    EXPECT_TRUE(run->enabled);
    EXPECT_EQ(controller().findState("swim"), nullptr);

    // Adding a clip under an existing name reuses its state.
    EXPECT_EQ(controller().addClip(walk->animation.get(), "run"), run);
    EXPECT_EQ(controller().stateCount(), 3);
    EXPECT_EQ(controller().state(2), run);
    controller().stop();
    EXPECT_FALSE(walk->enabled || wave->enabled || run->enabled);
}

TEST_F(AnimationControllerTest, AdvanceMovesTimeStopsAtTheEndAndReportsEvents) {
    auto animation = clip(10, 10);  // 1 s
    animation->addTrack("anim-arm", std::vector<AnimationKey>(10));
    animation->addEvent(0.5f, "step");
    animation->addEvent(0.75f, "land");
    AnimationState* state = controller().addClip(animation.release(), "jump");
    controller().play("jump", false, 0);
    state->speed = 2;

    state->time = 0.5f;
    controller().advance(0.125f);  // 0.5 up to 0.75: the start counts, the end does not
    ASSERT_EQ(controller().events().size(), 1u);
    EXPECT_EQ(controller().events()[0].name, "step");
    EXPECT_EQ(state->time, 0.75f);
    EXPECT_TRUE(controller().isPlaying("jump"));

    controller().advance(0.125f);
    ASSERT_EQ(controller().events().size(), 1u);
    EXPECT_EQ(controller().events()[0].name, "land");
    controller().advance(0.0f);
    EXPECT_TRUE(controller().events().empty());

    controller().advance(0.5f);  // 1.0 to 2.0: past the end
    EXPECT_EQ(state->time, 2.0f);
    EXPECT_FALSE(state->enabled);
    EXPECT_FALSE(controller().isPlaying("jump"));
    EXPECT_FALSE(controller().isPlaying("nothing"));

    // A looping state sees its events again on every lap; time is not wrapped.
    controller().play("jump", true, 0);
    state->speed = 1;
    state->time = 3.5f;
    controller().advance(0.1f);
    ASSERT_EQ(controller().events().size(), 1u);
    EXPECT_EQ(controller().events()[0].name, "step");
    EXPECT_NEAR(state->time, 3.6f, 1e-5f);
    EXPECT_TRUE(state->enabled);
}

TEST_F(AnimationControllerTest, AStateAdvancedAloneStopsOnlyWhenNotLooping) {
    AnimationState* state = constantState("pose", {}, 0, 1);
    state->animation->setFramesPerSecond(10);  // 0.1 s
    state->speed = 0.5f;
    state->advance(0.1f);
    EXPECT_FLOAT_EQ(state->time, 0.05f);
    EXPECT_TRUE(state->enabled);
    state->advance(0.2f);
    EXPECT_FALSE(state->enabled);
    state->enabled = true;
    state->loop = true;
    state->advance(10);
    EXPECT_TRUE(state->enabled);
}

// Nodes die with their scenes while scripts still hold controllers: the
// controller must let go of them rather than write through a stale pointer.
TEST(AnimationControllerNodes, DestroyedNodesLeaveTheTable) {
    auto root = std::make_unique<Node>();
    auto limb = std::make_unique<Node>();
    root->setName("anim-dying-root");
    limb->setName("anim-dying-limb");
    limb->addTo(root.get());
    auto animation = clip(1);
    animation->addTrack("anim-dying-limb", {at(4)});
    animation->addTrack("anim-dying-root", {at(2)});
    AnimationController first(root.get());
    {
        AnimationController gone(root.get());  // goes first: the nodes must not call back into it
    }
    first.addClip(animation.release(), "pose");
    first.play("pose", false, 0);

    limb.reset();
    EXPECT_EQ(first.nodeForTrack(internTrackName("anim-dying-limb")), nullptr);
    first.update(0.1f);
    expectNear(root->position(), {2, 0, 0});
    EXPECT_EQ(first.root(), root.get());
    root.reset();
    EXPECT_EQ(first.root(), nullptr);
    first.update(0.1f);
}

// --- skinning ---

TEST(SkinningMatrices, BindThenBoneThenTargetSpace) {
    Node body, bone;
    body.setPosition({0, 0, 5});
    bone.setRotation(Mat3::rotationY(0.3f));
    bone.setPosition({1, 2, 3});
    Mat4x3 inverseBind;
    inverseBind.pos = {0, -2, 0};
    Skeleton skeleton({{&bone, inverseBind}, {nullptr, inverseBind}});

    std::vector<Mat4x3> matrices(7);
    skeleton.skinningMatrices(body.worldInverse(), matrices);
    ASSERT_EQ(matrices.size(), 2u);
    expectNear(matrices[0], inverseBind * bone.worldTransform() * body.worldInverse());
    // A point bound at the bone's rest place follows the bone into the body's space.
    expectNear(matrices[0].transformPoint({0, 2, 0}), {1, 2, -2});
    expectNear(matrices[1], Mat4x3::identity());
}

TEST(SkinningMatrices, ADestroyedBoneNodeLeavesItsBoneBound) {
    Node body;
    auto bone = std::make_unique<Node>();
    bone->setPosition({1, 0, 0});
    auto skeleton = std::make_unique<Skeleton>(std::vector<Bone>{{bone.get(), {}}, {bone.get(), {}}});
    Skeleton other(std::vector<Bone>{{bone.get(), {}}});
    skeleton.reset();  // goes first: the node must not call back into it
    bone.reset();
    EXPECT_EQ(other.bones()[0].node, nullptr);
    std::vector<Mat4x3> matrices;
    other.skinningMatrices(body.worldInverse(), matrices);
    expectNear(matrices[0], Mat4x3::identity());
}

} // namespace
