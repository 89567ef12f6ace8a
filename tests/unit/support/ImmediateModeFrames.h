#pragma once

// The 2D reference frame every renderer must draw alike: primitives placed to
// the pixel, an image, translucency, text and a clip. Its picture is
// tests/reference/immediate-mode-2d.png.

#include "core/Image.h"
#include "engine/draw/Font.h"
#include "engine/draw/ImmediateMode.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace test {

// Draws the frame between beginDraw and endDraw; checker is an 8-pixel
// white and black checkerboard texture.
inline void drawImmediateModeFrame(engine::DrawContext& draw, engine::Font& font, engine::RenderableTexture* checker)
{
    const engine::Color red{255, 0, 0, 255}, white{255, 255, 255, 255};
    draw.beginDraw();
    draw.fillRect(10, 10, 20, 20, red);
    draw.drawRect(40, 10, 59, 29, {0, 255, 0, 255});
    draw.drawLine(70, 10, 120, 30, {255, 255, 0, 255});
    draw.fillRoundedRect(70, 40, 50, 24, 8, {80, 160, 255, 255});
    draw.fillPolygon({{10, 40}, {40, 40}, {25, 64}}, {255, 128, 0, 255});
    draw.drawImage(checker, 44, 40, 16, 16, 0, 0, 0.5f, 0.5f, white, 0);
    draw.setBlendMode(engine::DrawBlendMode::Translucent);
    draw.fillRect(50, 44, 20, 10, {255, 0, 255, 128});
    draw.drawText("Hi!\nquill", 4, 68, font, white);
    draw.pushState();
    draw.clipTo(90, 70, 110, 90);
    draw.fillRect(80, 66, 48, 30, {0, 200, 100, 255});
    draw.popState();
    draw.endDraw();
}

// Pixel-exact placement in the frame on a (20, 20, 40) background: filled
// rectangles cover [x, x + w), outlines sit on the corner pixels, the clip is half-open.
inline void expectImmediateModeFramePixels(const core::Image& frame)
{
    struct {
        int x, y, r, g, b;
    } const pixels[] = {
        {10, 10, 255, 0, 0},  {29, 29, 255, 0, 0},  {30, 30, 20, 20, 40},   {9, 10, 20, 20, 40},
        {40, 10, 0, 255, 0},  {59, 29, 0, 255, 0},  {50, 20, 20, 20, 40},   {90, 70, 0, 200, 100},
        {109, 89, 0, 200, 100}, {110, 80, 20, 20, 40}, {89, 80, 20, 20, 40}, {100, 69, 20, 20, 40},
    };
    for (const auto& p : pixels) {
        core::Image::Rgba got = frame.getPixel(p.x, p.y);
        EXPECT_TRUE(std::abs(got.red - p.r) <= 6 && std::abs(got.green - p.g) <= 6 && std::abs(got.blue - p.b) <= 6)
            << "pixel (" << p.x << ", " << p.y << ") is " << int(got.red) << ", " << int(got.green) << ", "
            << int(got.blue);
    }
}

} // namespace test
