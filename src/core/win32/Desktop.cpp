// The desktop around the game: the screen, the clipboard and the shell.
#include "core/Desktop.h"

#include "core/win32/WideText.h"

#include <windows.h>

#include <shellapi.h>

#include <cstring>

namespace core {

namespace {
// Another program may hold the clipboard for a moment (a clipboard manager
// copying what was just put there): ask a few times before giving up.
bool openClipboard(HWND owner) {
    for (int attempt = 0; attempt < 10; ++attempt) {
        if (OpenClipboard(owner))
            return true;
        Sleep(10);
    }
    return false;
}
} // namespace

bool desktopSize(int& width, int& height) {
    width = GetSystemMetrics(SM_CXSCREEN);
    height = GetSystemMetrics(SM_CYSCREEN);
    return width > 0 && height > 0;
}

bool workArea(Rect& area) {
    RECT rect;
    if (!SystemParametersInfoW(SPI_GETWORKAREA, 0, &rect, 0))
        return false;
    area = {rect.left, rect.top, rect.right, rect.bottom};
    return true;
}

std::vector<DisplayMode> displayModes() {
    std::vector<DisplayMode> modes;
    DEVMODEW mode{};
    mode.dmSize = sizeof mode;
    for (DWORD i = 0; EnumDisplaySettingsW(nullptr, i, &mode); ++i)
        modes.push_back({static_cast<int>(mode.dmPelsWidth), static_cast<int>(mode.dmPelsHeight),
                         static_cast<int>(mode.dmBitsPerPel)});
    return modes;
}

void setClipboardText(const std::string& text) {
    std::wstring wide = win32::widen(text.c_str());  // up to the first zero byte
    size_t bytes = (wide.size() + 1) * sizeof(wchar_t);
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, bytes);
    if (!memory)
        return;
    void* locked = GlobalLock(memory);
    if (!locked) {
        GlobalFree(memory);
        return;
    }
    memcpy(locked, wide.c_str(), bytes);
    GlobalUnlock(memory);

    // Emptying the clipboard makes the opening window its owner, and data
    // set without an owner may be refused: a hidden message window owns it.
    HWND owner = CreateWindowExW(0, L"STATIC", nullptr, 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
    bool handedOver = false;
    if (openClipboard(owner)) {
        if (EmptyClipboard())
            handedOver = SetClipboardData(CF_UNICODETEXT, memory) != nullptr;
        CloseClipboard();
    }
    if (owner)
        DestroyWindow(owner);
    if (!handedOver)
        GlobalFree(memory);
}

std::string getClipboardText() {
    std::string text;
    if (!IsClipboardFormatAvailable(CF_UNICODETEXT) || !openClipboard(nullptr))
        return text;
    if (HANDLE memory = GetClipboardData(CF_UNICODETEXT)) {
        if (const auto* wide = static_cast<const wchar_t*>(GlobalLock(memory))) {
            // The text ends at its zero or at the end of its memory, whichever comes first.
            size_t capacity = GlobalSize(memory) / sizeof(wchar_t);
            text = win32::narrow(std::wstring(wide, wcsnlen(wide, capacity)));
            GlobalUnlock(memory);
        }
    }
    CloseClipboard();
    return text;
}

void openURL(const std::string& url) {
    ShellExecuteW(nullptr, L"open", win32::widen(url).c_str(), nullptr, nullptr, SW_SHOWNORMAL);
}

} // namespace core
