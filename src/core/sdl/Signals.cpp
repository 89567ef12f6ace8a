// SDL turns interrupt and terminate into a quit event when its events start,
// and only a window's pump would read it; the host keeps the system's handling.
#include "core/ProcessControl.h"

#include <SDL.h>

namespace core {

void keepDefaultTerminationHandling() {
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
}

} // namespace core
