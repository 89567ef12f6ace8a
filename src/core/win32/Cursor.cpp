#include "core/Cursor.h"

#include "core/Exception.h"
#include "core/Image.h"
#include "core/win32/Cursors.h"
#include "core/win32/WindowNative.h"

namespace core {

namespace {

class CursorWin32 final : public Cursor {
public:
    CursorWin32(HCURSOR cursor, bool owned) : m_cursor(cursor), m_owned(owned) {}
    ~CursorWin32() override {
        // A cursor in use falls back to the arrow before it goes.
        if (GetCursor() == m_cursor)
            SetCursor(LoadCursorW(nullptr, win32::systemResource(IDC_ARROW)));
        // System cursors are shared by the whole system and never destroyed.
        if (m_owned)
            DestroyCursor(m_cursor);
    }

    HCURSOR native() const { return m_cursor; }

private:
    HCURSOR m_cursor;
    bool m_owned;
};

LPCWSTR systemCursorName(SystemCursor kind) {
    switch (kind) {
    case SystemCursor::Arrow:
        return win32::systemResource(IDC_ARROW);
    case SystemCursor::IBeam:
        return win32::systemResource(IDC_IBEAM);
    case SystemCursor::Wait:
        return win32::systemResource(IDC_WAIT);
    case SystemCursor::Hand:
        return win32::systemResource(IDC_HAND);
    case SystemCursor::SplitHorizontal:
        return win32::systemResource(IDC_SIZEWE);
    case SystemCursor::SplitVertical:
        return win32::systemResource(IDC_SIZENS);
    }
    return win32::systemResource(IDC_ARROW);
}

} // namespace

Cursor* Cursor::createSystem(SystemCursor kind) {
    HCURSOR cursor = LoadCursorW(nullptr, systemCursorName(kind));
    if (!cursor)
        throw Exception("Could not create cursor (LoadCursor failed)");
    return new CursorWin32(cursor, false);
}

// The mask is white where the picture is transparent and black where it
// shows; the colour bitmap is black where the mask is white, so the screen
// shows through unchanged there.
Cursor* Cursor::fromImage(const Image& image, int hotspotX, int hotspotY) {
    int width = image.getWidth();
    int height = image.getHeight();
    std::vector<uint32_t> pixels = cursorPixels(image);
    std::vector<uint32_t> mask(pixels.size());
    for (size_t i = 0; i < pixels.size(); ++i) {
        mask[i] = pixels[i] >> 24 ? 0x000000u : 0xFFFFFFu;
        pixels[i] &= 0xFFFFFFu;
    }

    HDC screen = GetDC(nullptr);
    HBITMAP colour = CreateCompatibleBitmap(screen, width, height);
    HBITMAP monochrome = CreateBitmap(width, height, 1, 1, nullptr);
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;  // rows top down
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    bool drawn = colour && monochrome &&
                 SetDIBits(screen, colour, 0, UINT(height), pixels.data(), &info, DIB_RGB_COLORS) == height &&
                 SetDIBits(screen, monochrome, 0, UINT(height), mask.data(), &info, DIB_RGB_COLORS) == height;
    ReleaseDC(nullptr, screen);

    HCURSOR cursor = nullptr;
    if (drawn) {
        ICONINFO icon{};
        icon.fIcon = FALSE;  // a cursor: the hotspot counts
        icon.xHotspot = DWORD(hotspotX);
        icon.yHotspot = DWORD(hotspotY);
        icon.hbmMask = monochrome;
        icon.hbmColor = colour;
        cursor = CreateIconIndirect(&icon);
    }
    // The cursor keeps copies of the bitmaps.
    if (colour)
        DeleteObject(colour);
    if (monochrome)
        DeleteObject(monochrome);
    if (!cursor)
        throw Exception("Could not create cursor (CreateIconIndirect failed)");
    return new CursorWin32(cursor, true);
}

HCURSOR win32::nativeCursor(const Cursor* cursor) {
    return cursor ? static_cast<const CursorWin32*>(cursor)->native() : LoadCursorW(nullptr, win32::systemResource(IDC_ARROW));
}

} // namespace core
