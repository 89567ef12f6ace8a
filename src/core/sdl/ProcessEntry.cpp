// Process entry where SDL runs the window. SDL turns interrupt and terminate
// into a quit event when its events start, and only a window's pump would read
// it: the host keeps the system's handling, so Ctrl+C, kill and timeout end
// the game in every state.
#include "core/ProcessEntry.h"

#include <SDL.h>

namespace core {

void startProcess() {
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
}

} // namespace core
