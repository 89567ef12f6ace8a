#include "engine/assets/MeshGeometry.h"
#include "engine/assets/MeshPrimitives.h"
#include "engine/draw/DebugDraw.h"
#include "engine/render/DDSFile.h"
#include "engine/render/gl/AmbientOcclusionGL.h"
#include "engine/render/gl/DeferredPipelineGL.h"
#include "engine/render/gl/PostPassesGL.h"
#include "engine/render/gl/RendererGL.h"
#include "support/DeferredFrames.h"
#include "support/SceneWindow.h"
#include "support/TempDirectory.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

using namespace engine;

namespace {

int brightness(const core::Image::Rgba& c) {
    return int(c.red) + int(c.green) + int(c.blue);
}

class DeferredPipelineGLWindow : public test::DeferredFrameWindow {
protected:
    DeferredPipelineGL& pipeline() { return *static_cast<RendererGL*>(renderer)->pipeline(); }
};

TEST_F(DeferredPipelineGLWindow, OpaqueSceneMatchesItsReference) {
    ASSERT_NE(static_cast<RendererGL*>(renderer)->pipeline(), nullptr);
    buildOpaqueScene();
    EXPECT_TRUE(frameMatches("opaque-scene"));
}

// Two glass panes, red in front of blue: drawn farthest first, the front one
// blends over the back one; a sort offset of 3 sends the red one behind.
TEST_F(DeferredPipelineGLWindow, TranslucentMeshesBlendBackToFrontAfterOpaqueOnes) {
    buildOpaqueScene();
    MeshEntity* red = addGlassBox("red", {255, 0, 0, 128}, {0, 1.5f, -3});
    addGlassBox("blue", {0, 0, 255, 128}, {0.8f, 1.8f, -2});
    camera->setPosition({0, 2, -10});
    camera->lookAt({0, 1.5f, 0});
    const Vec3 overlap{0.4f, 1.6f, -3.2f};

    ASSERT_TRUE(frameMatches("translucent-order"));
    core::Image::Rgba nearFirst = framePixelAt("translucent-order", overlap);
    EXPECT_GT(nearFirst.red, nearFirst.blue);

    red->setSortOffset(3);
    ASSERT_TRUE(frameMatches("translucent-sort-offset"));
    core::Image::Rgba redBehind = framePixelAt("translucent-sort-offset", overlap);
    EXPECT_GT(redBehind.blue, redBehind.red);
}

TEST_F(DeferredPipelineGLWindow, DiffuseMappingOffSamplesWhiteEverywhere) {
    buildOpaqueScene();
    addGlassBox("glass", {0, 200, 0, 128}, {0, 1.5f, -3});
    renderer->diffuseMapping = false;
    ASSERT_TRUE(frameMatches("diffuse-mapping-off"));
    // The glass's own green is gone too: white at half opacity over the scene.
    core::Image::Rgba glass = framePixelAt("diffuse-mapping-off", {0, 1.5f, -3.2f});
    EXPECT_NEAR(int(glass.red), int(glass.green), 3);
}

// Each buffer view on its own, then pairs where the earlier one must win.
TEST_F(DeferredPipelineGLWindow, DebugViewsShowTheFirstBufferAskedFor) {
    buildOpaqueScene();
    renderer->ambientOcclusion = true;
    struct Case {
        bool normal, glossiness, light, occlusion;
        const char* reference;
    } cases[] = {
        {true, false, false, false, "debug-normal-buffer"},
        {false, true, false, false, "debug-glossiness-buffer"},
        {false, false, true, false, "debug-light-buffer"},
        {false, false, false, true, "debug-occlusion-buffer"},
        {true, false, true, false, "debug-normal-buffer"},
        {true, true, true, true, "debug-normal-buffer"},
        {false, true, true, true, "debug-glossiness-buffer"},
        {false, false, true, true, "debug-light-buffer"},
    };
    for (const Case& c : cases) {
        renderer->drawNormalBuffer = c.normal;
        renderer->drawGlossinessBuffer = c.glossiness;
        renderer->drawLightBuffer = c.light;
        renderer->drawAmbientOcclusionBuffer = c.occlusion;
        EXPECT_TRUE(frameMatches(c.reference))
            << c.normal << c.glossiness << c.light << c.occlusion << " should show " << c.reference;
    }
}

TEST_F(DeferredPipelineGLWindow, FogThickensWithDistance) {
    buildOpaqueScene();
    renderer->fog = true;
    renderer->fogColor = {0.6f, 0.7f, 0.9f};
    renderer->fogRange = {10, 60};
    ASSERT_TRUE(frameMatches("fog"));
    // Far ground is nearly fog-coloured, near ground keeps its checker.
    core::Image::Rgba far = framePixelAt("fog", {0, 0, 9.5f});
    EXPECT_GT(int(far.blue), int(far.red));
}

TEST(FogPass, ParametersMapTheRangeToZeroAndOne) {
    Vec2 p = FogPassGL::fogParams(10, 60);
    EXPECT_FLOAT_EQ(p.x, 0.02f);
    EXPECT_FLOAT_EQ(p.y, -0.2f);
    // Equal distances: a sharp, finite step at that distance.
    Vec2 step = FogPassGL::fogParams(25, 25);
    ASSERT_TRUE(std::isfinite(step.x) && std::isfinite(step.y));
    EXPECT_LE(24.99f * step.x + step.y, 0.0f);
    EXPECT_GE(25.01f * step.x + step.y, 1.0f);
}

TEST(AmbientOcclusionPass, RotationPatternAndKernel) {
    std::array<uint8_t, 64> pixels = AmbientOcclusionGL::rotationPixels();
    // Pixel 0 has pattern value 1: angle 0, so cos 1 and sin 0.
    EXPECT_EQ(pixels[0], 255);
    EXPECT_EQ(pixels[1], 127);
    EXPECT_EQ(pixels[2], 127);
    EXPECT_EQ(pixels[3], 255);
    // Pixel 1 has value 9: angle pi, cos -1.
    EXPECT_EQ(pixels[4], 0);
    EXPECT_EQ(pixels[7], 0);
    // Sample k has length n/18; the longest (n = 17) is (0.944444, 0).
    EXPECT_NEAR(std::hypot(AmbientOcclusionGL::Kernel[24], AmbientOcclusionGL::Kernel[25]), 17.0 / 18.0, 1e-5);
    EXPECT_NEAR(std::hypot(AmbientOcclusionGL::Kernel[28], AmbientOcclusionGL::Kernel[29]), 1.0 / 18.0, 1e-5);
}

// Where the box stands on the ground the corner darkens; open ground does not.
TEST_F(DeferredPipelineGLWindow, AmbientOcclusionDarkensCreases) {
    buildOpaqueScene();
    const Vec3 crease{-2, 0.05f, -1.1f};
    const Vec3 open{4, 0.0f, -4};
    ASSERT_TRUE(frameMatches("opaque-scene"));
    int creaseLit = brightness(framePixelAt("opaque-scene", crease));
    int openLit = brightness(framePixelAt("opaque-scene", open));

    renderer->ambientOcclusion = true;
    for (int quality : {1, 0}) {
        renderer->ssaoQuality = quality;
        std::string name = quality ? "ambient-occlusion" : "ambient-occlusion-low";
        ASSERT_TRUE(frameMatches(name));
        EXPECT_LT(brightness(framePixelAt(name, crease)), creaseLit - 30) << name;
        EXPECT_NEAR(brightness(framePixelAt(name, open)), openLit, 6) << name;
    }
}

// The target gets the scene; the window keeps its clear colour. A second
// scene in the same frame then shows the target on a box.
TEST_F(DeferredPipelineGLWindow, TargetTextureLeavesTheWindowAloneAndFeedsASecondScene) {
    buildOpaqueScene();
    core::CountedRef<RenderableTexture> target(renderer->createRenderBuffer(64, 48));
    renderer->clearColor = {10, 20, 30, 255};
    renderer->beginRender();
    renderer->renderScene(scene.get(), camera.get(), target.get());
    std::string path = test::testOutputDirectory() + "/target-window-frame.png";
    renderer->saveScreenShot(path);
    core::Image window = core::Image::load(path);
    int untouched = 0;
    for (int y = 0; y < window.getHeight(); ++y)
        for (int x = 0; x < window.getWidth(); ++x)
            untouched += window.getPixel(x, y) == core::Image::Rgba{10, 20, 30, 255};
    EXPECT_EQ(untouched, window.getWidth() * window.getHeight());

    Material* screen = material("screen");
    screen->diffuseMap = target;
    screen->lighting = false;
    addMesh(*createBox(3, 2.25f, 0.1f), {0, 2, -4}, screen);
    renderer->renderScene(scene.get(), camera.get(), nullptr);
    EXPECT_TRUE(savedFrameMatches("second-scene"));
}

TEST_F(DeferredPipelineGLWindow, StatisticsCountVisibleMeshesAndDrawnSegments) {
    buildOpaqueScene();
    addGlassBox("glass", {0, 0, 255, 128}, {0, 1.5f, -3});
    MeshEntity* hidden = addMesh(*createBox(1, 1, 1), {0, 1, -5});
    hidden->setHidden(true);
    hidden->setDrawBoundBox(true);
    addMesh(*createBox(1, 1, 1), {0, 1, -30});  // behind the camera
    MeshEntity* boxed = addMesh(*createBox(1, 1, 1), {3, 0.5f, -4});
    boxed->setDrawBoundBox(true);
    LightEntity* ambient = addLight(LightEntity::Ambient, {0.1f, 0.1f, 0.1f});
    ambient->setDrawBoundBox(true);  // unbounded: no box

    DebugDraw::clear();
    pipeline().gather(*scene, *camera);
    EXPECT_EQ(DebugDraw::lines().size(), 12u);  // the one bounded, shown entity's box
    DebugDraw::clear();

    renderer->drawStats = true;
    renderer->beginRender();
    renderer->renderScene(scene.get(), camera.get(), nullptr);
    const RenderStats stats = renderStats();
    renderer->endRender();
    EXPECT_EQ(stats.visibleMeshes, 5);
    EXPECT_EQ(stats.visibleLights, 2);
    // Four opaque meshes in the geometry and material passes, the glass once.
    EXPECT_EQ(stats.drawSegments, 4 * 2 + 1);
    ASSERT_EQ(DebugDraw::texts().size(), 4u);
    EXPECT_EQ(DebugDraw::texts()[0].text, "Visible meshes:   5");
    EXPECT_EQ(DebugDraw::texts()[2].text, "Draw segments:    9");
    EXPECT_EQ(DebugDraw::texts()[3].position.y, 156.0f);
    DebugDraw::clear();
}

} // namespace

namespace {

// A library may store any number as a blend mode: one outside the known modes
// draws as opaque instead of reaching past the blend table.
TEST_F(DeferredPipelineGLWindow, UnknownBlendModeDrawsAsOpaque) {
    buildOpaqueScene();
    Material* odd = material("odd");
    odd->blendMode = 9;
    addMesh(*createBox(1, 1, 1), {0, 1, -3}, odd);
    renderer->beginRender();
    renderer->renderScene(scene.get(), camera.get(), nullptr);
    EXPECT_EQ(renderStats().drawSegments, 4 * 2);
    renderer->endRender();
}

} // namespace

namespace {

// The viewport counts y from the top; outside it the window keeps its clear colour.
TEST_F(DeferredPipelineGLWindow, SceneDrawsInsideTheViewportOnly) {
    buildOpaqueScene();
    renderer->clearColor = {10, 20, 30, 255};
    renderer->setViewport({16, 8, 96, 72});
    ASSERT_TRUE(frameMatches("viewport"));
    const core::Image::Rgba clear{10, 20, 30, 255};
    EXPECT_EQ(framePixel("viewport", 0.05f, 0.5f), clear);   // left of it
    EXPECT_EQ(framePixel("viewport", 0.5f, 0.04f), clear);   // above it
    EXPECT_EQ(framePixel("viewport", 0.5f, 0.96f), clear);   // below it
    EXPECT_NE(framePixel("viewport", 0.5f, 0.8f), clear);    // the floor inside it
}

TEST_F(DeferredPipelineGLWindow, ResizingRemakesTheBuffersAtTheNewSize) {
    buildOpaqueScene();
    renderer->resizeRenderBuffers(64, 48);
    EXPECT_EQ(pipeline().width(), 64);
    EXPECT_EQ(pipeline().finalBuffer().width(), 64);
    EXPECT_EQ(pipeline().geometryBuffer().height(), 48);
    EXPECT_EQ(pipeline().depthStencilBuffer().width(), 64);
    renderer->beginRender();
    renderer->renderScene(scene.get(), camera.get(), nullptr);
    renderer->endRender();
    EXPECT_EQ(renderStats().visibleMeshes, 3);
}

} // namespace

namespace {

// Segments past the entity's material list take the default material, not
// the mesh's own (here translucent, which would move them to the last pass).
TEST_F(DeferredPipelineGLWindow, SegmentsPastTheEntitysMaterialsUseTheDefaultMaterial) {
    addLight(LightEntity::Ambient, {0.8f, 0.8f, 0.8f});
    Material* glass = material("glass");
    glass->blendMode = int32_t(BlendMode::Translucent);
    std::unique_ptr<Mesh> box = createBox(2, 2, 2);
    box->clearSegments();
    for (int i = 0; i < 3; ++i) {
        MeshSegment& segment = box->addSegment();
        segment.material = core::CountedRef<Material>(glass);
        segment.firstIndex = i * 12;
        segment.count = 4;
    }
    Material* red = material("red");
    red->diffuseMap = core::CountedRef<RenderableTexture>(solidTexture({200, 30, 30, 255}));
    MeshEntity* entity = addMesh(*box, {0, 1, 0});
    entity->setMaterials({red});
    ASSERT_TRUE(frameMatches("default-material"));
    renderer->beginRender();
    renderer->renderScene(scene.get(), camera.get(), nullptr);
    EXPECT_EQ(renderStats().drawSegments, 3 * 2);
    renderer->endRender();
}

} // namespace

namespace {

// Where no opaque mesh is, the scene shows the clear colour (tone-mapped like
// everything else), and fog leaves it alone: it has no depth to fog by.
TEST_F(DeferredPipelineGLWindow, ClearColorShowsBehindTheScene) {
    buildOpaqueScene();
    renderer->clearColor = {40, 90, 160, 255};
    ASSERT_TRUE(frameMatches("clear-color-background"));
    core::Image::Rgba sky = framePixel("clear-color-background", 0.5f, 0.03f);
    EXPECT_GT(int(sky.blue), int(sky.green) + 20);
    EXPECT_GT(int(sky.green), int(sky.red) + 20);
    EXPECT_NE(framePixelAt("clear-color-background", {0, 0, -4}), sky);  // the ground is drawn over it

    renderer->fog = true;
    renderer->fogColor = {1, 0, 0};
    renderer->fogRange = {1, 2};
    renderer->beginRender();
    renderer->renderScene(scene.get(), camera.get(), nullptr);
    ASSERT_TRUE(savedFrameMatches("clear-color-fog"));
    EXPECT_EQ(framePixel("clear-color-fog", 0.5f, 0.03f), sky);
}

} // namespace

namespace {

// A bright slanted card on a black background: without anti-aliasing its
// edge is a staircase of full and empty pixels; FXAA blends the steps, so
// pixels between the two tones appear along the edge and nowhere else.
TEST_F(DeferredPipelineGLWindow, FxaaSoftensAHardEdge) {
    buildSlantedCard();
    ASSERT_TRUE(frameMatches("fxaa-off"));
    int hard = midTones("fxaa-off");
    renderer->fxaa = true;
    ASSERT_TRUE(frameMatches("fxaa-on"));
    int soft = midTones("fxaa-on");
    EXPECT_LE(hard, 2);
    EXPECT_GT(soft, 40);
    // The card's middle and the empty corners keep their tone.
    EXPECT_EQ(framePixel("fxaa-on", 0.5f, 0.5f), framePixel("fxaa-off", 0.5f, 0.5f));
    EXPECT_EQ(framePixel("fxaa-on", 0.02f, 0.02f), framePixel("fxaa-off", 0.02f, 0.02f));
}

} // namespace

namespace {

// A red decal lying on the ground, drawn before it: with the decal's depth
// bias pulling it toward the camera the ground cannot draw over it, so it
// shows whole; the ground beside it, unbiased, is untouched.
TEST_F(DeferredPipelineGLWindow, DepthBiasedDecalShowsOverACoplanarSurface) {
    Material* decal = material("decal");
    decal->diffuseMap = core::CountedRef<RenderableTexture>(solidTexture({220, 20, 20, 255}));
    decal->depthBias = -0.00005f;
    addMesh(*createPlane(4, 4), {0, 0, 0}, decal);
    Material* ground = material("ground");
    ground->diffuseMap = core::CountedRef<RenderableTexture>(solidTexture({40, 160, 40, 255}));
    addMesh(*createPlane(20, 20, 4, 4), {0, 0, 0}, ground);
    addLight(LightEntity::Ambient, {0.8f, 0.8f, 0.8f});

    ASSERT_TRUE(frameMatches("depth-bias-decal"));
    for (Vec3 p : {Vec3{0, 0, 0}, Vec3{-1.5f, 0, -1.5f}, Vec3{1.5f, 0, 1.5f}, Vec3{1.5f, 0, -1.5f}}) {
        core::Image::Rgba c = framePixelAt("depth-bias-decal", p);
        EXPECT_GT(int(c.red), int(c.green) + 60) << p.x << " " << p.z;
    }
    core::Image::Rgba beside = framePixelAt("depth-bias-decal", {4, 0, -3});
    EXPECT_GT(int(beside.green), int(beside.red) + 60);
}

} // namespace

namespace {

// Pixels of the saved frame for which the test holds.
int countPixels(const std::string& name, bool (*test)(const core::Image::Rgba&)) {
    core::Image image = core::Image::load(test::testOutputDirectory() + "/" + name + "-frame.png");
    int count = 0;
    for (int y = 0; y < image.getHeight(); ++y)
        for (int x = 0; x < image.getWidth(); ++x)
            count += test(image.getPixel(x, y));
    return count;
}

// Close up to a dim ball and box: the normals flag draws a white line from
// every vertex, the tangents flag a red, green and blue basis instead (and
// only where the mesh has tangents); meshes switched off still show them.
TEST_F(DeferredPipelineGLWindow, NormalAndTangentDebugLines) {
    auto boxMesh = createBox(1, 1, 1);
    computeTangentVectors(*boxMesh);
    MeshEntity* ball = addMesh(*createSphere(2), {-0.8f, 0, 0});
    MeshEntity* box = addMesh(*boxMesh, {0.9f, 0, 0});
    addLight(LightEntity::Ambient, {0.2f, 0.2f, 0.2f});
    camera->setPosition({0, 0.5f, -2.6f});
    camera->lookAt({0, 0, 0});
    auto white = [](const core::Image::Rgba& c) { return c.red > 240 && c.green > 240 && c.blue > 240; };
    // Red, green or blue: one channel far above another.
    auto coloured = [](const core::Image::Rgba& c) {
        return std::max({c.red, c.green, c.blue}) - std::min({c.red, c.green, c.blue}) > 120;
    };

    ASSERT_TRUE(frameMatches("debug-lines-off"));
    EXPECT_EQ(countPixels("debug-lines-off", white), 0);

    ball->setFlag(MeshEntity::DrawNormals, true);
    box->setFlag(MeshEntity::DrawNormals, true);
    ASSERT_TRUE(frameMatches("debug-normals"));
    EXPECT_GT(countPixels("debug-normals", white), 100);
    EXPECT_EQ(countPixels("debug-normals", coloured), 0);

    // Tangents win over normals; the ball has no tangents and shows nothing.
    ball->setFlag(MeshEntity::DrawTangents, true);
    box->setFlag(MeshEntity::DrawTangents, true);
    ASSERT_TRUE(frameMatches("debug-tangents"));
    EXPECT_GT(countPixels("debug-tangents", coloured), 15);
    EXPECT_EQ(countPixels("debug-tangents", white), 0);

    renderer->renderMeshes = false;
    ASSERT_TRUE(frameMatches("debug-tangents-without-meshes"));
    EXPECT_GT(countPixels("debug-tangents-without-meshes", coloured), 15);
}

} // namespace

namespace {

// The screen value of a mid-grey colour map fully lit: its sRGB byte decoded
// to linear, then the tone curve.
int litGreyOnScreen(int byte) {
    double s = byte / 255.0;
    double x = s <= 0.04045 ? s / 12.92 : std::pow((s + 0.055) / 1.055, 2.4);
    double mapped = x * (2.51 * x + 0.03) / (x * (2.43 * x + 0.59) + 0.14);
    return int(std::lround(std::clamp(mapped, 0.0, 1.0) * 255.0));
}

// The mesh passes read colour maps decoded from sRGB, whether the texture
// came from an image or from a file loaded as sRGB (decoded once, not twice);
// 2D drawing reads the same textures as before: the image's bytes as stored,
// the sRGB file decoded by its format.
TEST_F(DeferredPipelineGLWindow, ColourMapsAreReadDecodedFromSrgb) {
    TempDirectory folder;
    const core::Image::Rgba grey{128, 128, 128, 255};
    core::Image image(8, 8);
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x)
            image.setPixel(x, y, grey);
    writeDDS("grey.dds", image, DDSFile::Format::A8R8G8B8);
    RenderableTexture* fromImage = solidTexture(grey);
    core::CountedRef<RenderableTexture> fromSrgbFile(loadTexture("grey.dds", 0, true));
    Material* painted = material("painted");
    painted->diffuseMap = core::CountedRef<RenderableTexture>(fromImage);
    Material* loaded = material("loaded");
    loaded->diffuseMap = fromSrgbFile;
    addMesh(*createBox(2, 2, 0.2f), {-1.2f, 0, 0}, painted);
    addMesh(*createBox(2, 2, 0.2f), {1.2f, 0, 0}, loaded);
    addLight(LightEntity::Ambient, {1, 1, 1});
    camera->setPosition({0, 0, -6});
    camera->lookAt({0, 0, 0});

    ASSERT_TRUE(frameMatches("srgb-colour-maps"));
    const int expected = litGreyOnScreen(128);  // 83, where reading the bytes as they are gives 158
    for (Vec3 p : {Vec3{-1.2f, 0, -0.1f}, Vec3{1.2f, 0, -0.1f}}) {
        core::Image::Rgba seen = framePixelAt("srgb-colour-maps", p);
        EXPECT_NEAR(int(seen.red), expected, 2) << p.x;
        EXPECT_NEAR(int(seen.green), expected, 2) << p.x;
    }

    auto drawnFlat = [&](RenderableTexture* texture) {
        renderer->beginRender();
        renderer->drawFullScreen(texture);
        std::string path = test::testOutputDirectory() + "/srgb-drawn-frame.png";
        renderer->saveScreenShot(path);
        renderer->endRender();
        return int(core::Image::load(path).getPixel(FrameWidth / 2, FrameHeight / 2).red);
    };
    EXPECT_NEAR(drawnFlat(fromImage), 128, 1);
    EXPECT_NEAR(drawnFlat(fromSrgbFile.get()), 55, 1);  // 128 decoded
}

// A normal map holds directions: its bytes are used as stored. A map of the
// flat normal must light a face exactly as no map does (decoded, its 128s
// would turn into -0.57 and tilt the face away from the light).
TEST_F(DeferredPipelineGLWindow, NormalMapsAreReadAsStored) {
    auto card = createBox(2, 2, 0.2f);
    computeTangentVectors(*card);
    Material* mapped = material("mapped");
    mapped->normalMap = core::CountedRef<RenderableTexture>(solidTexture({128, 128, 255, 255}));
    Material* plain = material("plain");
    plain->glossiness = mapped->glossiness;
    addMesh(*card, {-1.2f, 0, 0}, mapped);
    addMesh(*card, {1.2f, 0, 0}, plain);
    LightEntity* light = addLight(LightEntity::Directional, {0.6f, 0.6f, 0.6f}, {0, 0, -6});
    light->node()->lookAt({0, 0, 0});
    camera->setPosition({0, 0, -6});
    camera->lookAt({0, 0, 0});

    ASSERT_TRUE(frameMatches("normal-map-as-stored"));
    core::Image::Rgba withMap = framePixelAt("normal-map-as-stored", {-1.2f, 0, -0.1f});
    core::Image::Rgba without = framePixelAt("normal-map-as-stored", {1.2f, 0, -0.1f});
    EXPECT_GT(int(without.red), 100);
    EXPECT_NEAR(int(withMap.red), int(without.red), 2);
}

} // namespace
