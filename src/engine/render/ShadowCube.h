#pragma once

// What every backend's point-light shadow cubes share: the sizes they come
// in, the camera of each face, and the blur that softens them.

#include "engine/scene/Matrix.h"

#include <array>

namespace engine {

// Shadow cubes exist for the sizes 2^4 = 16 to 2^8 = 256.
constexpr int MinShadowCubeLog2 = 4;
constexpr int MaxShadowCubeLog2 = 8;

// log2 of the cube a light asking for that size uses: the smallest that is
// at least as large, or the largest there is.
int shadowCubeLog2ForSize(int requestedSize);

// The rotation of the camera that renders face 0 to 5 (+X, -X, +Y, -Y, +Z,
// -Z): rows are the camera's axes, the z row the face's direction. Its y row
// points the opposite way to the face's texture rows, which is why shadow
// rendering flips y.
Mat3 shadowCubeFaceRotation(int face);

// Turns a full-screen quad position (x, y, 1) into the direction of that
// texel of face 0 to 5: direction = M · (x, y, 1), M's rows as given here.
Mat3 cubeBlurFaceMatrix(int face);

constexpr int CubeBlurSampleCount = 16;
// Cone angle of the per-frame shadow blur: 3 degrees.
constexpr float ShadowBlurConeAngle = 0.05235988f;

// Directions within half the cone angle of +Y, from a generator seeded the
// same way every time: every blur of a cube uses the same pattern, so
// shadows do not shimmer from frame to frame.
std::array<Vec3, CubeBlurSampleCount> cubeBlurSamples(float coneAngle);

} // namespace engine
