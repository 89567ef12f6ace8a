#pragma once

// The particles' own random numbers: the classic C runtime sequence, whose
// draws run from 0 to 32767, so that an effect comes out the same on every
// platform. Main thread only, like the rest of the particle work.

#include <cstdint>

namespace engine {

constexpr int ParticleRandMax = 32767;

void seedParticleRandom(uint32_t seed);
// The next draw, 0 to 32767.
int particleRand();
// A draw as one of 32768 values in [0, 1].
inline float particleRandom() {
    return float(particleRand()) / float(ParticleRandMax);
}

} // namespace engine
