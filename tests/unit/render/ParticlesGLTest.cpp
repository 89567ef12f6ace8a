#include "engine/assets/MeshPrimitives.h"
#include "engine/particles/ParticleEntity.h"
#include "engine/particles/ParticleRandom.h"
#include "engine/render/gl/DeferredPipelineGL.h"
#include "engine/render/gl/RendererGL.h"
#include "support/SceneWindow.h"

#include <gtest/gtest.h>

using namespace engine;

namespace {

class ParticlesGLWindow : public test::SceneWindow {
protected:
    void SetUp() override {
        SceneWindow::SetUp();
        seedParticleRandom(1);
    }

    void TearDown() override {
        systems.clear();
        SceneWindow::TearDown();
    }

    // Ground and a crate in a grey ambient light.
    void buildScene() {
        Material* ground = material("ground");
        ground->diffuseMap = core::CountedRef<RenderableTexture>(
            checkerTexture({120, 120, 120, 255}, {70, 80, 70, 255}));
        addMesh(*createPlane(20, 20, 4, 4), {0, 0, 0}, ground);
        addMesh(*createBox(2, 2, 2), {-2.5f, 1, 1});
        addLight(LightEntity::Ambient, {0.6f, 0.6f, 0.6f});
    }

    // An entity of one emitter (which the caller sets up) on a node at the position.
    ParticleEntity* addParticles(ParticleEmitter* emitter, const Vec3& position) {
        auto* system = new ParticleSystem;
        systems.emplace_back(system);
        system->addEmitter(emitter);
        Node* node = scene->addNode();
        node->setPosition(position);
        auto* entity = new ParticleEntity(system);
        node->setComponent(Component::RenderEntityKind, entity);
        return entity;
    }

    // A soft white disc: opaque in the middle, clear at the rim.
    RenderableTexture* discTexture() {
        core::Image image(32, 32);
        for (int y = 0; y < 32; ++y)
            for (int x = 0; x < 32; ++x) {
                float dx = (float(x) - 15.5f) / 16.0f, dy = (float(y) - 15.5f) / 16.0f;
                float a = std::clamp(1.0f - std::sqrt(dx * dx + dy * dy), 0.0f, 1.0f);
                image.setPixel(x, y, {255, 255, 255, uint8_t(a * 255.0f)});
            }
        RenderableTexture* texture = createTexture(image);
        textures.emplace_back(texture);
        return texture;
    }

    // Four frames of 32 texels on a 64 × 64 sheet: red, green (top row), blue, yellow.
    RenderableTexture* sheetTexture() {
        const core::Image::Rgba colors[] = {{255, 0, 0, 255}, {0, 255, 0, 255}, {0, 0, 255, 255}, {255, 255, 0, 255}};
        core::Image image(64, 64);
        for (int y = 0; y < 64; ++y)
            for (int x = 0; x < 64; ++x)
                image.setPixel(x, y, colors[(y / 32) * 2 + x / 32]);
        RenderableTexture* texture = createTexture(image);
        textures.emplace_back(texture);
        return texture;
    }

    // One still particle of the given size that lives for ever.
    ParticleEmitter* stillParticle(float size) {
        auto* e = new ParticleEmitter;
        e->spawnBurst = true;
        e->maxParticles = 1;
        e->lifetime = {100, 100};
        e->size = {size, size};
        e->colors[0] = {1, 1, 1};
        return e;
    }

    std::vector<core::CountedRef<ParticleSystem>> systems;
};

TEST_F(ParticlesGLWindow, AFountainOfSparksDrawsOverTheScene) {
    buildScene();
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
    buildScene();
    camera->setPosition({0, 1.5f, -6});
    camera->lookAt({0, 1.5f, 0});
    ParticleEmitter* frames = stillParticle(1.5f);
    frames->texture = core::CountedRef<RenderableTexture>(sheetTexture());
    frames->frameSize = 32;
    frames->frameCount = 4;
    frames->frameRate = 1;
    ParticleEntity* sheet = addParticles(frames, {0, 1.5f, 0});
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
