#include "core/Exception.h"
#include "core/Image.h"
#include "support/TempDirectory.h"

#include <FreeImage.h>
#include <gtest/gtest.h>

#include <cstring>

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

// Headers that promise more than the file holds or the host loads, in the
// formats whose headers the library trusts. Each is refused before the
// library allocates anything.
TEST(Image, HostileHeadersAreRefusedBeforeDecoding) {
    TempDirectory folder;
    auto hex = [](std::initializer_list<int> bytes) { return std::string(bytes.begin(), bytes.end()); };
    auto big16 = [](int v) { return std::string{char(v >> 8), char(v & 255)}; };
    auto little16 = [](int v) { return std::string{char(v & 255), char(v >> 8)}; };
    std::string gifScreen = "GIF89a" + little16(65535) + little16(65535) + std::string("\x80\0\0\0\0\0\xff\xff\xff", 9);
    std::string sgi = big16(474) + std::string("\0\1", 2) + big16(3) + big16(16000) + big16(16000) + big16(3);
    sgi.resize(600);
    struct {
        const char* path;
        std::string content;
        const char* message;
    } cases[] = {
        // The library frees these pictures when decoding fails and still returns them.
        {"crash1.tga", hex({0x0a, 0x08, 0x0a, 0x00, 0x02, 0x02, 0x00, 0x20, 0x08, 0x01, 0x08, 0x01, 0x20, 0x08, 0x01, 0x00, 0x20, 0x01}),
         "Error loading: crash1.tga"},
        {"crash2.tga", hex({0x2f, 0x08, 0x0a, 0x00, 0x00, 0x00, 0x00, 0x20, 0x08, 0x01, 0x44, 0x00, 0x00, 0x11, 0x22, 0x00, 0x20, 0x44}),
         "Error loading: crash2.tga"},
        // A sound header whose pixels are missing.
        {"short.tga", std::string("\0\0\2\0\0\0\0\0\0\0\0\0\x10\0\x10\0\x20\x08", 18) + std::string(100, 'x'),
         "Error loading: short.tga"},
        {"screen.gif", gifScreen + ",\0\0\0\0\x01\0\x01\0\0\x02\x02\x44\x01\0;", "Error loading: screen.gif"},
        {"frame.gif", "GIF89a" + little16(1) + little16(1) + std::string("\0\0\0,\0\0\0\0\xff\xff\xff\xff\0\x02\x02\x44\x01\0;", 22),
         "Error loading: frame.gif"},
        {"wide.wbmp", std::string("\0\0\x83\xd4\x60\x83\xd4\x60", 8) + std::string(16, '\0'), "Error loading: wide.wbmp"},
        {"tall.sgi", sgi, "Error loading: tall.sgi"},
        // No header of its own to check first: not handed to the library at all.
        {"picture.pct", std::string(600, '\x11'), "No image loader: picture.pct"},
    };
    for (const auto& c : cases) {
        TempDirectory::write(c.path, c.content);
        try {
            core::Image::load(c.path);
            ADD_FAILURE() << c.path;
        } catch (const core::Exception& e) {
            EXPECT_STREQ(e.getMessage(), c.message);
        }
    }
}

// 16 bits a channel keep their high byte; floating point is no picture the host keeps.
TEST(Image, SixteenBitChannelsLoadAsEightBitsAndFloatsAreRefused) {
    TempDirectory folder;
    FIBITMAP* rgb = FreeImage_AllocateT(FIT_RGB16, 2, 1);
    FIBITMAP* rgba = FreeImage_AllocateT(FIT_RGBA16, 2, 1);
    auto* rgbPixels = reinterpret_cast<FIRGB16*>(FreeImage_GetScanLine(rgb, 0));
    auto* rgbaPixels = reinterpret_cast<FIRGBA16*>(FreeImage_GetScanLine(rgba, 0));
    rgbPixels[1] = {0x1234, 0xABCD, 0xFF00};
    rgbaPixels[1] = {0x1234, 0xABCD, 0xFF00, 0x8080};
    ASSERT_TRUE(FreeImage_Save(FIF_PNG, rgb, "rgb16.png", 0));
    ASSERT_TRUE(FreeImage_Save(FIF_PNG, rgba, "rgba16.png", 0));
    FIBITMAP* floats = FreeImage_AllocateT(FIT_RGBF, 2, 1);
    ASSERT_TRUE(FreeImage_Save(FIF_PFM, floats, "floats.pfm", 0));
    for (FIBITMAP* bitmap : {rgb, rgba, floats})
        FreeImage_Unload(bitmap);

    core::Image fromRgb = core::Image::load("rgb16.png");
    EXPECT_EQ(fromRgb.getPixel(1, 0), (Rgba{0x12, 0xAB, 0xFF, 255}));
    EXPECT_EQ(fromRgb.getPixel(0, 0), (Rgba{0, 0, 0, 255}));
    EXPECT_EQ(core::Image::load("rgba16.png").getPixel(1, 0), (Rgba{0x12, 0xAB, 0xFF, 0x80}));
    try {
        core::Image::load("floats.pfm");
        ADD_FAILURE() << "floats.pfm";
    } catch (const core::Exception& e) {
        EXPECT_STREQ(e.getMessage(), "Unknown bitmap type: floats.pfm");
    }
}

// Hard colour edges are where the fast and the accurate DCT part.
TEST(Image, JpegsDecodeWithTheAccurateTransform) {
    TempDirectory folder;
    FIBITMAP* source = FreeImage_Allocate(32, 32, 24);
    for (unsigned y = 0; y < 32; ++y) {
        BYTE* row = FreeImage_GetScanLine(source, y);
        for (unsigned x = 0; x < 32; ++x, row += 3) {
            bool red = ((x / 3) + (y / 5)) % 2 != 0;
            row[FI_RGBA_RED] = red ? 255 : 0;
            row[FI_RGBA_GREEN] = BYTE(x * 7);
            row[FI_RGBA_BLUE] = red ? 0 : 255;
        }
    }
    ASSERT_TRUE(FreeImage_Save(FIF_JPEG, source, "edges.jpg", JPEG_QUALITYNORMAL));
    FreeImage_Unload(source);
    FIBITMAP* accurate = FreeImage_Load(FIF_JPEG, "edges.jpg", JPEG_ACCURATE);
    FIBITMAP* fast = FreeImage_Load(FIF_JPEG, "edges.jpg", JPEG_FAST);
    core::Image loaded = core::Image::load("edges.jpg");
    int differsFromFast = 0;
    for (int y = 0; y < 32; ++y) {
        const BYTE* exact = FreeImage_GetScanLine(accurate, unsigned(31 - y));
        const BYTE* quick = FreeImage_GetScanLine(fast, unsigned(31 - y));
        for (int x = 0; x < 32; ++x) {
            Rgba expected{exact[3 * x + FI_RGBA_RED], exact[3 * x + FI_RGBA_GREEN], exact[3 * x + FI_RGBA_BLUE], 255};
            ASSERT_EQ(loaded.getPixel(x, y), expected) << x << "," << y;
            differsFromFast += std::memcmp(exact + 3 * x, quick + 3 * x, 3) != 0;
        }
    }
    FreeImage_Unload(accurate);
    FreeImage_Unload(fast);
    EXPECT_GT(differsFromFast, 0);
}

TEST(Image, BlitSkipsWhatFallsOutside) {
    core::Image source = filled(2, 2, [](int x, int y) { return Rgba{uint8_t(x + 1), uint8_t(y + 1), 0, 255}; });
    core::Image target(2, 2);
    target.blit(1, 1, source, 0, 0, 2, 2);
    EXPECT_EQ(target.getPixel(1, 1), (Rgba{1, 1, 0, 255}));
    EXPECT_EQ(target.getPixel(0, 0), (Rgba{0, 0, 0, 0}));
    target.blit(2, 2, source, 0, 0, 0, 0);

    // Far outside either image, and rectangles far larger than both: only
    // what lies inside both is touched, without walking the rest.
    target = core::Image(2, 2);
    target.blit(-1, 0, source, 0, 0, 2000000000, 2000000000);
    EXPECT_EQ(target.getPixel(0, 0), (Rgba{2, 1, 0, 255}));
    EXPECT_EQ(target.getPixel(1, 0), (Rgba{0, 0, 0, 0}));
    target.blit(2147483647, 2147483647, source, -2147483647 - 1, 0, 2147483647, 2147483647);
    target.blit(0, 0, source, 1, 1, -5, 3);
    EXPECT_EQ(target.getPixel(0, 1), (Rgba{2, 2, 0, 255}));
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
