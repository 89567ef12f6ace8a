#pragma once

// TrueType (and any other outline format FreeType reads) rasterised into a font
// atlas at one pixel size.

#include "engine/draw/FontAtlas.h"

#include <string>

namespace engine {

enum class FontStyle {
    Plain = 0,
    // White glyphs with a one-pixel black outline, readable on any background.
    Stroke = 1,
};

// Rasterises face 0 of the font file held in `bytes`, one em being pixelSize
// pixels. Throws core::Exception with FreeType's error code when the library,
// the face or the size fails; a glyph that fails alone is left out.
FontAtlas rasterizeTrueType(const std::string& bytes, int pixelSize, FontStyle style);

} // namespace engine
