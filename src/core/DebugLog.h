#pragma once

namespace core {

// Diagnostics for developers: the debugger channel on Windows, stderr elsewhere.
void debugLog(const char* format, ...) __attribute__((format(printf, 1, 2)));

} // namespace core
