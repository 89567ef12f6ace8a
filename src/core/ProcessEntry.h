#pragma once

namespace core {

// What the platform needs at process entry, before anything else runs
// (core/sdl/, core/win32/).
void startProcess();

} // namespace core
