#pragma once

// The pixels of the two fonts compiled into the host: 97 glyph cells side by
// side in glyph-set order, one row of cells each.

#include <cstdint>

namespace core {

// The bytes the fonts have glyphs for, in the order the cells lay them out:
// ASCII letters, digits and punctuation, then four Latin-1 letters (the umlauts).
inline constexpr char kBuiltinGlyphSet[] =
    "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789()[],.=+-*'!\"#$%&/{}?\\;:_^~"
    "\xC4\xD6\xE4\xF6<>|@";

// 776 x 15 pixels, 1 bit each, least significant bit first, rows one after
// another without padding; one spare byte at the end.
extern const uint8_t kBitmapFont8x15[1456];

// 679 x 13 pixels, one byte of coverage each, row by row.
extern const uint8_t kAlphaFont7x13[8827];

} // namespace core
