#pragma once

// What every font is made of, whatever its source: 256 glyph records indexed by
// byte value and one atlas image 256 pixels wide. The builders here work on
// images only; engine::Font turns the atlas into a texture.

#include "core/BuiltinFontData.h"
#include "core/Image.h"

#include <array>
#include <cstdint>

namespace engine {

struct Glyph {
    // Atlas texture coordinates of the glyph image's corners.
    float texLeft = 0, texTop = 0;
    float texRight = 0, texBottom = 0;
    // Image size in pixels; width 0 draws nothing.
    int32_t width = 0, height = 0;
    // From the pen position to the image's top-left corner.
    int32_t offsetX = 0, offsetY = 0;
    // Pen advance; 0 when the font has no glyph for the byte.
    int32_t advance = 0;
};

// The bytes every font has glyphs for, in the order images lay them out (the
// built-in fonts' order).
inline constexpr const auto& kGlyphSet = core::kBuiltinGlyphSet;
inline constexpr int kGlyphCount = 97;
static_assert(sizeof(kGlyphSet) == kGlyphCount + 1);

inline constexpr int kAtlasWidth = 256;
// The tallest atlas a font may need: the texture size every renderer takes.
inline constexpr int kMaxAtlasHeight = 16384;

struct FontAtlas {
    std::array<Glyph, 256> glyphs{};
    int32_t lineHeight = 0;
    int32_t maxBearingY = 0;
    core::Image image;

    const Glyph& glyph(char c) const { return glyphs[static_cast<uint8_t>(c)]; }
};

// Sets the glyph's texture coordinates for an image of width x height placed at
// (x, y) in an atlas of the given height.
void setAtlasPlace(Glyph& glyph, int x, int y, int width, int height, int atlasHeight);

// The smallest power of two not below n, and 1 for anything below 2.
int atlasHeightFor(int n);

// Fixed-width cells: the image holds the 97 glyphs side by side, cellWidth
// pixels each. Throws core::Exception when the width does not fit that.
FontAtlas buildFixedWidthAtlas(const core::Image& image, int cellWidth, int spacing);

// Variable-width glyphs: the image's top row marks each glyph's columns with a
// run of non-zero pixels; the glyphs are the rows below it.
FontAtlas buildVariableWidthAtlas(const core::Image& image, int spacing);

// The fonts compiled into the host: 0 is 8 x 15 pixels with 1-bit coverage,
// 1 is 7 x 13 with 8-bit coverage.
inline constexpr int kBuiltinFontCount = 2;
core::Image builtinFontImage(int index);
FontAtlas buildBuiltinAtlas(int index);

} // namespace engine
