#pragma once

#include <SDL.h>

namespace core::sdl {

// The virtual-key code of an SDL key: letters, digits and the punctuation of
// the layout by what they type, everything else by position. 0 when unknown.
int virtualKeyFromSdl(const SDL_Keysym& key);

} // namespace core::sdl
