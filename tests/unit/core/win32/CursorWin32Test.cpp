// The cursor a picture makes, read back from the system: its mask, its colours
// and its hotspot.
#ifdef _WIN32
#include "core/Cursor.h"
#include "core/Image.h"
#include "core/win32/Cursors.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace {

// A bitmap's pixels as 0x00RRGGBB words, rows top down.
std::vector<uint32_t> pixelsOf(HBITMAP bitmap, int width, int height) {
    std::vector<uint32_t> pixels(size_t(width) * height);
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    HDC screen = GetDC(nullptr);
    int rows = GetDIBits(screen, bitmap, 0, UINT(height), pixels.data(), &info, DIB_RGB_COLORS);
    ReleaseDC(nullptr, screen);
    EXPECT_EQ(rows, height);
    for (uint32_t& pixel : pixels)
        pixel &= 0xFFFFFFu;
    return pixels;
}

TEST(CursorWin32, APictureGivesItsOpaquePixelsOverATransparentMask) {
    core::Image image(4, 1);
    image.setPixel(0, 0, {255, 0, 0, 255});    // shown
    image.setPixel(1, 0, {0, 255, 0, 127});    // transparent
    image.setPixel(2, 0, {0, 0, 255, 128});    // shown
    image.setPixel(3, 0, {255, 255, 255, 0});  // transparent
    std::unique_ptr<core::Cursor> cursor(core::Cursor::fromImage(image, 3, 0));

    ICONINFO info{};
    ASSERT_TRUE(GetIconInfo(core::win32::nativeCursor(cursor.get()), &info));
    EXPECT_FALSE(info.fIcon) << "a cursor, not an icon";
    EXPECT_EQ(info.xHotspot, 3u);
    EXPECT_EQ(info.yHotspot, 0u);
    ASSERT_NE(info.hbmColor, nullptr);
    std::vector<uint32_t> mask = pixelsOf(info.hbmMask, 4, 1);
    std::vector<uint32_t> colour = pixelsOf(info.hbmColor, 4, 1);
    DeleteObject(info.hbmMask);
    DeleteObject(info.hbmColor);
    EXPECT_EQ(mask, (std::vector<uint32_t>{0, 0xFFFFFF, 0, 0xFFFFFF}));
    EXPECT_EQ(colour, (std::vector<uint32_t>{0xFF0000, 0, 0x0000FF, 0}));
}

TEST(CursorWin32, SystemCursorsAreTheSystemsOwn) {
    std::unique_ptr<core::Cursor> beam(core::Cursor::createSystem(core::SystemCursor::IBeam));
    EXPECT_EQ(core::win32::nativeCursor(beam.get()), LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_IBEAM)));
    // Letting go of one leaves the shared cursor whole.
    beam.reset();
    std::unique_ptr<core::Cursor> again(core::Cursor::createSystem(core::SystemCursor::IBeam));
    ICONINFO info{};
    EXPECT_TRUE(GetIconInfo(core::win32::nativeCursor(again.get()), &info));
    DeleteObject(info.hbmMask);
    if (info.hbmColor)
        DeleteObject(info.hbmColor);
}

} // namespace
#endif
