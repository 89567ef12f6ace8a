#include "core/CursorDisplay.h"

#include <SDL.h>

namespace core {

namespace {
int g_displayCount = 0;
} // namespace

int changeCursorDisplayCount(int delta) {
    g_displayCount += delta;
    // Before any window exists there is no cursor to change yet; the first
    // window applies the count (see the window's creation).
    if (SDL_WasInit(SDL_INIT_VIDEO))
        SDL_ShowCursor(g_displayCount >= 0 ? SDL_ENABLE : SDL_DISABLE);
    return g_displayCount;
}

} // namespace core
