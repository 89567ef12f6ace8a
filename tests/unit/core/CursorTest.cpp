#include "core/Cursor.h"
#include "core/Image.h"

#include <gtest/gtest.h>

namespace {

TEST(CursorPixels, AlphaFromHalfUpShowsTheColourOpaqueAndBelowIsTransparent) {
    struct Case {
        core::Image::Rgba pixel;
        uint32_t expected;
    } cases[] = {
        {{0x12, 0x34, 0x56, 255}, 0xFF123456u},
        {{0x12, 0x34, 0x56, 128}, 0xFF123456u},
        {{0x12, 0x34, 0x56, 127}, 0u},
        {{255, 255, 255, 0}, 0u},
    };
    core::Image image(4, 2);
    for (int x = 0; x < 4; ++x) {
        image.setPixel(x, 0, cases[x].pixel);
        image.setPixel(x, 1, {1, 2, 3, 0});
    }
    std::vector<uint32_t> pixels = core::cursorPixels(image);
    ASSERT_EQ(pixels.size(), 8u);
    for (int x = 0; x < 4; ++x) {
        EXPECT_EQ(pixels[x], cases[x].expected) << "pixel " << x;
        EXPECT_EQ(pixels[4 + x], 0u) << "second row, pixel " << x;
    }
}

} // namespace
