#pragma once

#include <cstdint>

namespace core {

// The 32-bit Mersenne Twister (MT19937) with its standard constants and
// tempering.
class MersenneTwister {
public:
    MersenneTwister() { seed(5489u); }
    void seed(uint32_t value);
    void seedByArray(const uint32_t* keys, int count);
    uint32_t next();

private:
    static constexpr int N = 624;
    static constexpr int M = 397;
    uint32_t m_state[N];
    int m_index = N;
};

// The process-wide generator behind math.random: seeded once at process start
// and kept across script restarts.
MersenneTwister& globalRandom();

} // namespace core
