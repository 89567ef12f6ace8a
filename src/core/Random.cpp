#include "core/Random.h"

namespace core {

void MersenneTwister::seed(uint32_t value) {
    m_state[0] = value;
    for (int i = 1; i < N; ++i)
        m_state[i] = 1812433253u * (m_state[i - 1] ^ (m_state[i - 1] >> 30)) + static_cast<uint32_t>(i);
    m_index = N;
}

void MersenneTwister::seedByArray(const uint32_t* keys, int count) {
    seed(19650218u);
    int i = 1;
    int j = 0;
    for (int k = N > count ? N : count; k > 0; --k) {
        m_state[i] = (m_state[i] ^ ((m_state[i - 1] ^ (m_state[i - 1] >> 30)) * 1664525u)) + keys[j] +
                     static_cast<uint32_t>(j);
        ++i;
        ++j;
        if (i >= N) {
            m_state[0] = m_state[N - 1];
            i = 1;
        }
        if (j >= count)
            j = 0;
    }
    for (int k = N - 1; k > 0; --k) {
        m_state[i] = (m_state[i] ^ ((m_state[i - 1] ^ (m_state[i - 1] >> 30)) * 1566083941u)) - static_cast<uint32_t>(i);
        ++i;
        if (i >= N) {
            m_state[0] = m_state[N - 1];
            i = 1;
        }
    }
    m_state[0] = 0x80000000u;
    m_index = N;
}

uint32_t MersenneTwister::next() {
    if (m_index >= N) {
        for (int k = 0; k < N; ++k) {
            uint32_t y = (m_state[k] & 0x80000000u) | (m_state[(k + 1) % N] & 0x7fffffffu);
            m_state[k] = m_state[(k + M) % N] ^ (y >> 1) ^ ((y & 1u) ? 0x9908b0dfu : 0u);
        }
        m_index = 0;
    }
    uint32_t y = m_state[m_index++];
    y ^= y >> 11;
    y ^= (y << 7) & 0x9d2c5680u;
    y ^= (y << 15) & 0xefc60000u;
    y ^= y >> 18;
    return y;
}

MersenneTwister& globalRandom() {
    static MersenneTwister generator = [] {
        MersenneTwister seeded;
        const uint32_t keys[4] = {0x123, 0x234, 0x345, 0x456};
        seeded.seedByArray(keys, 4);
        return seeded;
    }();
    return generator;
}

// Seeded during static initialisation, as the process starts.
[[maybe_unused]] static MersenneTwister& g_seededAtStart = globalRandom();

} // namespace core
