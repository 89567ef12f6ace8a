#pragma once

// Deferred-frame scenes every renderer must draw alike, so that each backend's
// tests compare with the same reference pictures (tests/reference/).

#include "engine/assets/MeshPrimitives.h"
#include "engine/render/FrameSteps.h"
#include "support/SceneWindow.h"

namespace test {

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

    engine::MeshEntity* box = nullptr;
    engine::MeshEntity* ball = nullptr;
};

} // namespace test
