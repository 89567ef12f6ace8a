#pragma once

#include <cstring>

struct SDL_Window;

namespace core {
class Window;
}

namespace core::sdl {

// SDL's stand-in video drivers answer when there is no display at all.
inline bool isStandInDriver(const char* driver) {
    return !driver || std::strcmp(driver, "offscreen") == 0 || std::strcmp(driver, "dummy") == 0;
}

// Starts SDL's video subsystem once for the process (it is reference counted,
// so windows may start and stop it too). False when there is no display.
bool ensureVideo();

// The SDL window behind a window of this platform; null before create and after destroy.
SDL_Window* nativeWindow(Window& window);

} // namespace core::sdl
