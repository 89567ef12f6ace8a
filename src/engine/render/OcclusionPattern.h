#pragma once

// The sample patterns both renderers' ambient occlusion and sun shadows take
// alike: a disc of 17 offsets and a 4 x 4 tile of rotations.

#include <array>
#include <cstdint>

namespace engine {

constexpr int OcclusionKernelSize = 17;

// The disc's offsets (x, y), in the occlusion pass's order.
extern const std::array<float, OcclusionKernelSize * 2> OcclusionKernel;

// The same offsets ordered from the centre out, so that a shader reading
// fewer samples still covers the disc evenly.
const std::array<float, OcclusionKernelSize * 2>& shadowSampleDisc();

// The rotation tile as bytes in memory, four a pixel, row by row:
// q(cos a), q(-sin a), q(sin a), q(cos a) with q(x) = (x / 2 + 1 / 2) * 255,
// which a BGRA texture reads as red q(sin a), green q(-sin a), blue and alpha q(cos a).
std::array<uint8_t, 64> occlusionRotationPixels();

} // namespace engine
