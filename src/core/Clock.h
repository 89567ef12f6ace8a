#pragma once

#include <cstdint>

namespace core {

// The monotonic high-resolution clock the frame loop paces with.
uint64_t clockCounter();
uint64_t clockFrequency();

inline double counterToSeconds(uint64_t ticks) {
    return static_cast<double>(static_cast<long double>(ticks) / static_cast<long double>(clockFrequency()));
}

inline double clockSeconds() {
    return counterToSeconds(clockCounter());
}

void sleepMilliseconds(int milliseconds);

} // namespace core
