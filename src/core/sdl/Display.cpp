#include "core/Desktop.h"
#include "core/SystemInfo.h"
#include "core/sdl/Video.h"

#include <SDL.h>

namespace core {

std::vector<DisplayDevice> displayDevices() {
    std::vector<DisplayDevice> devices;
    if (!sdl::ensureVideo())
        return devices;
    const char* driver = SDL_GetCurrentVideoDriver();
    int count = SDL_GetNumVideoDisplays();
    for (int i = 0; i < count; ++i) {
        const char* name = SDL_GetDisplayName(i);
        // Attached to the desktop, and primary for the first display.
        uint32_t flags = i == 0 ? 0x5u : 0x1u;
        devices.push_back({name ? name : "", driver ? driver : "", flags});
    }
    return devices;
}

bool desktopSize(int& width, int& height) {
    SDL_DisplayMode mode;
    if (!sdl::ensureVideo() || SDL_GetDesktopDisplayMode(0, &mode) != 0)
        return false;
    width = mode.w;
    height = mode.h;
    return true;
}

bool workArea(Rect& area) {
    SDL_Rect bounds;
    if (!sdl::ensureVideo() || SDL_GetDisplayUsableBounds(0, &bounds) != 0)
        return false;
    area = {bounds.x, bounds.y, bounds.x + bounds.w, bounds.y + bounds.h};
    return true;
}

std::vector<DisplayMode> displayModes() {
    std::vector<DisplayMode> modes;
    if (!sdl::ensureVideo())
        return modes;
    int count = SDL_GetNumDisplayModes(0);
    for (int i = 0; i < count; ++i) {
        SDL_DisplayMode mode;
        if (SDL_GetDisplayMode(0, i, &mode) != 0)
            break;
        modes.push_back({mode.w, mode.h, static_cast<int>(SDL_BITSPERPIXEL(mode.format))});
    }
    return modes;
}

void setClipboardText(const std::string& text) {
    if (sdl::ensureVideo())
        SDL_SetClipboardText(text.c_str());
}

std::string getClipboardText() {
    if (!sdl::ensureVideo() || !SDL_HasClipboardText())
        return std::string();
    char* text = SDL_GetClipboardText();
    std::string result = text ? text : "";
    SDL_free(text);
    return result;
}

void openURL(const std::string& url) {
    SDL_OpenURL(url.c_str());
}

} // namespace core
