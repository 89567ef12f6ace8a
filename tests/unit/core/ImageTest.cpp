#include "core/Exception.h"
#include "core/Image.h"
#include "support/TempDirectory.h"

#include <gtest/gtest.h>

namespace {

using Rgba = core::Image::Rgba;

core::Image filled(int width, int height, Rgba (*color)(int x, int y)) {
    core::Image image(width, height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            image.setPixel(x, y, color(x, y));
    return image;
}

TEST(Image, PixelsAreStoredBlueGreenRedAlphaTopRowFirst) {
    core::Image image(2, 2);
    image.setPixel(1, 0, {1, 2, 3, 4});
    const uint8_t* bytes = image.data();
    EXPECT_EQ(std::vector<uint8_t>(bytes + 4, bytes + 8), (std::vector<uint8_t>{3, 2, 1, 4}));
    EXPECT_EQ(image.getPixel(1, 0), (Rgba{1, 2, 3, 4}));
    EXPECT_EQ(image.getPixelChecked(5, 0), (Rgba{0, 0, 0, 0}));
    image.setPixelChecked(-1, 0, {9, 9, 9, 9});
}

TEST(Image, SaveAndLoadKeepPixelsAndRowOrder) {
    TempDirectory folder;
    core::Image image = filled(3, 2, [](int x, int y) { return Rgba{uint8_t(x * 80), uint8_t(y * 100), 7, uint8_t(200 + x)}; });
    image.save("picture.png", true);
    core::Image loaded = core::Image::load("picture.png");
    ASSERT_EQ(loaded.getWidth(), 3);
    ASSERT_EQ(loaded.getHeight(), 2);
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 3; ++x)
            EXPECT_EQ(loaded.getPixel(x, y), image.getPixel(x, y)) << x << "," << y;

    // Without alpha the file has 24 bits, and loads back opaque.
    image.save("flat.bmp", false);
    core::Image flat = core::Image::load("flat.bmp");
    EXPECT_EQ(flat.getPixel(2, 1), (Rgba{160, 100, 7, 255}));
}

TEST(Image, LoadFailuresNameThePath) {
    TempDirectory folder;
    TempDirectory::write("noise.xyz", "definitely not an image");
    TempDirectory::write("broken.png", std::string("\x89PNG\r\n\x1a\n", 8) + "truncated");
    // An uncompressed 32-bit TGA header that claims 20000 x 20000 pixels.
    TempDirectory::write("huge.tga", std::string("\0\0\2\0\0\0\0\0\0\0\0\0\x20\x4e\x20\x4e\x20\x08", 18) + "abcd");
    struct {
        const char* path;
        const char* message;
    } cases[] = {
        {"missing.png", "File not found: missing.png"},
        {"huge.tga", "Error loading: huge.tga"},
        {"noise.xyz", "Unknown file format: noise.xyz"},
        {"broken.png", "Error loading: broken.png"},
    };
    for (const auto& c : cases) {
        try {
            core::Image::load(c.path);
            ADD_FAILURE() << c.path;
        } catch (const core::Exception& e) {
            EXPECT_STREQ(e.getMessage(), c.message);
        }
    }
    EXPECT_THROW(core::Image(1, 1).save("picture.unknownformat", true), core::Exception);
}

TEST(Image, BlitSkipsWhatFallsOutside) {
    core::Image source = filled(2, 2, [](int x, int y) { return Rgba{uint8_t(x + 1), uint8_t(y + 1), 0, 255}; });
    core::Image target(2, 2);
    target.blit(1, 1, source, 0, 0, 2, 2);
    EXPECT_EQ(target.getPixel(1, 1), (Rgba{1, 1, 0, 255}));
    EXPECT_EQ(target.getPixel(0, 0), (Rgba{0, 0, 0, 0}));
    target.blit(2, 2, source, 0, 0, 0, 0);
}

TEST(Image, HalvingBoxFiltersPowersOfTwoAndTentFiltersTheRest) {
    // 4x4: each result pixel averages a 2x2 block, rounded down.
    core::Image four = filled(4, 4, [](int x, int y) { return Rgba{uint8_t(x + 4 * y), 0, 0, 255}; });
    four.halve();
    ASSERT_EQ(four.getWidth(), 2);
    EXPECT_EQ(four.getPixel(0, 0).red, (0 + 1 + 4 + 5) / 4);
    EXPECT_EQ(four.getPixel(1, 1).red, (10 + 11 + 14 + 15) / 4);

    // 3x3: one pixel, tent-weighted around (1, 1); blue rounds each term down.
    core::Image three = filled(3, 3, [](int x, int y) {
        uint8_t v = uint8_t(10 * (x + 3 * y) + 15);
        return Rgba{v, v, v, v};
    });
    three.halve();
    ASSERT_EQ(three.getWidth(), 1);
    ASSERT_EQ(three.getHeight(), 1);
    int weights[9] = {1, 2, 1, 2, 4, 2, 1, 2, 1};
    int sum = 0, blue = 0;
    for (int i = 0; i < 9; ++i) {
        int v = 10 * i + 15;
        sum += v * weights[i];
        blue += v / (16 / weights[i]);
    }
    Rgba pixel = three.getPixel(0, 0);
    EXPECT_EQ(pixel.red, sum / 16);
    EXPECT_EQ(pixel.alpha, sum / 16);
    EXPECT_EQ(pixel.blue, blue);
    EXPECT_NE(blue, sum / 16);

    core::Image one(1, 1);
    one.halve();
    EXPECT_EQ(one.getWidth(), 0);
    EXPECT_EQ(one.dataSize(), 0u);
}

} // namespace
