// The frame clock on the performance counter.
#include "core/Clock.h"

#include "core/Exception.h"

#include <windows.h>

namespace core {

uint64_t clockCounter() {
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return static_cast<uint64_t>(now.QuadPart);
}

uint64_t clockFrequency() {
    // The frequency is fixed at boot, so it is asked once.
    static const uint64_t frequency = [] {
        LARGE_INTEGER value;
        if (!QueryPerformanceFrequency(&value) || value.QuadPart <= 0)
            throw Exception("QueryPerformanceFrequency failed");
        return static_cast<uint64_t>(value.QuadPart);
    }();
    return frequency;
}

void sleepMilliseconds(int milliseconds) {
    if (milliseconds > 0)
        Sleep(static_cast<DWORD>(milliseconds));
}

} // namespace core
