#include "engine/render/ShadowCube.h"

#include "core/Random.h"

#include <cmath>

namespace engine {

int shadowCubeLog2ForSize(int requestedSize) {
    for (int log2 = MinShadowCubeLog2; log2 <= MaxShadowCubeLog2; ++log2)
        if ((1 << log2) >= requestedSize)
            return log2;
    return MaxShadowCubeLog2;
}

Mat3 shadowCubeFaceRotation(int face) {
    static const Mat3 rotations[6] = {
        {{{0, 0, -1}, {0, 1, 0}, {1, 0, 0}}},  {{{0, 0, 1}, {0, 1, 0}, {-1, 0, 0}}},
        {{{1, 0, 0}, {0, 0, -1}, {0, 1, 0}}},  {{{1, 0, 0}, {0, 0, 1}, {0, -1, 0}}},
        {{{1, 0, 0}, {0, 1, 0}, {0, 0, 1}}},   {{{-1, 0, 0}, {0, 1, 0}, {0, 0, -1}}},
    };
    return rotations[face];
}

Mat3 cubeBlurFaceMatrix(int face) {
    static const Mat3 matrices[6] = {
        {{{0, 0, 1}, {0, -1, 0}, {-1, 0, 0}}}, {{{0, 0, -1}, {0, -1, 0}, {1, 0, 0}}},
        {{{1, 0, 0}, {0, 0, 1}, {0, 1, 0}}},   {{{1, 0, 0}, {0, 0, -1}, {0, -1, 0}}},
        {{{1, 0, 0}, {0, -1, 0}, {0, 0, 1}}},  {{{-1, 0, 0}, {0, -1, 0}, {0, 0, -1}}},
    };
    return matrices[face];
}

std::array<Vec3, CubeBlurSampleCount> cubeBlurSamples(float coneAngle) {
    static const uint32_t keys[4] = {0x123, 0x234, 0x345, 0x456};
    core::MersenneTwister random;
    random.seedByArray(keys, 4);
    const double scale = 1.0 / 4294967296.0;
    const double pi = 3.14159265358979323846;
    std::array<Vec3, CubeBlurSampleCount> samples;
    for (Vec3& sample : samples) {
        double around = random.next() * scale * 2 * pi - pi;
        double tilt = -coneAngle / 2.0 + coneAngle * (random.next() * scale);
        sample = {float(std::sin(tilt) * std::sin(around)), float(std::cos(tilt)),
                  float(-std::sin(tilt) * std::cos(around))};
    }
    return samples;
}

} // namespace engine
