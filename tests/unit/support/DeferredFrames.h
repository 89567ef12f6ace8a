#pragma once

// Deferred-frame scenes every renderer must draw alike, so that each backend's
// tests compare with the same reference pictures (tests/reference/).

#include "engine/assets/AnimationController.h"
#include "engine/assets/MeshGeometry.h"
#include "engine/assets/MeshPrimitives.h"
#include "engine/particles/ParticleEntity.h"
#include "engine/particles/ParticleRandom.h"
#include "engine/particles/ParticleSystem.h"
#include "engine/render/FrameSteps.h"
#include "support/SceneWindow.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace test {

// Two boxes of height 2, one on the other, as one mesh: the lower bound
// wholly to bone 0, the upper to bone 1. (Merging drops bone data, so it is
// set on the merged mesh.)
inline std::unique_ptr<engine::Mesh> twoPartArm() {
    using namespace engine;
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

// Each light kind alone over the light scene: its reference, where it stands
// and looks, a point it must light and one it must leave darker.
struct LightKindCase {
    const char* reference;
    engine::LightEntity::LightType type;
    engine::Vec3 position;
    engine::Vec3 lookAt;
    engine::Vec3 lit, dark;
};

inline const LightKindCase LightKindCases[] = {
    {"light-ambient", engine::LightEntity::Ambient, {0, 0, 0}, {0, 0, 1}, {0, 0, -4}, {0, 0, -4}},
    // From the upper left: the box's left face is lit, the ball's right side is not.
    {"light-directional", engine::LightEntity::Directional, {0, 0, 0}, {1, -1, 0.5f}, {-3, 1, -0.5f}, {3, 1, 1}},
    // Above the middle, range 8: the ground under it is lit, the far corner not.
    {"light-point", engine::LightEntity::Point, {0, 2.5f, -1}, {0, 0, 1}, {0, 0, -2}, {6, 0, 6}},
    // Straight down from above the ball, a narrow cone: the ground beside it stays dark.
    {"light-spot", engine::LightEntity::Spot, {0, 4, -2}, {0, -1, 0}, {0, 0, -2}, {-3, 0, -2}},
};

class DeferredFrameWindow : public SceneWindow {
protected:
    // Ground, a textured box and a plain ball in a grey ambient light ("opaque-scene").
    void buildOpaqueScene() {
        using namespace engine;
        Material* ground = material("ground");
        ground->diffuseMap = core::CountedRef<RenderableTexture>(
            checkerTexture({200, 200, 200, 255}, {90, 110, 90, 255}));
        addMesh(*createPlane(20, 20, 4, 4), {0, 0, 0}, ground);
        Material* crate = material("crate");
        crate->diffuseMap = core::CountedRef<RenderableTexture>(
            checkerTexture({220, 140, 60, 255}, {120, 60, 20, 255}));
        addMesh(*createBox(2, 2, 2), {-2, 1, 0}, crate);
        addMesh(*createSphere(2), {2, 1, 1});
        addLight(LightEntity::Ambient, {0.8f, 0.8f, 0.8f});
    }

    // A half-transparent box of one colour.
    engine::MeshEntity* addGlassBox(const std::string& name, core::Image::Rgba color, const engine::Vec3& position) {
        using namespace engine;
        Material* glass = material(name);
        glass->blendMode = int32_t(BlendMode::Translucent);
        glass->diffuseMap = core::CountedRef<RenderableTexture>(solidTexture(color));
        return addMesh(*createBox(2, 2, 0.2f), position, glass);
    }

    // A grey ground, a box on the left and a ball on the right, in a faint ambient light.
    void buildLightScene() {
        using namespace engine;
        addMesh(*createPlane(20, 20), {0, 0, 0});
        box = addMesh(*createBox(2, 2, 2), {-2, 1, 0});
        ball = addMesh(*createSphere(2), {2, 1, 1});
        addLight(LightEntity::Ambient, {0.05f, 0.05f, 0.05f});
    }

    engine::LightEntity* addPointLight(const engine::Vec3& color, const engine::Vec3& position, float range) {
        engine::LightEntity* light = addLight(engine::LightEntity::Point, color, position);
        light->setLightRange(range);
        return light;
    }

    // The case's light in a warm white, range 8, a 0.6 cone of sharpness 0.5.
    engine::LightEntity* addLightKind(const LightKindCase& c) {
        engine::LightEntity* light = addLight(c.type, {1, 0.9f, 0.8f}, c.position);
        light->setLightRange(8);
        light->setSpotAngle(0.6f);
        light->setSpotSharpness(0.5f);
        light->node()->lookAt(c.position + c.lookAt);
        return light;
    }

    // A white unlit card, slanted, on black: a hard edge for anti-aliasing ("fxaa-off", "fxaa-on").
    void buildSlantedCard() {
        using namespace engine;
        renderer->clearColor = {0, 0, 0, 255};
        Material* card = material("card");
        card->lighting = false;
        card->diffuseMap = core::CountedRef<RenderableTexture>(solidTexture({255, 255, 255, 255}));
        MeshEntity* entity = addMesh(*createBox(3, 3, 0.1f), {0, 0.5f, 0}, card);
        entity->node()->setRotation(0, 0, 0.35f, RotationOrder::XYZ);
        camera->setPosition({0, 0.5f, -6});
        camera->lookAt({0, 0.5f, 0});
    }

    // Pixels of the saved frame between the card's and the background's tone.
    int midTones(const std::string& name) {
        core::Image image = core::Image::load(testOutputDirectory() + "/" + name + "-frame.png");
        int count = 0;
        for (int y = 0; y < image.getHeight(); ++y)
            for (int x = 0; x < image.getWidth(); ++x) {
                core::Image::Rgba c = image.getPixel(x, y);
                int b = int(c.red) + int(c.green) + int(c.blue);
                count += b > 3 * 40 && b < 3 * 160;
            }
        return count;
    }

    // A long ground with a near and a far box under a sun from the side,
    // seen along the ground; returns the sun (casting no shadow yet).
    engine::LightEntity* buildSunScene() {
        using namespace engine;
        addMesh(*createPlane(40, 70), {0, 0, 20});
        addMesh(*createBox(1, 4, 1), {-2, 2, 0});
        addMesh(*createBox(3, 3, 3), {-4, 1.5f, 28});
        addLight(LightEntity::Ambient, {0.05f, 0.05f, 0.05f});
        LightEntity* sun = addLight(LightEntity::Directional, {1, 0.95f, 0.9f});
        sun->node()->lookAt({1, -1.2f, 0.3f});
        sun->setMaxShadowDistance(60);
        camera->setPosition({0, 3, -8});
        camera->lookAt({0, 0, 12});
        return sun;
    }

    // The two-part arm at (-1, 0, 0): the lower box follows the hips, the
    // upper one the elbow, which an animation swings a quarter turn about Z,
    // sampled halfway: the upper box leans an eighth of a turn towards +X.
    // The entity's node stands away from the origin, so that matrices that
    // miss the entity's space show ("skinned-bend" with the clear colour black
    // and a 0.9 ambient light).
    engine::MeshEntity* addBentArm() {
        using namespace engine;
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

        auto swing = std::make_unique<Animation>();
        swing->setFrameCount(2);
        swing->setFramesPerSecond(1);
        AnimationKey straight, bent;
        straight.position = bent.position = {0, 2, 0};
        float half = -0.25f * float(std::numbers::pi); // half of the quarter turn
        bent.rotation = {0, 0, std::sin(half), std::cos(half)};
        swing->addTrack("skin-elbow", {straight, bent});
        AnimationController controller(body);
        AnimationState* state = controller.addClip(swing.release(), "swing");
        EXPECT_TRUE(controller.play("swing", false, 0));
        state->time = 0.5f;
        controller.sample();
        return entity;
    }

    // The bent arm on a grey ground under a point light above and in front of
    // it, casting shadows, hard ("skinned-shadow"): the leaning box's shadow
    // falls on the ground to its right.
    engine::MeshEntity* buildSkinnedShadowScene() {
        using namespace engine;
        addMesh(*createPlane(20, 20), {0, 0, 0});
        MeshEntity* arm = addBentArm();
        addLight(LightEntity::Ambient, {0.1f, 0.1f, 0.1f});
        addPointLight({1, 1, 1}, {-1.5f, 7, -1}, 12)->setCastShadow(true);
        renderer->shadowQuality = 0;
        return arm;
    }

    // In the last "skinned-shadow" frame, how much brighter the lit ground is
    // than the ground in the leaning box's shadow, to its left on the screen
    // (where the upright box would cast none).
    int skinnedShadowContrast() {
        auto brightness = [](const core::Image::Rgba& c) { return int(c.red) + int(c.green) + int(c.blue); };
        return brightness(framePixel("skinned-shadow", 0.75f, 0.52f)) -
               brightness(framePixel("skinned-shadow", 0.6f, 0.52f));
    }

    // Particles: ground and a crate in a grey ambient light. The particles'
    // random numbers start from the same seed every time.
    void buildParticleScene() {
        using namespace engine;
        seedParticleRandom(1);
        Material* ground = material("ground");
        ground->diffuseMap = core::CountedRef<RenderableTexture>(
            checkerTexture({120, 120, 120, 255}, {70, 80, 70, 255}));
        addMesh(*createPlane(20, 20, 4, 4), {0, 0, 0}, ground);
        addMesh(*createBox(2, 2, 2), {-2.5f, 1, 1});
        addLight(LightEntity::Ambient, {0.6f, 0.6f, 0.6f});
    }

    // An entity of one emitter (which the caller sets up) on a node at the position.
    engine::ParticleEntity* addParticles(engine::ParticleEmitter* emitter, const engine::Vec3& position) {
        using namespace engine;
        auto* system = new ParticleSystem;
        particleSystems.emplace_back(system);
        system->addEmitter(emitter);
        Node* node = scene->addNode();
        node->setPosition(position);
        auto* entity = new ParticleEntity(system);
        node->setComponent(Component::RenderEntityKind, entity);
        return entity;
    }

    // A soft white disc: opaque in the middle, clear at the rim.
    engine::RenderableTexture* discTexture() {
        core::Image image(32, 32);
        for (int y = 0; y < 32; ++y)
            for (int x = 0; x < 32; ++x) {
                float dx = (float(x) - 15.5f) / 16.0f, dy = (float(y) - 15.5f) / 16.0f;
                float a = std::clamp(1.0f - std::sqrt(dx * dx + dy * dy), 0.0f, 1.0f);
                image.setPixel(x, y, {255, 255, 255, uint8_t(a * 255.0f)});
            }
        engine::RenderableTexture* texture = engine::createTexture(image);
        textures.emplace_back(texture);
        return texture;
    }

    // Four frames of 32 texels on a 64 × 64 sheet: red, green (top row), blue, yellow.
    engine::RenderableTexture* sheetTexture() {
        const core::Image::Rgba colors[] = {{255, 0, 0, 255}, {0, 255, 0, 255}, {0, 0, 255, 255}, {255, 255, 0, 255}};
        core::Image image(64, 64);
        for (int y = 0; y < 64; ++y)
            for (int x = 0; x < 64; ++x)
                image.setPixel(x, y, colors[(y / 32) * 2 + x / 32]);
        engine::RenderableTexture* texture = engine::createTexture(image);
        textures.emplace_back(texture);
        return texture;
    }

    // One still particle of the given size that lives for ever.
    engine::ParticleEmitter* stillParticle(float size) {
        auto* e = new engine::ParticleEmitter;
        e->spawnBurst = true;
        e->maxParticles = 1;
        e->lifetime = {100, 100};
        e->size = {size, size};
        e->colors[0] = {1, 1, 1};
        return e;
    }

    // Orange additive sparks thrown up from (1, 0.2, 0), two seconds into
    // their flight ("particles-fountain" over the particle scene).
    engine::ParticleEntity* addSparkFountain() {
        using namespace engine;
        auto* sparks = new ParticleEmitter;
        sparks->emissionRate = 150;
        sparks->maxParticles = 400;
        sparks->lifetime = {1.0f, 1.6f};
        sparks->velocity = {3, 5};
        sparks->sprayAngle = {0, 25};
        sparks->gravity = {0, -6, 0};
        sparks->airResistance = 0.4f;
        sparks->size = {0.15f, 0.3f};
        sparks->texture = core::CountedRef<RenderableTexture>(discTexture());
        sparks->colorAnimation = true;
        sparks->colors[0] = {1, 1, 0.6f};
        sparks->colors[1] = {1, 0.6f, 0.1f};
        sparks->colors[2] = {0.8f, 0.2f, 0.05f};
        sparks->colors[3] = {0.2f, 0.05f, 0.0f};
        sparks->fadeIn = 0.05f;
        sparks->fadeOut = 0.4f;
        sparks->blendMode = ParticleEmitter::Additive;
        sparks->clampToGroundPlane = true;
        ParticleEntity* fountain = addParticles(sparks, {1, 0.2f, 0});
        for (int i = 0; i < 60; ++i)
            fountain->update(1.0f / 30.0f);
        return fountain;
    }

    // A still particle of 1.5 showing the 4-frame sheet at one frame a
    // second, at (0, 1.5, 0) before a camera level with it.
    engine::ParticleEntity* addSpriteSheetParticle(engine::ParticleEmitter*& emitter) {
        camera->setPosition({0, 1.5f, -6});
        camera->lookAt({0, 1.5f, 0});
        emitter = stillParticle(1.5f);
        emitter->texture = core::CountedRef<engine::RenderableTexture>(sheetTexture());
        emitter->frameSize = 32;
        emitter->frameCount = 4;
        emitter->frameRate = 1;
        return addParticles(emitter, {0, 1.5f, 0});
    }

    void TearDown() override {
        particleSystems.clear();
        SceneWindow::TearDown();
    }

    engine::MeshEntity* box = nullptr;
    engine::MeshEntity* ball = nullptr;
    std::vector<core::CountedRef<engine::ParticleSystem>> particleSystems;
};

} // namespace test
