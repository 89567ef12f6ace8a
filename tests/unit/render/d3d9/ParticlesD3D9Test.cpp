// Particles drawn on the Direct3D 9 renderer: a still particle shows the
// right frame of its sprite sheet, upright, tinted by its colour table and
// opacity, and additive emitters add to what is behind them.
#ifdef _WIN32
#include "core/Exception.h"
#include "engine/particles/ParticleEntity.h"
#include "engine/particles/ParticleRandom.h"
#include "engine/particles/ParticleSystem.h"
#include "engine/render/d3d9/ParticlesD3D9.h"
#include "engine/render/d3d9/RenderableTextureD3D9.h"
#include "engine/render/d3d9/RendererD3D9.h"
#include "engine/scene/Node.h"
#include "engine/scene/Scene.h"
#include "support/SceneWindow.h"

#include <gtest/gtest.h>

#include <memory>

using namespace engine;

namespace {

class ParticlesD3D9Window : public test::SceneWindow {
protected:
    void SetUp() override
    {
        renderEngine = RenderEngineKind::D3D9;
        SceneWindow::SetUp();
        if (IsSkipped())
            return;
        seedParticleRandom(1);
        context = dynamic_cast<RendererD3D9&>(*renderer).context();
        ASSERT_NE(context, nullptr);
        particles = std::make_unique<ParticlesD3D9>(*context);
        camera->setPosition({0, 0, -6});
        camera->lookAt({0, 0, 0});
    }

    void TearDown() override
    {
        particles.reset();
        system = {};
        SceneWindow::TearDown();
    }

    // Four frames of 32 texels on a 64 x 64 sheet: red, green (top row), blue, yellow.
    RenderableTexture* sheetTexture()
    {
        const core::Image::Rgba colors[] = {{255, 0, 0, 255}, {0, 255, 0, 255}, {0, 0, 255, 255}, {255, 255, 0, 255}};
        core::Image image(64, 64);
        for (int y = 0; y < 64; ++y)
            for (int x = 0; x < 64; ++x)
                image.setPixel(x, y, colors[(y / 32) * 2 + x / 32]);
        return createTexture(image);
    }

    // One still particle at the origin that lives for ever, drawn on its own.
    ParticleEmitter* stillParticle(float size)
    {
        auto* e = new ParticleEmitter;
        e->spawnBurst = true;
        e->maxParticles = 1;
        e->lifetime = {100, 100};
        e->size = {size, size};
        e->colors[0] = {1, 1, 1};
        system = core::CountedRef<ParticleSystem>(new ParticleSystem);
        system->addEmitter(e);
        // Particles are born at their node, which the scene keeps with its entity.
        entity = new ParticleEntity(system.get());
        scene->addNode()->setComponent(Component::RenderEntityKind, entity);
        return e;
    }

    // The frame's screenshot with the particle drawn over the clear colour.
    core::Image drawFrame(const char* name)
    {
        renderer->clearColor = {40, 40, 40, 255};
        renderer->beginRender();
        d3d::Device& device = context->device();
        device.setRenderState(D3DRS_ZENABLE, D3DZB_FALSE);
        device.setRenderState(D3DRS_ZWRITEENABLE, FALSE);
        try {
            particles->draw(*camera, *entity, nullptr, true, d3d::SamplerDesc::Nearest, {});
        } catch (const core::Exception& e) {
            ADD_FAILURE() << e.getMessage();
        }
        std::string path = test::testOutputDirectory() + "/" + name + ".png";
        renderer->saveScreenShot(path);
        renderer->endRender();
        return core::Image::load(path);
    }

    core::Image::Rgba centre(const core::Image& image) { return image.getPixel(image.getWidth() / 2, image.getHeight() / 2); }

    RenderContextD3D9* context = nullptr;
    std::unique_ptr<ParticlesD3D9> particles;
    core::CountedRef<ParticleSystem> system;
    ParticleEntity* entity = nullptr;
};

TEST_F(ParticlesD3D9Window, SpriteSheetFramesAreUprightAndFollowTheAge)
{
    ParticleEmitter* e = stillParticle(2.0f);
    std::unique_ptr<RenderableTexture> sheet(sheetTexture());
    e->texture = core::CountedRef<RenderableTexture>(sheet.release());
    e->frameSize = 32;
    e->frameCount = 4;
    e->frameRate = 1;
    struct Case {
        float age;
        core::Image::Rgba expected;
    };
    const Case cases[] = {{0.5f, {255, 0, 0, 255}}, {1.5f, {0, 255, 0, 255}}, {2.5f, {0, 0, 255, 255}},
                          {3.5f, {255, 255, 0, 255}}, {4.5f, {255, 0, 0, 255}}};
    float age = 0;
    for (const Case& c : cases) {
        entity->update(c.age - age);
        age = c.age;
        ASSERT_EQ(entity->instances()[0].alive, 1u);
        core::Image frame = drawFrame(("particles-d3d9-frame-" + std::to_string(int(c.age))).c_str());
        core::Image::Rgba seen = centre(frame);
        EXPECT_EQ(seen.red > 200, c.expected.red > 0) << c.age;
        EXPECT_EQ(seen.green > 200, c.expected.green > 0) << c.age;
        EXPECT_EQ(seen.blue > 200, c.expected.blue > 0) << c.age;
        // Outside the quad the clear colour stays.
        EXPECT_EQ(frame.getPixel(2, 2).red, 40) << c.age;
    }
}

// A texture whose top half is white and bottom half blue shows white above
// blue; the colour table and opacity tint it, additive emitters add to the
// background.
TEST_F(ParticlesD3D9Window, TintOpacityAndAdditiveBlending)
{
    ParticleEmitter* e = stillParticle(2.0f);
    core::Image image(8, 8);
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x)
            image.setPixel(x, y, y < 4 ? core::Image::Rgba{255, 255, 255, 255} : core::Image::Rgba{0, 0, 255, 255});
    e->texture = core::CountedRef<RenderableTexture>(createTexture(image));
    entity->update(0.5f);

    core::Image upright = drawFrame("particles-d3d9-upright");
    const int cx = upright.getWidth() / 2, cy = upright.getHeight() / 2;
    const int quarter = upright.getHeight() / 10;
    EXPECT_GT(int(upright.getPixel(cx, cy - quarter).green), 200) << "the texture's top row is at the top";
    EXPECT_LT(int(upright.getPixel(cx, cy + quarter).green), 60);

    // Colour 0 tints; half opacity lets half the background through.
    e->colors[0] = {1, 0.5f, 0};
    e->opacity = 0.5f;
    core::Image tinted = drawFrame("particles-d3d9-tinted");
    core::Image::Rgba top = tinted.getPixel(cx, cy - quarter);
    EXPECT_NEAR(int(top.red), 40 + (255 - 40) / 2, 6);
    EXPECT_NEAR(int(top.green), 40 + (128 - 40) / 2, 6);
    EXPECT_NEAR(int(top.blue), 20, 6);

    // Additive: the background plus half the colour.
    e->blendMode = ParticleEmitter::Additive;
    core::Image added = drawFrame("particles-d3d9-additive");
    core::Image::Rgba sum = added.getPixel(cx, cy - quarter);
    EXPECT_NEAR(int(sum.red), 40 + 128, 6);
    EXPECT_NEAR(int(sum.green), 40 + 64, 6);
    EXPECT_NEAR(int(sum.blue), 40, 6);
}

} // namespace
#endif
