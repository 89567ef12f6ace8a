#include "core/DebugLog.h"

#include "core/win32/WideText.h"

#include <windows.h>

namespace core {

// The debugger's channel: a debugger or a viewer of debug output shows it.
void writeDebugOutput(const char* text) {
    OutputDebugStringW(win32::widen(text).c_str());
}

} // namespace core
