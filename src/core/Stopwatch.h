#pragma once

#include "core/Clock.h"

namespace core {

// A timer over the high-resolution clock, read in single-precision seconds.
class Stopwatch {
public:
    Stopwatch() { reset(); }

    void reset() {
        m_start = clockCounter();
        m_offset = 0;
        m_last = 0;
    }

    float elapsed() const { return static_cast<float>(sinceStart()); }

    // The seconds since the previous delta (or the start).
    float delta() {
        float now = static_cast<float>(sinceStart());
        float result = now - m_last;
        m_last = now;
        return result;
    }

private:
    double sinceStart() const { return counterToSeconds(clockCounter() - m_start) - m_offset; }

    uint64_t m_start;
    float m_offset;
    float m_last;
};

} // namespace core
