#include "core/SystemInfo.h"

#include "core/sdl/Video.h"

#include <SDL.h>

namespace core {

std::vector<DisplayDevice> displayDevices() {
    std::vector<DisplayDevice> devices;
    bool started = false;
    if (!SDL_WasInit(SDL_INIT_VIDEO)) {
        if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0)
            return devices;
        started = true;
    }
    const char* driver = SDL_GetCurrentVideoDriver();
    bool real = !sdl::isStandInDriver(driver);
    int count = real ? SDL_GetNumVideoDisplays() : 0;
    for (int i = 0; i < count; ++i) {
        const char* name = SDL_GetDisplayName(i);
        // Attached to the desktop, and primary for the first display.
        uint32_t flags = i == 0 ? 0x5u : 0x1u;
        devices.push_back({name ? name : "", driver ? driver : "", flags});
    }
    if (started)
        SDL_QuitSubSystem(SDL_INIT_VIDEO);
    return devices;
}

} // namespace core
