#include "core/DebugLog.h"

#include <cstdio>

namespace core {

// Without a debugger channel, developers read the log on stderr.
void writeDebugOutput(const char* text) {
    fputs(text, stderr);
    fflush(stderr);
}

} // namespace core
