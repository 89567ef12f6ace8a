// 2D drawing on the Direct3D 9 renderer, against the pictures OpenGL draws.
#ifdef _WIN32
#include "engine/draw/Font.h"
#include "engine/draw/ImmediateMode.h"
#include "engine/render/d3d9/RendererD3D9.h"
#include "support/ImmediateModeFrames.h"
#include "support/SceneWindow.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

class ImmediateModeD3D9Window : public test::SceneWindow {
protected:
    void SetUp() override
    {
        renderEngine = engine::RenderEngineKind::D3D9;
        SceneWindow::SetUp();
        if (IsSkipped())
            return;
        font.reset(engine::Font::createBuiltin(1));
    }

    void TearDown() override
    {
        font.reset();
        SceneWindow::TearDown();
    }

    std::unique_ptr<engine::Font> font;
};

TEST_F(ImmediateModeD3D9Window, PrimitivesTextAndClippingMatchTheOpenGLReference)
{
    ASSERT_NE(engine::drawContext().backend(), nullptr);
    renderer->clearColor = {20, 20, 40, 255};
    renderer->beginRender();
    test::drawImmediateModeFrame(engine::drawContext(), *font, checkerTexture({255, 255, 255, 255}, {0, 0, 0, 255}));
    std::string path = test::testOutputDirectory() + "/immediate-mode-2d-d3d9-frame.png";
    renderer->saveScreenShot(path);
    test::expectImmediateModeFramePixels(core::Image::load(path));
    renderer->endRender();
    EXPECT_TRUE(test::matchesReference(path, "immediate-mode-2d"));
}

} // namespace
#endif
