#include "core/sdl/Video.h"

#include <SDL.h>

namespace core::sdl {

bool ensureVideo() {
    static const bool available = [] {
        if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0)
            return false;
        return !isStandInDriver(SDL_GetCurrentVideoDriver());
    }();
    return available;
}

} // namespace core::sdl
