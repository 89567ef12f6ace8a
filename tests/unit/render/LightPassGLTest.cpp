#include "engine/assets/MeshPrimitives.h"
#include "engine/render/gl/DeferredPipelineGL.h"
#include "engine/render/gl/GLEntryPoints.h"
#include "engine/render/gl/LightPassGL.h"
#include "engine/render/gl/RenderableTextureGL.h"
#include "engine/render/gl/RendererGL.h"
#include "engine/render/gl/ShadowMapsGL.h"
#include "support/DeferredFrames.h"
#include "support/ExceptionMessage.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>

using namespace engine;

namespace {

int brightness(const core::Image::Rgba& c) {
    return int(c.red) + int(c.green) + int(c.blue);
}

class LightPassGLWindow : public test::DeferredFrameWindow {
protected:
    void buildScene() { buildLightScene(); }
};

// Each kind alone over the same scene, with a point that its light must reach
// and one that it must leave dark (or darker).
TEST_F(LightPassGLWindow, EachLightKindAlone) {
    buildScene();
    for (const test::LightKindCase& c : test::LightKindCases) {
        LightEntity* light = addLightKind(c);
        EXPECT_TRUE(frameMatches(c.reference)) << c.reference;
        if (c.type != LightEntity::Ambient) {
            EXPECT_GT(brightness(framePixelAt(c.reference, c.lit)), brightness(framePixelAt(c.reference, c.dark)) + 60)
                << c.reference;
        }
        light->node()->setComponent(Component::RenderEntityKind, nullptr);
    }
}

// Pixels a light marks in the stencil but leaves unlit (outside a spot's
// cone, facing away) must still go back to 0, or the next light over them
// finds them marked twice and skips them.
TEST_F(LightPassGLWindow, LightsLeaveTheStencilClearForTheNextOne) {
    buildScene();
    const Vec3 ground{3, 0, -3};
    LightEntity* spot = addLight(LightEntity::Spot, {1, 1, 1}, {0, 4, -2});
    spot->setLightRange(8);
    spot->setSpotAngle(0.4f);
    spot->node()->lookAt({0, 0, -2});
    addPointLight({0.2f, 1, 0.2f}, {3, 1, -3}, 4);
    ASSERT_TRUE(frameMatches("spot-then-point"));
    core::Image::Rgba both = framePixelAt("spot-then-point", ground);

    spot->node()->setComponent(Component::RenderEntityKind, nullptr);
    ASSERT_TRUE(frameMatches("point-after-no-spot"));
    core::Image::Rgba alone = framePixelAt("point-after-no-spot", ground);
    EXPECT_GT(alone.green, 100);
    EXPECT_NEAR(both.green, alone.green, 3);
}

// A light behind the box, casting its shadow toward the camera: the ground in
// front of the box is dark with shadows and lit without them, and the frame
// without shadows is the frame of a light that casts none.
TEST_F(LightPassGLWindow, PointLightShadowsByQuality) {
    buildScene();
    LightEntity* light = addPointLight({1, 1, 1}, {-2, 2.5f, 3}, 9);
    const Vec3 shadowed{-2, 0, -2};
    const Vec3 open{1, 0, -1.5f};

    ASSERT_TRUE(frameMatches("point-shadow-off"));
    int lit = brightness(framePixelAt("point-shadow-off", shadowed));

    light->setCastShadow(true);
    renderer->shadowQuality = 1;
    ASSERT_TRUE(frameMatches("point-shadow-soft"));
    EXPECT_LT(brightness(framePixelAt("point-shadow-soft", shadowed)), lit / 3);
    EXPECT_NEAR(brightness(framePixelAt("point-shadow-soft", open)), brightness(framePixelAt("point-shadow-off", open)), 6);

    renderer->shadowQuality = 0;
    ASSERT_TRUE(frameMatches("point-shadow-hard"));
    EXPECT_LT(brightness(framePixelAt("point-shadow-hard", shadowed)), lit / 3);

    // A static map that is not a cube cannot be read as one: the light
    // renders its shadow as if it had none.
    renderer->shadowQuality = 1;
    light->setStaticShadowMap(solidTexture({255, 255, 255, 255}));
    EXPECT_TRUE(frameMatches("point-shadow-soft"));

    renderer->renderShadows = false;
    EXPECT_TRUE(frameMatches("point-shadow-off"));
}

// Only casters with the static flag are in a static map, and the light keeps
// using it while it casts shadows: the ball's shadow is missing, the box's
// stays where it was rendered even after the box moves.
TEST_F(LightPassGLWindow, StaticShadowMapHoldsStaticCastersOnly) {
    buildScene();
    LightEntity* light = addPointLight({1, 1, 1}, {0, 2.5f, 3}, 9);
    light->setCastShadow(true);
    box->setFlag(MeshEntity::StaticShadow, true);
    std::unique_ptr<RenderableTexture> map(renderer->renderStaticShadowMap(light, 64, 0, 0));
    ASSERT_NE(map, nullptr);
    EXPECT_EQ(map->getWidth(), 64);
    auto* gltexture = dynamic_cast<RenderableTextureGL*>(map.get());
    ASSERT_NE(dynamic_cast<TextureCubeGL*>(gltexture->texture()), nullptr);

    light->setStaticShadowMap(map.release());
    box->node()->setPosition({-2, 1, -4});
    ASSERT_TRUE(frameMatches("point-shadow-static"));
    EXPECT_LT(brightness(framePixelAt("point-shadow-static", {-2.5f, 0, -2})), 40);
    ball->node()->setComponent(Component::RenderEntityKind, nullptr);
    int noBall = brightness(framePixelAt("point-shadow-static", {2.5f, 0, -1.5f}));
    EXPECT_GT(noBall, 60);

    // A static map does not make a light cast shadows.
    light->setCastShadow(false);
    box->node()->setPosition({-2, 1, 0});
    ASSERT_TRUE(frameMatches("point-shadow-static-off"));
    EXPECT_GT(brightness(framePixelAt("point-shadow-static-off", {-2.5f, 0, -2})), 60);

    light->setCastShadow(true);
    // Blurred as it is made, the map softens the shadow's edges: the frame
    // changes along them, and only there.
    light->setStaticShadowMap(renderer->renderStaticShadowMap(light, 64, 0, 0));
    renderer->beginRender();
    renderer->renderScene(scene.get(), camera.get(), nullptr);
    renderer->saveScreenShot(test::testOutputDirectory() + "/static-sharp-frame.png");
    renderer->endRender();
    light->setStaticShadowMap(renderer->renderStaticShadowMap(light, 64, 20, 0));
    ASSERT_TRUE(frameMatches("point-shadow-static-blurred"));
    core::Image sharp = core::Image::load(test::testOutputDirectory() + "/static-sharp-frame.png");
    core::Image blurred = core::Image::load(test::testOutputDirectory() + "/point-shadow-static-blurred-frame.png");
    int changed = 0;
    for (int y = 0; y < sharp.getHeight(); ++y)
        for (int x = 0; x < sharp.getWidth(); ++x)
            changed += std::abs(brightness(sharp.getPixel(x, y)) - brightness(blurred.getPixel(x, y))) > 15;
    EXPECT_GT(changed, 20);
    EXPECT_LT(changed, sharp.getWidth() * sharp.getHeight() / 4);
}

// Lights that reach nothing add nothing and render no shadow, whatever else they ask for.
TEST_F(LightPassGLWindow, LightsWithoutRangeLightNothing) {
    buildScene();
    ASSERT_TRUE(frameMatches("faint-ambient"));
    for (float range : {0.0f, -5.0f}) {
        addPointLight({1, 1, 1}, {0, 1, -3}, range)->setCastShadow(true);
        addLight(LightEntity::Spot, {1, 1, 1}, {0, 3, -3})->setLightRange(range);
    }
    renderStats() = RenderStats{};
    EXPECT_TRUE(frameMatches("faint-ambient"));
    EXPECT_EQ(renderStats().shadowSegments, 0);
}

// The light's box pokes into the view but its sphere stays right of it: the
// light is gathered, yet it draws nothing and renders no shadow.
TEST_F(LightPassGLWindow, LightsBesideTheViewRenderNoShadow) {
    buildScene();
    camera->setPosition({0, 0, 0});
    camera->lookAt({0, 0, 1});
    addMesh(*createBox(1, 1, 1), {8.5f, 0, 12});
    Node* lamp = addPointLight({1, 1, 1}, {8, 0, 10}, 1.8f)->node();
    static_cast<LightEntity*>(lamp->lightEntity())->setCastShadow(true);
    struct Case {
        float x;
        bool drawn;
    } cases[] = {{8, false}, {6, true}};
    for (const Case& c : cases) {
        lamp->setPosition({c.x, 0, 10});
        renderer->beginRender();
        renderer->renderScene(scene.get(), camera.get(), nullptr);
        renderer->endRender();
        EXPECT_EQ(renderStats().visibleLights, 2) << c.x;
        EXPECT_EQ(renderStats().shadowSegments > 0, c.drawn) << c.x;
    }
}

TEST_F(LightPassGLWindow, StaticShadowMapSizesNeedTheirDepthBuffer) {
    buildScene();
    LightEntity* light = addPointLight({1, 1, 1}, {0, 2.5f, 3}, 9);
    for (int size : {512, 8, 2048, 300})
        EXPECT_EQ(messageOf([&] { delete renderer->renderStaticShadowMap(light, size, 0, 0); }),
                  "No depth buffer for static shadow map")
            << size;
    for (int size : {16, 256}) {
        std::unique_ptr<RenderableTexture> map(renderer->renderStaticShadowMap(light, size, 0, 0));
        EXPECT_EQ(map->getWidth(), size);
    }

    // Made between beginRender and endRender, the map leaves the frame's
    // drawing in the window, over the whole render size.
    renderer->beginRender();
    delete renderer->renderStaticShadowMap(light, 32, 0, 0);
    GLint framebuffer = -1, viewport[4] = {};
    glGetIntegerv(GL_FRAMEBUFFER_BINDING, &framebuffer);
    glGetIntegerv(GL_VIEWPORT, viewport);
    EXPECT_EQ(framebuffer, 0);
    EXPECT_EQ(viewport[2], FrameWidth);
    EXPECT_EQ(viewport[3], FrameHeight);
    renderer->endRender();
}

// Coloured lights at the right edge, one in a viewport that leaves a border:
// the scissor rectangle is cut at the viewport's edge and placed inside it.
TEST_F(LightPassGLWindow, LightsPartlyOutsideTheViewport) {
    buildScene();
    addPointLight({1, 0.2f, 0.2f}, {6, 1, 0}, 5);
    addPointLight({0.2f, 0.2f, 1}, {-1, 1, -3}, 3);
    ASSERT_TRUE(frameMatches("point-lights-at-the-edge"));
    EXPECT_GT(framePixelAt("point-lights-at-the-edge", {4.5f, 0, -1}).red, 60);

    renderer->setViewport({24, 16, 80, 64});
    ASSERT_TRUE(frameMatches("point-lights-in-viewport"));
}

// With the far plane close, the light's sphere reaches past it: no stencil
// volume (its back would be clipped and mark nothing), the scissor alone.
TEST_F(LightPassGLWindow, SphereAcrossTheFarPlaneUsesTheScissorOnly) {
    buildScene();
    camera->setProjection(Mat4::perspective(1.0471976f, float(FrameHeight) / float(FrameWidth), 0.5f, 13));
    addPointLight({1, 1, 0.5f}, {0, 2, 1}, 8);
    ASSERT_TRUE(frameMatches("point-light-far-plane"));
    EXPECT_GT(brightness(framePixelAt("point-light-far-plane", {0, 0, -1})), 150);
}

} // namespace

namespace {

// With RenderMeshes off no mesh is drawn, yet shadow-casting lights still
// render their casters: the switch skips drawing, not the scene's shadows.
TEST_F(LightPassGLWindow, RenderMeshesOffStillCastsShadows) {
    buildScene();
    addPointLight({1, 1, 1}, {-2, 2.5f, 3}, 9)->setCastShadow(true);
    renderer->renderMeshes = false;
    renderer->clearColor = {30, 60, 90, 255};
    ASSERT_TRUE(frameMatches("render-meshes-off"));
    renderer->beginRender();
    renderer->renderScene(scene.get(), camera.get(), nullptr);
    const RenderStats stats = renderStats();
    renderer->endRender();
    EXPECT_EQ(stats.drawSegments, 0);
    EXPECT_GT(stats.shadowSegments, 0);
    EXPECT_EQ(framePixelAt("render-meshes-off", {0, 0, -2}), framePixel("render-meshes-off", 0.5f, 0.02f));
}

// Wireframe outlines the meshes in the mesh passes only: the lines are lit
// (the light pass still fills its quads), the faces between them show the
// background, and the next frame without it fills again.
TEST_F(LightPassGLWindow, WireframeOutlinesMeshesAndLightsTheLines) {
    buildScene();
    addLight(LightEntity::Ambient, {0.8f, 0.8f, 0.8f});
    renderer->clearColor = {0, 0, 0, 255};
    renderer->wireframe = true;
    ASSERT_TRUE(frameMatches("wireframe"));
    core::Image image = core::Image::load(test::testOutputDirectory() + "/wireframe-frame.png");
    int background = 0, brightest = 0;
    for (int y = 0; y < image.getHeight(); ++y)
        for (int x = 0; x < image.getWidth(); ++x) {
            int b = brightness(image.getPixel(x, y));
            background += b == 0;
            brightest = std::max(brightest, b);
        }
    EXPECT_GT(background, image.getWidth() * image.getHeight() / 2);
    EXPECT_GT(brightest, 3 * 100);

    renderer->wireframe = false;
    ASSERT_TRUE(frameMatches("wireframe-off"));
    EXPECT_GT(brightness(framePixelAt("wireframe-off", {0, 0, -2})), 3 * 40);
}

} // namespace

namespace {

// A long ground under a sun: a pillar near the camera, a box far down the
// ground, and a row of open ground running from near to far through every
// cascade split.
class SunShadowWindow : public LightPassGLWindow {
protected:
    void buildSunScene() { sun = DeferredFrameWindow::buildSunScene(); }

    LightEntity* sun = nullptr;
};

// Shadows near and far come from different cascades; along the open ground
// every pixel is lit by exactly one of them: the frame there is the frame of
// the unshadowed sun, with no seam where one cascade hands over to the next.
TEST_F(SunShadowWindow, CascadesShadowNearAndFarWithoutASeam) {
    buildSunScene();
    const Vec3 nearShadow{0, 0, 0.5f}, farShadow{-1.5f, 0, 28.5f};
    ASSERT_TRUE(frameMatches("sun-unshadowed"));
    sun->setCastShadow(true);
    // A pixel or two on a shadow's edge may fall to the other side of a map
    // texel between compilers; a seam would be a whole row of pixels.
    ASSERT_TRUE(frameMatches("sun-cascades", 4));

    int lit = brightness(framePixelAt("sun-unshadowed", nearShadow));
    EXPECT_GT(lit, 300);
    EXPECT_LT(brightness(framePixelAt("sun-cascades", nearShadow)), lit / 3);
    EXPECT_GT(brightness(framePixelAt("sun-unshadowed", farShadow)), 300);
    EXPECT_LT(brightness(framePixelAt("sun-cascades", farShadow)), lit / 3);
    for (float z = -5; z <= 45; z += 0.25f) {
        const Vec3 open{3.5f, 0, z};
        EXPECT_NEAR(brightness(framePixelAt("sun-cascades", open)), brightness(framePixelAt("sun-unshadowed", open)), 9)
            << "z " << z;
    }

    // Beyond its shadow distance the sun still lights, unshadowed.
    sun->setMaxShadowDistance(15);
    ASSERT_TRUE(frameMatches("sun-short-shadow-distance"));
    EXPECT_NEAR(brightness(framePixelAt("sun-short-shadow-distance", farShadow)),
                brightness(framePixelAt("sun-unshadowed", farShadow)), 9);
    EXPECT_LT(brightness(framePixelAt("sun-short-shadow-distance", nearShadow)), lit / 3);

    // RenderShadows off, or a shadow distance inside the near plane: no cascades.
    for (float distance : {60.0f, 0.2f}) {
        sun->setMaxShadowDistance(distance);
        renderer->renderShadows = distance < 1;
        renderStats() = RenderStats{};
        EXPECT_TRUE(frameMatches("sun-unshadowed")) << distance;
        EXPECT_EQ(renderStats().shadowSegments, 0) << distance;
    }
}

// A spot light above and behind the box throws its shadow toward the camera:
// dark with shadows, lit without them; blurred, the edge softens.
TEST_F(LightPassGLWindow, SpotShadowsHardAndBlurred) {
    buildScene();
    LightEntity* spot = addLight(LightEntity::Spot, {1, 1, 1}, {-2, 5, 3});
    spot->setLightRange(12);
    spot->setSpotAngle(1.4f);
    spot->setSpotSharpness(0.6f);
    spot->node()->lookAt({-2, 0, -1});
    const Vec3 shadowed{-2, 0, -2}, open{1, 0, -2};
    ASSERT_TRUE(frameMatches("spot-shadow-off"));
    int lit = brightness(framePixelAt("spot-shadow-off", shadowed));
    EXPECT_GT(lit, 150);

    spot->setCastShadow(true);
    for (int quality : {0, 1}) {
        renderer->shadowQuality = quality;
        std::string name = quality ? "spot-shadow-soft" : "spot-shadow-hard";
        ASSERT_TRUE(frameMatches(name));
        EXPECT_LT(brightness(framePixelAt(name, shadowed)), lit / 3) << name;
        EXPECT_NEAR(brightness(framePixelAt(name, open)), brightness(framePixelAt("spot-shadow-off", open)), 6) << name;
    }
    // The blur leaves fewer pixels at the extremes of the edge: more of them in between.
    auto midTones = [](const std::string& name) {
        core::Image image = core::Image::load(test::testOutputDirectory() + "/" + name + "-frame.png");
        int count = 0;
        for (int y = 0; y < image.getHeight(); ++y)
            for (int x = 0; x < image.getWidth(); ++x) {
                int b = brightness(image.getPixel(x, y));
                count += b > 90 && b < 300;
            }
        return count;
    };
    EXPECT_GT(midTones("spot-shadow-soft"), midTones("spot-shadow-hard"));

    renderer->renderShadows = false;
    EXPECT_TRUE(frameMatches("spot-shadow-off"));
}

// The cone volume still marks the ground it covers when the cone reaches
// past a near far plane, and leaves the ground outside the cone dark.
TEST_F(LightPassGLWindow, SpotConeAcrossTheFarPlane) {
    buildScene();
    camera->setProjection(Mat4::perspective(1.0471976f, float(FrameHeight) / float(FrameWidth), 0.5f, 13));
    LightEntity* spot = addLight(LightEntity::Spot, {1, 1, 0.5f}, {0, 3, -2});
    spot->setLightRange(20);
    spot->setSpotAngle(1.2f);
    spot->node()->lookAt({0, 0, 8});
    ASSERT_TRUE(frameMatches("spot-far-plane"));
    EXPECT_GT(brightness(framePixelAt("spot-far-plane", {0, 0, 1})), 150);
    EXPECT_LT(brightness(framePixelAt("spot-far-plane", {-5, 0, -4})), 40);
}

} // namespace
