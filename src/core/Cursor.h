#pragma once

#include <cstdint>
#include <vector>

// Mouse cursors, one implementation per platform (core/sdl/Cursor.cpp).
namespace core {

class Image;

enum class SystemCursor { Arrow, IBeam, Wait, Hand, SplitHorizontal, SplitVertical };

// A cursor a window shows while the pointer is over it. Held through counted
// references: by script handles and by the window it is attached to.
class Cursor {
public:
    // Throws core::Exception when the platform has no cursors to give.
    static Cursor* createSystem(SystemCursor kind);
    // The image's picture with the hotspot at (x, y); see cursorPixels.
    static Cursor* fromImage(const Image& image, int hotspotX, int hotspotY);

    virtual ~Cursor() = default;
    Cursor(const Cursor&) = delete;
    Cursor& operator=(const Cursor&) = delete;

protected:
    Cursor() = default;
};

// A cursor's picture from an image, one 0xAARRGGBB word a pixel, rows top
// down: a pixel with alpha of 128 or more shows its colour, opaque; any other
// is transparent.
std::vector<uint32_t> cursorPixels(const Image& image);

} // namespace core
