#include "core/Exception.h"
#include "engine/draw/FontAtlas.h"
#include "engine/draw/TrueTypeFont.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

using namespace engine;

namespace {

std::string readBytes(const char* path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

const char* kTypeface = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";

} // namespace

TEST(FontAtlas, BuiltinFontsLayTheirCellsInRows) {
    struct Case {
        int index, cell, lineHeight, cellsPerRow;
    };
    for (Case c : {Case{0, 8, 15, 32}, Case{1, 7, 13, 36}}) {
        SCOPED_TRACE(c.index);
        FontAtlas font = buildBuiltinAtlas(c.index);
        EXPECT_EQ(font.image.getWidth(), 256);
        EXPECT_EQ(font.image.getHeight(), 64);
        EXPECT_EQ(font.lineHeight, c.lineHeight);
        EXPECT_EQ(font.glyph(' ').advance, c.cell);
        EXPECT_EQ(font.glyph(' ').width, 0);
        EXPECT_EQ(font.glyph('\t').advance, 0);
        for (int i = 0; i < kGlyphCount; ++i) {
            const Glyph& g = font.glyph(kGlyphSet[i]);
            int x = (i % c.cellsPerRow) * c.cell, y = (i / c.cellsPerRow) * c.lineHeight;
            ASSERT_EQ(g.advance, c.cell);
            ASSERT_EQ(g.width, c.cell);
            ASSERT_FLOAT_EQ(g.texLeft, x / 256.0f);
            ASSERT_FLOAT_EQ(g.texTop, y / 64.0f);
            ASSERT_FLOAT_EQ(g.texBottom, (y + c.lineHeight) / 64.0f);
        }
        // The Latin-1 letters are found by byte value; 'W' has ink in its cell.
        EXPECT_EQ(font.glyphs[0xD6].width, c.cell);
        const Glyph& w = font.glyph('W');
        int ink = 0;
        for (int y = 0; y < w.height; ++y)
            for (int x = 0; x < w.width; ++x)
                ink += font.image.getPixel(int(w.texLeft * 256) + x, int(w.texTop * 64) + y).alpha > 0;
        EXPECT_GT(ink, 8);
    }
}

TEST(FontAtlas, FixedWidthImagesMustHoldExactly97Cells) {
    for (int cell : {0, 5, 300}) {
        core::Image image(97 * 6, 4);
        if (cell == 300)
            image = core::Image(97 * 300, 2);
        EXPECT_THROW(buildFixedWidthAtlas(image, cell, 0), core::Exception) << cell;
    }
    FontAtlas font = buildFixedWidthAtlas(core::Image(97 * 6, 4), 6, 2);
    EXPECT_EQ(font.glyph('A').advance, 8);
    EXPECT_EQ(font.glyph(' ').advance, 6);
}

TEST(FontAtlas, VariableWidthRunsMarkTheGlyphs) {
    // Top row: runs of 3, 1 and 2 pixels; the glyph rows below them.
    core::Image image(12, 5);
    for (int x : {1, 2, 3, 5, 8, 9})
        image.setPixel(x, 0, {255, 0, 0, 255});
    image.setPixel(5, 4, {1, 2, 3, 4});
    FontAtlas font = buildVariableWidthAtlas(image, 1);
    EXPECT_EQ(font.lineHeight, 4);
    EXPECT_EQ(font.image.getHeight(), 8);
    EXPECT_EQ(font.glyph('A').width, 3);
    EXPECT_EQ(font.glyph('B').width, 1);
    EXPECT_EQ(font.glyph('C').width, 2);
    EXPECT_EQ(font.glyph('B').advance, 2);
    EXPECT_FLOAT_EQ(font.glyph('B').texLeft, 4 / 256.0f);
    EXPECT_EQ(font.image.getPixel(4, 3), (core::Image::Rgba{1, 2, 3, 4}));
    // Glyphs past the runs have no image but keep the spacing as advance.
    EXPECT_EQ(font.glyph('D').width, 0);
    EXPECT_EQ(font.glyph('D').advance, 1);
    // No underscore glyph: the space is as wide as "o", which has none either.
    EXPECT_EQ(font.glyph(' ').advance, 0);
}

TEST(TrueTypeFont, PlainGlyphsSitOnTheBaseline) {
    FontAtlas font = rasterizeTrueType(readBytes(kTypeface), 20, FontStyle::Plain);
    const Glyph& a = font.glyph('A');
    EXPECT_GT(a.width, 8);
    EXPECT_LT(a.offsetY, -10);
    EXPECT_EQ(a.height, -a.offsetY) << "capitals end on the baseline";
    EXPECT_GT(font.glyph(' ').advance, 0);
    EXPECT_EQ(font.glyph(' ').width, 0);
    EXPECT_EQ(font.glyphs[0xC4].advance, a.advance);
    EXPECT_EQ(font.glyph('\n').advance, 0);
    EXPECT_GE(font.lineHeight, 20);
    EXPECT_GE(font.maxBearingY, -a.offsetY);
    EXPECT_EQ(font.image.getHeight() & (font.image.getHeight() - 1), 0);
}

TEST(TrueTypeFont, StrokedGlyphsAreOutlinedInBlack) {
    std::string bytes = readBytes(kTypeface);
    FontAtlas plain = rasterizeTrueType(bytes, 20, FontStyle::Plain);
    FontAtlas stroked = rasterizeTrueType(bytes, 20, FontStyle::Stroke);
    const Glyph& l = stroked.glyph('l');
    EXPECT_GE(l.width, plain.glyph('l').width + 2);
    EXPECT_EQ(l.advance, plain.glyph('l').advance);
    // Across the middle of the "l": black edge, white stem, black edge.
    int y = int(l.texTop * stroked.image.getHeight()) + l.height / 2;
    int left = int(l.texLeft * 256);
    bool sawBlack = false, sawWhite = false;
    for (int x = left; x < left + l.width; ++x) {
        core::Image::Rgba p = stroked.image.getPixel(x, y);
        if (p.alpha > 128 && p.red < 64 && !sawWhite)
            sawBlack = true;
        if (p.alpha == 255 && p.red == 255)
            sawWhite = sawBlack;
    }
    EXPECT_TRUE(sawBlack && sawWhite);
    EXPECT_EQ(stroked.glyph(' ').advance, plain.glyph(' ').advance);
}

TEST(TrueTypeFont, FreeTypeFailuresCarryTheirCode) {
    try {
        rasterizeTrueType("not a font", 12, FontStyle::Plain);
        FAIL();
    } catch (const core::Exception& e) {
        EXPECT_EQ(std::string(e.getMessage()).rfind("FT_New_Face failed with error code ", 0), 0u) << e.getMessage();
    }
}

// Glyphs larger than the atlas or than a few ems cannot be placed: the font is
// refused before anything that size is rasterised, in either style.
TEST(TrueTypeFont, GlyphsThatCannotFitTheAtlasAreRefused) {
    std::string bytes = readBytes(kTypeface);
    // The same font with 16 units per em: every glyph 128 times larger per side.
    std::string sixteen = bytes;
    uint32_t tables = uint8_t(bytes[4]) << 8 | uint8_t(bytes[5]);
    for (uint32_t i = 0; i < tables; ++i) {
        const char* record = bytes.data() + 12 + 16 * i;
        if (std::string(record, 4) == "head") {
            uint32_t offset = uint32_t(uint8_t(record[8])) << 24 | uint8_t(record[9]) << 16 | uint8_t(record[10]) << 8 |
                              uint8_t(record[11]);
            sixteen[offset + 18] = 0;
            sixteen[offset + 19] = 16;
        }
    }
    ASSERT_NE(sixteen, bytes);
    struct {
        const std::string* font;
        int size;
    } cases[] = {{&sixteen, 16}, {&bytes, 300}, {&bytes, 20000}};
    for (const auto& c : cases) {
        for (FontStyle style : {FontStyle::Plain, FontStyle::Stroke}) {
            SCOPED_TRACE(c.size);
            try {
                rasterizeTrueType(*c.font, c.size, style);
                ADD_FAILURE() << "accepted";
            } catch (const core::Exception& e) {
                EXPECT_EQ(std::string(e.getMessage()), "Font glyphs too large for the atlas at size " + std::to_string(c.size));
            }
        }
    }
    // The largest sizes whose glyphs fit still make a font no taller than a texture.
    FontAtlas large = rasterizeTrueType(bytes, 150, FontStyle::Stroke);
    EXPECT_GT(large.glyph('W').width, 100);
    EXPECT_LE(large.image.getHeight(), kMaxAtlasHeight);
}

TEST(FontAtlas, ImagesWhoseGlyphsCannotBePlacedAreRefused) {
    // A cell as tall as the largest picture: 98 rows of them are no texture.
    EXPECT_THROW(buildFixedWidthAtlas(core::Image(97 * 100, 4000), 100, 0), core::Exception);
    // One run wider than the atlas.
    core::Image wide(300, 3);
    for (int x = 0; x < 260; ++x)
        wide.setPixel(x, 0, {255, 255, 255, 255});
    try {
        buildVariableWidthAtlas(wide, 0);
        FAIL();
    } catch (const core::Exception& e) {
        EXPECT_STREQ(e.getMessage(), "Image size is invalid for a variable width font");
    }
}
