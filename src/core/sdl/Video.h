#pragma once

namespace core::sdl {

// Starts SDL's video subsystem once for the process (it is reference counted,
// so windows may start and stop it too). False when there is no display.
bool ensureVideo();

} // namespace core::sdl
