#include "engine/assets/MeshPrimitives.h"
#include "engine/draw/DebugDraw.h"
#include "engine/draw/Font.h"
#include "engine/draw/Graphics.h"
#include "engine/draw/ImmediateMode.h"
#include "engine/render/gl/ImmediateModeGL.h"
#include "engine/render/gl/RendererGL.h"
#include "support/ExceptionMessage.h"
#include "support/ImmediateModeFrames.h"
#include "support/SceneWindow.h"
#include "support/TempDirectory.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>

using namespace engine;

namespace {

constexpr Color White{255, 255, 255, 255};

class ImmediateModeGLWindow : public test::SceneWindow {
protected:
    void SetUp() override {
        SceneWindow::SetUp();
        if (IsSkipped())
            return;
        font.reset(Font::createBuiltin(1));
    }

    void TearDown() override {
        font.reset();
        SceneWindow::TearDown();
    }

    core::Image saved(const std::string& name) {
        std::string path = test::testOutputDirectory() + "/" + name + "-frame.png";
        renderer->saveScreenShot(path);
        return core::Image::load(path);
    }

    DrawContext& draw = drawContext();
    std::unique_ptr<Font> font;
};

bool isColor(core::Image::Rgba pixel, int r, int g, int b) {
    return std::abs(pixel.red - r) <= 6 && std::abs(pixel.green - g) <= 6 && std::abs(pixel.blue - b) <= 6;
}

TEST_F(ImmediateModeGLWindow, TheRendererOwnsTheBackendAndResetsTheStateEachFrame) {
    ASSERT_NE(draw.backend(), nullptr);
    ASSERT_TRUE(static_cast<RendererGL*>(renderer)->immediateMode()->hasPrograms());
    ASSERT_NE(Graphics::current(), nullptr);
    draw.pushState();
    draw.clipTo(5, 5, 10, 10);
    renderer->beginRender();
    EXPECT_EQ(draw.stateDepth(), 1u);
    EXPECT_EQ(draw.state().clip, (ClipRect{0, 0, FrameWidth, FrameHeight}));
    EXPECT_EQ(draw.state().blendMode, DrawBlendMode::Translucent);
    EXPECT_EQ(messageOf([&] { draw.popState(); }), "can't pop empty stack");
    renderer->endRender();
}

TEST_F(ImmediateModeGLWindow, PrimitivesTextAndClippingMatchTheirReference) {
    renderer->clearColor = {20, 20, 40, 255};
    renderer->beginRender();
    test::drawImmediateModeFrame(draw, *font, checkerTexture({255, 255, 255, 255}, {0, 0, 0, 255}));
    test::expectImmediateModeFramePixels(saved("immediate-mode-2d"));
    renderer->endRender();
    EXPECT_TRUE(test::matchesReference(test::testOutputDirectory() + "/immediate-mode-2d-frame.png",
                                       "immediate-mode-2d"));
}

// Rectangles and images in turn: each image batch follows a rectangle batch,
// and every shape still lands in order, in its own colours; an image whose
// texture changes after it was drawn keeps the picture it had.
TEST_F(ImmediateModeGLWindow, RectanglesAndImagesInTurnKeepTheirOrderAndColours) {
    core::Image bluePicture(2, 2);
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 2; ++x)
            bluePicture.setPixel(x, y, {0, 0, 255, 255});
    std::unique_ptr<RenderableTexture> texture(createTexture(bluePicture));
    renderer->clearColor = {0, 0, 0, 255};
    renderer->beginRender();
    draw.beginDraw();
    draw.fillRect(10, 10, 20, 20, {255, 0, 0, 255});
    draw.drawImage(texture.get(), 20, 20, 20, 20, 0, 0, 1, 1, White, 0);
    draw.fillRect(30, 30, 20, 20, {0, 255, 0, 128});
    draw.drawImage(texture.get(), 60, 10, 10, 10, 0, 0, 1, 1, {255, 255, 255, 128}, 0);
    draw.fillRect(60, 30, 10, 10, {255, 255, 0, 255});
    core::Image redPicture(2, 2);
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 2; ++x)
            redPicture.setPixel(x, y, {255, 0, 0, 255});
    texture->createFromImage(redPicture);
    draw.drawImage(texture.get(), 80, 10, 10, 10, 0, 0, 1, 1, White, 0);
    draw.endDraw();
    core::Image shot = saved("immediate-mode-in-turn");
    renderer->endRender();
    struct Case {
        int x, y, r, g, b;
    } cases[] = {
        {15, 15, 255, 0, 0},   // the first rectangle
        {25, 25, 0, 0, 255},   // the image over it
        {35, 35, 0, 128, 127}, // the translucent rectangle over the image
        {45, 45, 0, 128, 0},   // and over the background
        {65, 15, 0, 0, 128},   // a translucent image
        {65, 35, 255, 255, 0}, // a rectangle after it
        {85, 15, 255, 0, 0},   // the texture's new picture
        {5, 5, 0, 0, 0},
    };
    for (const Case& c : cases)
        EXPECT_TRUE(isColor(shot.getPixel(c.x, c.y), c.r, c.g, c.b)) << c.x << ", " << c.y;
}

// Each byte is its glyph's quad at the pen; a newline goes back to the line
// start one line lower; a byte without a glyph advances by nothing.
TEST_F(ImmediateModeGLWindow, TextQuadsFollowThePen) {
    renderer->beginRender();
    draw.beginDraw();
    draw.drawText("Ab\x01\nc", 10.7f, 20.2f, *font, White);
    ASSERT_EQ(draw.batchKind(), PrimitiveKind::Quads);
    EXPECT_EQ(draw.batchTexture(), font->getTexture());
    ASSERT_EQ(draw.batchSize(), 3u * 4);
    const DrawVertex* v = draw.batchVertices();
    const Glyph& a = font->getGlyph('A');
    const Glyph& b = font->getGlyph('b');
    const Glyph& c = font->getGlyph('c');
    EXPECT_EQ(v[0].x, 10 + a.offsetX);
    EXPECT_EQ(v[0].y, 20 + a.offsetY);
    EXPECT_EQ(v[2].x, 10 + a.offsetX + a.width);
    EXPECT_EQ(v[0].u, a.texLeft);
    EXPECT_EQ(v[2].v, a.texBottom);
    EXPECT_EQ(v[4].x, 10 + a.advance + b.offsetX);
    EXPECT_EQ(v[8].x, 10 + c.offsetX);
    EXPECT_EQ(v[8].y, 20 + font->getLineHeight() + c.offsetY);
    draw.endDraw();
    renderer->endRender();
}

// A full-screen shader pass into a target, then the target through a second
// shader into the window.
TEST_F(ImmediateModeGLWindow, ShaderPassesDrawIntoTargetsAndBlitToTheWindow) {
    TempDirectory dir;
    TempDirectory::write("Gradient.fsh", "#version 120\nvarying vec2 vTexcoord;\n"
                                         "void main() { gl_FragColor = vec4(vTexcoord.x, vTexcoord.y, 0.5, 1.0); }\n");
    TempDirectory::write("Invert.fsh", "#version 120\nuniform sampler2D sourceTex;\nvarying vec2 vTexcoord;\n"
                                       "void main() { gl_FragColor = vec4(1.0 - texture2D(sourceTex, vTexcoord).rgb, "
                                       "1.0); }\n");
    std::unique_ptr<RenderableShader> gradient(renderer->createRenderableShader());
    gradient->loadPostProcessShader("Gradient.fsh");
    std::unique_ptr<RenderableShader> invert(renderer->createRenderableShader());
    invert->loadPostProcessShader("Invert.fsh");
    core::CountedRef<RenderableTexture> target(renderer->createRenderBuffer(64, 48));
    Graphics& graphics = *Graphics::current();

    renderer->beginRender();
    graphics.setRenderTarget(target.get());
    graphics.clear({0, 0, 0, 0});
    graphics.useShader(gradient.get());
    graphics.drawFullScreenQuad();
    graphics.blit(target.get(), nullptr, nullptr);
    core::Image copied = saved("graphics-copy");
    // Window rows run top to bottom, texture coordinates bottom to top.
    core::Image::Rgba topLeft = copied.getPixel(0, 0), bottomRight = copied.getPixel(FrameWidth - 1, FrameHeight - 1);
    EXPECT_LT(topLeft.red, 10);
    EXPECT_GT(topLeft.green, 245);
    EXPECT_GT(bottomRight.red, 245);
    EXPECT_LT(bottomRight.green, 10);

    graphics.blit(target.get(), nullptr, invert.get());
    core::Image inverted = saved("graphics-shader-pass");
    EXPECT_GT(inverted.getPixel(0, 0).red, 245);
    EXPECT_LT(inverted.getPixel(0, 0).green, 10);
    renderer->endRender();
    EXPECT_TRUE(test::matchesReference(test::testOutputDirectory() + "/graphics-shader-pass-frame.png",
                                       "graphics-shader-pass"));
    EXPECT_EQ(messageOf([&] { graphics.useShader(nullptr); }), "Shader has no full-screen program");
}

// A picture blitted to the window stands upright, as on Direct3D 9: its
// first row (red) at the top, its last (blue) at the bottom.
TEST_F(ImmediateModeGLWindow, BlittedPicturesStandUpright) {
    core::Image picture(4, 4);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 4; ++x)
            picture.setPixel(x, y, y < 2 ? core::Image::Rgba{255, 0, 0, 255} : core::Image::Rgba{0, 0, 255, 255});
    std::unique_ptr<RenderableTexture> texture(createTexture(picture));
    renderer->beginRender();
    Graphics::current()->blit(texture.get(), nullptr, nullptr);
    core::Image shot = saved("graphics-picture");
    EXPECT_EQ(shot.getPixel(FrameWidth / 2, 2), (core::Image::Rgba{255, 0, 0, 255}));
    EXPECT_EQ(shot.getPixel(FrameWidth / 2, FrameHeight - 3), (core::Image::Rgba{0, 0, 255, 255}));
    renderer->endRender();
}

TEST_F(ImmediateModeGLWindow, DebugShapesAndLabelsDrawOverTheSceneOnce) {
    Material* ground = material("ground");
    ground->diffuseMap = core::CountedRef<RenderableTexture>(solidTexture({120, 120, 120, 255}));
    addMesh(*createPlane(20, 20, 1, 1), {0, 0, 0}, ground);
    addLight(LightEntity::Ambient, {0.8f, 0.8f, 0.8f});
    DebugDraw::clear();
    DebugDraw::drawBox({-3, 0.05f, -1}, {-1, 2, 1}, Mat4x3::identity(), 0xFFFF00FF);
    DebugDraw::drawSphere({2, 1, 0}, 1, 4, 0x00FFFFFF);
    Mat4x3 base = Mat4x3::identity();
    base.pos = {0, 0.1f, -3};
    DebugDraw::drawBase(base, 2);
    DebugDraw::drawText("2D", {4, 4});
    DebugDraw::drawText3D("3D", {0, 3, 0});
    DebugDraw::drawText3D("behind", {0, 4, -20});  // behind the camera: left out
    // A slab of magenta lines through a solid box: its far half is hidden.
    Material* crate = material("crate");
    crate->diffuseMap = core::CountedRef<RenderableTexture>(solidTexture({40, 40, 200, 255}));
    addMesh(*createBox(1, 1, 1), {0, 0.5f, 0}, crate);
    for (float y = 0.3f; y <= 0.7f; y += 0.02f)
        for (float x = -0.3f; x <= 0.3f; x += 0.02f)
            DebugDraw::drawLine({x, y, -2.5f}, {x, y, 2.5f}, 0xFF00FFFF);
    EXPECT_TRUE(frameMatches("debug-shapes"));
    EXPECT_TRUE(isColor(framePixelAt("debug-shapes", {0, 0.5f, -2}), 255, 0, 255));
    EXPECT_FALSE(isColor(framePixelAt("debug-shapes", {0, 0.5f, 2}), 255, 0, 255));
    EXPECT_TRUE(DebugDraw::lines().empty());
    EXPECT_TRUE(DebugDraw::texts().empty());
    EXPECT_TRUE(DebugDraw::worldTexts().empty());
    EXPECT_FALSE(draw.isDrawing());
}

class StatisticsOverlayWindow : public test::RendererWindow {
protected:
    void SetUp() override {
        core::addSearchPath(QUILL_DATA_DIR);
        RendererWindow::SetUp();
    }

    void TearDown() override {
        RendererWindow::TearDown();
        core::removeSearchPath(QUILL_DATA_DIR);
    }

    // Bright pixels where the overlay's four lines go.
    int overlayPixels(engine::Renderer& renderer) {
        std::string path = test::testOutputDirectory() + "/statistics-overlay-frame.png";
        renderer.saveScreenShot(path);
        core::Image frame = core::Image::load(path);
        int count = 0;
        for (int y = 120; y < 170; ++y)
            for (int x = 50; x < 250; ++x) {
                core::Image::Rgba pixel = frame.getPixel(x, y);
                count += pixel.red + pixel.green + pixel.blue > 300;
            }
        return count;
    }
};

// The counters of one frame are queued at its end and drawn over the next
// frame's scene.
TEST_F(StatisticsOverlayWindow, DrawStatsShowsTheCountersOverTheNextScene) {
    Renderer& renderer = *m_systems->renderer();
    std::unique_ptr<Scene> scene(Scene::createSimple());
    std::unique_ptr<Camera> camera(Camera::perspective(1.0f, 0.75f, 0.5f, 100.0f));
    renderer.drawStats = true;
    DebugDraw::clear();
    renderer.beginRender();
    renderer.renderScene(scene.get(), camera.get(), nullptr);
    EXPECT_EQ(overlayPixels(renderer), 0);
    renderer.endRender();
    EXPECT_EQ(DebugDraw::texts().size(), 4u);
    renderer.beginRender();
    renderer.renderScene(scene.get(), camera.get(), nullptr);
    EXPECT_GT(overlayPixels(renderer), 200);
    EXPECT_TRUE(DebugDraw::texts().empty());
    renderer.drawStats = false;
    renderer.endRender();
    DebugDraw::clear();
}

} // namespace
