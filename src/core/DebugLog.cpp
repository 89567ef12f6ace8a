#include "core/DebugLog.h"

#include <cstdarg>
#include <cstdio>

namespace core {

void debugLog(const char* format, ...) {
    char buffer[8192];
    va_list args;
    va_start(args, format);
    vsnprintf(buffer, sizeof buffer, format, args);
    va_end(args);
    writeDebugOutput(buffer);
}

} // namespace core
