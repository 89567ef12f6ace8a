// The deferred frame on Direct3D 9 against the pictures the OpenGL frame
// draws: a scene that uses only what both renderers have looks the same.
#ifdef _WIN32
#include "engine/render/d3d9/DeferredPipelineD3D9.h"
#include "engine/render/d3d9/RendererD3D9.h"
#include "engine/assets/MeshGeometry.h"
#include "support/DeferredFrames.h"

#include <gtest/gtest.h>

#include <algorithm>

using namespace engine;

namespace {

int brightness(const core::Image::Rgba& c)
{
    return int(c.red) + int(c.green) + int(c.blue);
}

class DeferredPipelineD3D9Window : public test::DeferredFrameWindow {
protected:
    void SetUp() override
    {
        renderEngine = RenderEngineKind::D3D9;
        DeferredFrameWindow::SetUp();
    }
};

// The checker map is decoded from sRGB by each renderer's own sampler; a few
// texels on the checkers' edges come out a level or two apart.
constexpr int CheckerEdgePixels = 16;

TEST_F(DeferredPipelineD3D9Window, OpaqueSceneMatchesTheSharedReference)
{
    ASSERT_NE(static_cast<RendererD3D9*>(renderer)->pipeline(), nullptr);
    buildOpaqueScene();
    EXPECT_TRUE(frameMatches("opaque-scene", CheckerEdgePixels));
    EXPECT_EQ(renderStats().visibleMeshes, 3);
    EXPECT_EQ(renderStats().drawSegments, 6); // geometry and material pass
}

// A material's parameters reach the surface programs: shifting the ground's
// checker map by one square swaps its colours, by two leaves it as it was.
TEST_F(DeferredPipelineD3D9Window, MaterialParametersReachTheSurfacePrograms)
{
    buildOpaqueScene();
    Material& ground = *materials.front(); // the scene's first material
    const float oneSquare[2] = {0.125f, 0}, twoSquares[2] = {0.25f, 0};
    ground.setParameter("g_texOffset", oneSquare, 2);
    EXPECT_FALSE(frameMatches("opaque-scene", 500));
    ground.setParameter("g_texOffset", twoSquares, 2);
    EXPECT_TRUE(frameMatches("opaque-scene", CheckerEdgePixels));
}

// A reset drops every default-pool texture: the scene buffers, the shadow map
// and cubes come back, and the next frame draws as before.
TEST_F(DeferredPipelineD3D9Window, DeviceResetMidRunRemakesTheFrameBuffers)
{
    buildLightScene();
    addPointLight({1, 1, 1}, {-2, 2.5f, 3}, 9)->setCastShadow(true);
    ASSERT_TRUE(frameMatches("point-shadow-soft", 16));
    ASSERT_TRUE(static_cast<RendererD3D9*>(renderer)->context()->device().reset());
    EXPECT_TRUE(frameMatches("point-shadow-soft", 16));
}

// A smaller target than the window: the frame is drawn at the render size.
TEST_F(DeferredPipelineD3D9Window, ResizedRenderBuffersDrawTheSameScene)
{
    buildOpaqueScene();
    renderer->resizeRenderBuffers(FrameWidth, FrameHeight);
    EXPECT_TRUE(frameMatches("opaque-scene", CheckerEdgePixels));
    EXPECT_EQ(static_cast<RendererD3D9*>(renderer)->pipeline()->width(), FrameWidth);
}

// A static map holds the blurred cube of the static casters only, and lives
// in the managed pool. A picture of its own: this renderer blurs static maps
// over the given cone, the other renders them sharp.
TEST_F(DeferredPipelineD3D9Window, StaticShadowMapOfSize512)
{
    buildLightScene();
    box->setFlag(MeshEntity::StaticShadow, true);
    LightEntity* light = addPointLight({1, 1, 1}, {-2, 2.5f, 3}, 9);
    light->setCastShadow(true);
    core::CountedRef<RenderableTexture> map(renderer->renderStaticShadowMap(light, 512, 3, 0));
    ASSERT_TRUE(map);
    EXPECT_EQ(map->getWidth(), 512);
    light->setStaticShadowMap(map.get());
    const Vec3 behindBox{-2, 0, -2};
    ASSERT_TRUE(frameMatches("point-shadow-static-d3d9", 4));
    EXPECT_LT(brightness(framePixelAt("point-shadow-static-d3d9", behindBox)), 60);
}

TEST_F(DeferredPipelineD3D9Window, EachLightKindAlone)
{
    buildLightScene();
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

// A spot marks its whole cone in the stencil; the pixels it leaves unlit must
// go back to 0 too, or the point light after it skips them.
TEST_F(DeferredPipelineD3D9Window, LightsLeaveTheStencilClearForTheNextOne)
{
    buildLightScene();
    LightEntity* spot = addLight(LightEntity::Spot, {1, 1, 1}, {0, 4, -2});
    spot->setLightRange(8);
    spot->setSpotAngle(0.4f);
    spot->node()->lookAt({0, 0, -2});
    addPointLight({0.2f, 1, 0.2f}, {3, 1, -3}, 4);
    EXPECT_TRUE(frameMatches("spot-then-point"));
    spot->node()->setComponent(Component::RenderEntityKind, nullptr);
    EXPECT_TRUE(frameMatches("point-after-no-spot"));
}

TEST_F(DeferredPipelineD3D9Window, TranslucentMeshesBlendBackToFrontAfterOpaqueOnes)
{
    buildOpaqueScene();
    MeshEntity* red = addGlassBox("red", {255, 0, 0, 128}, {0, 1.5f, -3});
    addGlassBox("blue", {0, 0, 255, 128}, {0.8f, 1.8f, -2});
    camera->setPosition({0, 2, -10});
    camera->lookAt({0, 1.5f, 0});
    // A few pixels where the panes' edges cross may round apart too.
    EXPECT_TRUE(frameMatches("translucent-order", CheckerEdgePixels + 8));
    red->setSortOffset(3);
    EXPECT_TRUE(frameMatches("translucent-sort-offset", CheckerEdgePixels + 8));
}

TEST_F(DeferredPipelineD3D9Window, FogAndTheClearColour)
{
    buildOpaqueScene();
    renderer->fog = true;
    renderer->fogColor = {0.6f, 0.7f, 0.9f};
    renderer->fogRange = {10, 60};
    EXPECT_TRUE(frameMatches("fog", CheckerEdgePixels));

    renderer->fog = false;
    renderer->clearColor = {40, 90, 160, 255};
    EXPECT_TRUE(frameMatches("clear-color-background", CheckerEdgePixels));
    // The sky has no depth to fog by.
    renderer->fog = true;
    renderer->fogColor = {1, 0, 0};
    renderer->fogRange = {1, 2};
    EXPECT_TRUE(frameMatches("clear-color-fog"));
}

// Both qualities against the OpenGL pictures: the crease where the box
// stands on the ground darkens, open ground does not.
TEST_F(DeferredPipelineD3D9Window, AmbientOcclusionDarkensCreases)
{
    buildOpaqueScene();
    const Vec3 crease{-2, 0.05f, -1.1f};
    ASSERT_TRUE(frameMatches("opaque-scene", CheckerEdgePixels));
    renderer->ambientOcclusion = true;
    for (int quality : {1, 0}) {
        renderer->ssaoQuality = quality;
        std::string name = quality ? "ambient-occlusion" : "ambient-occlusion-low";
        EXPECT_TRUE(frameMatches(name, CheckerEdgePixels)) << name;
        EXPECT_LT(brightness(framePixelAt(name, crease)), brightness(framePixelAt("opaque-scene", crease)) - 30)
            << name;
    }
}

TEST_F(DeferredPipelineD3D9Window, DiffuseMappingOffSamplesWhiteEverywhere)
{
    buildOpaqueScene();
    addGlassBox("glass", {0, 200, 0, 128}, {0, 1.5f, -3});
    renderer->diffuseMapping = false;
    EXPECT_TRUE(frameMatches("diffuse-mapping-off"));
}

TEST_F(DeferredPipelineD3D9Window, DebugViewsShowTheFirstBufferAskedFor)
{
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
        {true, true, true, true, "debug-normal-buffer"},
        {false, true, true, true, "debug-glossiness-buffer"},
        {false, false, true, true, "debug-light-buffer"},
    };
    for (const Case& c : cases) {
        renderer->drawNormalBuffer = c.normal;
        renderer->drawGlossinessBuffer = c.glossiness;
        renderer->drawLightBuffer = c.light;
        renderer->drawAmbientOcclusionBuffer = c.occlusion;
        EXPECT_TRUE(frameMatches(c.reference)) << c.reference;
    }
}

TEST_F(DeferredPipelineD3D9Window, FxaaSoftensAHardEdge)
{
    buildSlantedCard();
    ASSERT_TRUE(frameMatches("fxaa-off"));
    renderer->fxaa = true;
    ASSERT_TRUE(frameMatches("fxaa-on"));
    EXPECT_LE(midTones("fxaa-off"), 2);
    EXPECT_GT(midTones("fxaa-on"), 40);
}

TEST_F(DeferredPipelineD3D9Window, TargetTextureLeavesTheWindowAloneAndFeedsASecondScene)
{
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
    // A picture of its own: the target is the scene halved, whose nearest
    // reads fall exactly between two texels, and the renderers round those
    // apart; the layout and the way up are the other renderer's.
    EXPECT_TRUE(savedFrameMatches("second-scene-d3d9"));
}

TEST_F(DeferredPipelineD3D9Window, DepthBiasedDecalShowsOverACoplanarSurface)
{
    Material* decal = material("decal");
    decal->diffuseMap = core::CountedRef<RenderableTexture>(solidTexture({220, 20, 20, 255}));
    decal->depthBias = -0.00005f;
    addMesh(*createPlane(4, 4), {0, 0, 0}, decal);
    Material* ground = material("ground");
    ground->diffuseMap = core::CountedRef<RenderableTexture>(solidTexture({40, 160, 40, 255}));
    addMesh(*createPlane(20, 20, 4, 4), {0, 0, 0}, ground);
    addLight(LightEntity::Ambient, {0.8f, 0.8f, 0.8f});
    EXPECT_TRUE(frameMatches("depth-bias-decal"));
}

// The lines go through the debug drawing, whose line edges differ from the
// other renderer's by a pixel here and there: counted, not compared.
TEST_F(DeferredPipelineD3D9Window, NormalAndTangentDebugLines)
{
    auto boxMesh = createBox(1, 1, 1);
    computeTangentVectors(*boxMesh);
    MeshEntity* ball = addMesh(*createSphere(2), {-0.8f, 0, 0});
    MeshEntity* box = addMesh(*boxMesh, {0.9f, 0, 0});
    addLight(LightEntity::Ambient, {0.2f, 0.2f, 0.2f});
    camera->setPosition({0, 0.5f, -2.6f});
    camera->lookAt({0, 0, 0});
    auto count = [&](const std::string& name, auto&& keep) {
        core::Image image = core::Image::load(test::testOutputDirectory() + "/" + name + "-frame.png");
        int n = 0;
        for (int y = 0; y < image.getHeight(); ++y)
            for (int x = 0; x < image.getWidth(); ++x)
                n += keep(image.getPixel(x, y));
        return n;
    };
    auto white = [](const core::Image::Rgba& c) { return c.red > 240 && c.green > 240 && c.blue > 240; };
    auto coloured = [](const core::Image::Rgba& c) {
        return std::max({c.red, c.green, c.blue}) - std::min({c.red, c.green, c.blue}) > 120;
    };
    ball->setFlag(MeshEntity::DrawNormals, true);
    box->setFlag(MeshEntity::DrawNormals, true);
    frameMatches("debug-normals", 1000);
    EXPECT_GT(count("debug-normals", white), 100);
    EXPECT_EQ(count("debug-normals", coloured), 0);
    ball->setFlag(MeshEntity::DrawTangents, true);
    box->setFlag(MeshEntity::DrawTangents, true);
    renderer->renderMeshes = false;
    frameMatches("debug-tangents-without-meshes", 1000);
    EXPECT_GT(count("debug-tangents-without-meshes", coloured), 15);
    EXPECT_EQ(count("debug-tangents-without-meshes", white), 0);
}

TEST_F(DeferredPipelineD3D9Window, PointLightShadowsByQuality)
{
    buildLightScene();
    LightEntity* light = addPointLight({1, 1, 1}, {-2, 2.5f, 3}, 9);
    ASSERT_TRUE(frameMatches("point-shadow-off"));
    light->setCastShadow(true);
    renderer->shadowQuality = 1;
    // Shadow edges may move by a map texel between the renderers' rasterisers.
    EXPECT_TRUE(frameMatches("point-shadow-soft", 16));
    renderer->shadowQuality = 0;
    EXPECT_TRUE(frameMatches("point-shadow-hard", 16));
    // A static map that is not a cube cannot be read as one.
    renderer->shadowQuality = 1;
    light->setStaticShadowMap(solidTexture({255, 255, 255, 255}));
    EXPECT_TRUE(frameMatches("point-shadow-soft", 16));
    renderer->renderShadows = false;
    EXPECT_TRUE(frameMatches("point-shadow-off"));
}

// The sun's four cascades against the same pictures as on OpenGL: the near
// pillar's and the far box's shadows from different cascades, no seam along
// the open ground, the shadow faded out past a short shadow distance, and no
// cascades with RenderShadows off.
constexpr int SunShadowEdgePixels = 24;

TEST_F(DeferredPipelineD3D9Window, SunCascadesShadowNearAndFarWithoutASeam)
{
    LightEntity* sun = buildSunScene();
    ASSERT_TRUE(frameMatches("sun-unshadowed"));
    sun->setCastShadow(true);
    // Direct3D's map texels hold the casters half a texel off the other
    // renderer's, so pixels on a shadow's edge may read the neighbouring
    // texel; a seam between cascades would be a whole row of pixels.
    EXPECT_TRUE(frameMatches("sun-cascades", SunShadowEdgePixels));
    EXPECT_GT(renderStats().shadowSegments, 0);
    sun->setMaxShadowDistance(15);
    EXPECT_TRUE(frameMatches("sun-short-shadow-distance", SunShadowEdgePixels));
    sun->setMaxShadowDistance(60);
    renderer->renderShadows = false;
    renderStats() = RenderStats{};
    EXPECT_TRUE(frameMatches("sun-unshadowed"));
    EXPECT_EQ(renderStats().shadowSegments, 0);
}

// The same spot as on OpenGL, hard and blurred: its map holds the same
// moments, read through Direct3D's texel centres.
TEST_F(DeferredPipelineD3D9Window, SpotShadowsHardAndBlurred)
{
    buildLightScene();
    LightEntity* spot = addLight(LightEntity::Spot, {1, 1, 1}, {-2, 5, 3});
    spot->setLightRange(12);
    spot->setSpotAngle(1.4f);
    spot->setSpotSharpness(0.6f);
    spot->node()->lookAt({-2, 0, -1});
    ASSERT_TRUE(frameMatches("spot-shadow-off"));
    spot->setCastShadow(true);
    renderer->shadowQuality = 0;
    // A hard edge may fall a map texel apart between the renderers.
    EXPECT_TRUE(frameMatches("spot-shadow-hard", 64));
    renderer->shadowQuality = 1;
    EXPECT_TRUE(frameMatches("spot-shadow-soft", 64));
    EXPECT_GT(renderStats().shadowSegments, 0);
    renderer->renderShadows = false;
    EXPECT_TRUE(frameMatches("spot-shadow-off"));
}

// Particles go through the transparent pass, blended over the scene and
// faded by its depth, as on the other renderer.
TEST_F(DeferredPipelineD3D9Window, ParticlesDrawInTheTransparentPass)
{
    buildParticleScene();
    ParticleEntity* fountain = addSparkFountain();
    ASSERT_GT(fountain->instances()[0].alive, 100u);
    // Sparks two to four pixels across, a few hundred of them: their rims
    // come out apart between the renderers, their places and colours do not.
    EXPECT_TRUE(frameMatches("particles-fountain", 320));
    core::Image::Rgba lit = framePixelAt("particles-fountain", {1, 1.5f, 0});
    EXPECT_GT(int(lit.red), 150);
    EXPECT_GT(int(lit.red), int(lit.blue) + 60) << "the sparks' orange";
    fountain->setHidden(true);
    EXPECT_TRUE(frameMatches("particles-hidden", CheckerEdgePixels));
    // Without meshes the particles still show, over the clear colour.
    fountain->setHidden(false);
    renderer->renderMeshes = false;
    renderer->beginRender();
    renderer->renderScene(scene.get(), camera.get(), nullptr);
    renderer->saveScreenShot(test::testOutputDirectory() + "/particles-without-meshes-frame.png");
    renderer->endRender();
    EXPECT_EQ(renderStats().drawSegments, 0);
    EXPECT_GT(int(framePixelAt("particles-without-meshes", {1, 1.5f, 0}).red), 150);
}

TEST_F(DeferredPipelineD3D9Window, ParticleSpriteFramesAndSceneDepth)
{
    buildParticleScene();
    ParticleEmitter* frames = nullptr;
    ParticleEntity* sheet = addSpriteSheetParticle(frames);
    float age = 0;
    for (float next : {0.5f, 1.5f, 2.5f, 3.5f, 4.5f}) {
        sheet->update(next - age);
        age = next;
        std::string name = "particles-frame-" + std::to_string(int(age));
        EXPECT_TRUE(frameMatches(name, CheckerEdgePixels)) << name;
    }
    frames->opacity = 0.5f;
    EXPECT_TRUE(frameMatches("particles-half-opacity", CheckerEdgePixels));
    // Hidden behind the crate; faded where it touches it; whole clear of it.
    struct Case {
        const char* reference;
        float opacity;
        Vec3 position;
    } cases[] = {
        {"particles-behind-crate", 0.5f, {-2.5f, 1, 4}},
        {"particles-soft-edge", 1, {-2.5f, 1, -0.1f}},
        {"particles-clear-of-surface", 1, {-2.5f, 1, -1}},
    };
    for (const Case& c : cases) {
        frames->opacity = c.opacity;
        sheet->node()->setPosition(c.position);
        sheet->reset();
        sheet->update(0.5f);
        EXPECT_TRUE(frameMatches(c.reference, CheckerEdgePixels)) << c.reference;
    }
}

// The bones reach the vertex programs of the mesh passes.
TEST_F(DeferredPipelineD3D9Window, SkinnedMeshDrawsInItsPose)
{
    addBentArm();
    addLight(LightEntity::Ambient, {0.9f, 0.9f, 0.9f});
    renderer->clearColor = {0, 0, 0, 255};
    EXPECT_TRUE(frameMatches("skinned-bend"));
}

// And those of the shadow casters.
TEST_F(DeferredPipelineD3D9Window, SkinnedCasterCastsItsPosedShadow)
{
    buildSkinnedShadowScene();
    // Shadow edges, and the arm's faces the light only grazes, may fall a
    // map texel apart between the renderers.
    EXPECT_TRUE(frameMatches("skinned-shadow", 100));
    EXPECT_GT(skinnedShadowContrast(), 120);
}

TEST_F(DeferredPipelineD3D9Window, WireframeOutlinesMeshes)
{
    buildLightScene();
    addLight(LightEntity::Ambient, {0.8f, 0.8f, 0.8f});
    renderer->clearColor = {0, 0, 0, 255};
    renderer->wireframe = true;
    EXPECT_TRUE(frameMatches("wireframe"));
    renderer->wireframe = false;
    EXPECT_TRUE(frameMatches("wireframe-off"));
}

} // namespace
#endif
