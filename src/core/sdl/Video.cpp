#include "core/sdl/Video.h"

#include <SDL.h>

#include <cstring>

namespace core::sdl {

bool ensureVideo() {
    static const bool available = [] {
        if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0)
            return false;
        // SDL's stand-in drivers answer when there is no display at all.
        const char* driver = SDL_GetCurrentVideoDriver();
        return driver && strcmp(driver, "offscreen") != 0 && strcmp(driver, "dummy") != 0;
    }();
    return available;
}

} // namespace core::sdl
