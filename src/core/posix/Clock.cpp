#include "core/Clock.h"

#include <ctime>

namespace core {

uint64_t clockCounter() {
    timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<uint64_t>(now.tv_sec) * 1000000000u + static_cast<uint64_t>(now.tv_nsec);
}

uint64_t clockFrequency() {
    return 1000000000u;
}

void sleepMilliseconds(int milliseconds) {
    if (milliseconds <= 0)
        return;
    timespec span{milliseconds / 1000, (milliseconds % 1000) * 1000000L};
    while (nanosleep(&span, &span) != 0) {
    }
}

} // namespace core
