#include "engine/particles/ParticleRandom.h"

namespace engine {

namespace {
uint32_t g_state = 1;
}

void seedParticleRandom(uint32_t seed) {
    g_state = seed;
}

int particleRand() {
    g_state = g_state * 214013u + 2531011u;
    return int((g_state >> 16) & 0x7fffu);
}

} // namespace engine
