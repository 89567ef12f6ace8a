#include "engine/assets/MeshPrimitives.h"
#include "engine/render/gl/NotebookRendererGL.h"
#include "engine/render/gl/RendererGL.h"
#include "support/SceneWindow.h"

#include <gtest/gtest.h>

using namespace engine;

namespace {

int brightness(const core::Image::Rgba& c) {
    return int(c.red) + int(c.green) + int(c.blue);
}

class NotebookRendererGLWindow : public test::SceneWindow {
protected:
    NotebookRendererGLWindow() { notebookMode = true; }

    NotebookRendererGL& notebook() { return *static_cast<RendererGL*>(renderer)->notebook(); }

    LightEntity* addPointLight(const Vec3& color, const Vec3& position, float range, bool primary = false) {
        LightEntity* light = addLight(LightEntity::Point, color, position);
        light->setLightRange(range);
        light->setPrimaryLight(primary);
        return light;
    }

    void buildScene() {
        Material* crate = material("crate");
        crate->diffuseMap = core::CountedRef<RenderableTexture>(
            checkerTexture({220, 140, 60, 255}, {120, 60, 20, 255}));
        addMesh(*createPlane(20, 20), {0, 0, 0});
        addMesh(*createBox(2, 2, 2), {-2, 1, 0}, crate);
        addMesh(*createSphere(2), {2, 1, 1});
    }
};

// A white primary light over the middle, a red vertex light at the box and a
// blue one at the ball, and a half-transparent green pane in front.
TEST_F(NotebookRendererGLWindow, PrimaryAndVertexLightsShadeTheSceneInOnePass) {
    ASSERT_NE(static_cast<RendererGL*>(renderer)->notebook(), nullptr);
    ASSERT_EQ(static_cast<RendererGL*>(renderer)->pipeline(), nullptr);
    buildScene();
    addPointLight({1, 1, 1}, {0, 3, -1}, 9, true);
    addPointLight({1, 0, 0}, {-3.5f, 1.5f, -1.5f}, 4);
    addPointLight({0, 0, 1}, {3.5f, 1.5f, -0.5f}, 4);
    Material* glass = material("glass");
    glass->blendMode = int32_t(BlendMode::Translucent);
    glass->diffuseMap = core::CountedRef<RenderableTexture>(solidTexture({0, 255, 0, 96}));
    addMesh(*createBox(1.5f, 1.5f, 0.1f), {0, 1, -4}, glass);

    ASSERT_TRUE(frameMatches("notebook-lights"));
    core::Image::Rgba boxFace = framePixelAt("notebook-lights", {-2.5f, 1.2f, -1});
    core::Image::Rgba ballSide = framePixelAt("notebook-lights", {2.9f, 1.1f, 0.6f});
    EXPECT_GT(boxFace.red, boxFace.blue + 40) << "the red vertex light on the box";
    EXPECT_GT(ballSide.blue, ballSide.red + 20) << "the blue vertex light on the ball";
    core::Image::Rgba pane = framePixelAt("notebook-lights", {0, 1, -4});
    EXPECT_GT(pane.green, pane.red) << "the pane blends over the scene";
}

// The primary light is the last flagged one; six of the others fill the
// vertex light slots in order; unfilled slots light nothing.
TEST_F(NotebookRendererGLWindow, LightsAreCollectedIntoThePrimaryAndSixSlots) {
    buildScene();
    LightEntity* firstPrimary = addPointLight({1, 1, 1}, {0, 3, 0}, 5, true);
    LightEntity* lastPrimary = addPointLight({1, 1, 0}, {0, 3, 0}, 5, true);
    for (int i = 0; i < 7; ++i)
        addPointLight({0.1f * float(i + 1), 0, 0}, {float(i) - 3, 1, 0}, float(i + 2));
    renderer->beginRender();
    renderer->renderScene(scene.get(), camera.get(), nullptr);
    renderer->endRender();
    EXPECT_NE(notebook().primaryLight(), firstPrimary);
    EXPECT_EQ(notebook().primaryLight(), lastPrimary);
    for (int slot = 0; slot < NotebookRendererGL::VertexLightSlots; ++slot) {
        EXPECT_FLOAT_EQ(notebook().vertexLightColor(slot).x, 0.1f * float(slot + 1)) << slot;
        EXPECT_FLOAT_EQ(notebook().vertexLightInvRange(slot), 1.0f / float(slot + 2)) << slot;
    }

    // Without lights every slot is empty and the scene is dark.
    scene.reset(Scene::createSimple());
    buildScene();
    ASSERT_TRUE(frameMatches("notebook-unlit"));
    EXPECT_EQ(notebook().primaryLight(), nullptr);
    for (int slot = 0; slot < NotebookRendererGL::VertexLightSlots; ++slot)
        EXPECT_FLOAT_EQ(notebook().vertexLightInvRange(slot), 1.0f) << slot;
    EXPECT_LT(brightness(framePixelAt("notebook-unlit", {-2, 1, -1})), 10);
}

// A target texture is not used: the scene goes to the window all the same.
TEST_F(NotebookRendererGLWindow, ATargetTextureStillDrawsIntoTheWindowAndThereAreNoStaticShadowMaps) {
    buildScene();
    LightEntity* light = addPointLight({1, 1, 1}, {0, 3, -1}, 9, true);
    core::CountedRef<RenderableTexture> target(renderer->createRenderBuffer(64, 48));
    renderer->beginRender();
    renderer->renderScene(scene.get(), camera.get(), target.get());
    EXPECT_TRUE(savedFrameMatches("notebook-target"));
    EXPECT_GT(brightness(framePixelAt("notebook-target", {0, 0, -2})), 60);
    EXPECT_EQ(renderer->renderStaticShadowMap(light, 64, 0, 0), nullptr);
}

} // namespace
