#include "core/DebugLog.h"

#include "core/win32/WideText.h"

#include <cstdio>
#include <windows.h>

namespace core {

// The debugger's channel: a debugger or a viewer of debug output shows it.
// stderr too, which a windowed program has only when it is redirected (as in
// tests and when run from a console).
void writeDebugOutput(const char* text) {
    OutputDebugStringW(win32::widen(text).c_str());
    fputs(text, stderr);
    fflush(stderr);
}

} // namespace core
