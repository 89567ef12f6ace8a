#pragma once

#include <cstring>

namespace core::sdl {

// SDL's stand-in video drivers answer when there is no display at all.
inline bool isStandInDriver(const char* driver) {
    return !driver || std::strcmp(driver, "offscreen") == 0 || std::strcmp(driver, "dummy") == 0;
}

} // namespace core::sdl
