#pragma once

namespace core {

// Diagnostics for developers: the debugger channel on Windows, stderr elsewhere.
void debugLog(const char* format, ...) __attribute__((format(printf, 1, 2)));

// Hands one formatted message to the platform's channel (core/posix/, core/win32/).
void writeDebugOutput(const char* text);

} // namespace core
