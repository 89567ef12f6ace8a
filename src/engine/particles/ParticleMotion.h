#pragma once

// Where a particle is: the closed-form solution of dV/dt = g - kV from its
// spawn position and velocity. The particle shaders evaluate the same formula;
// the CPU uses it only for the bounds.

#include "engine/scene/Matrix.h"

#include <cmath>

namespace engine {

// P0 + V0 A + g (t - A) / k with A = (1 - e^(-kt)) / k. Near k = 0 both terms
// cancel badly in floats, so there the series takes over; its limit is the
// drag-free P0 + V0 t + g t^2 / 2.
inline Vec3 particleMotion(const Vec3& p0, const Vec3& v0, const Vec3& gravity, float k, float t) {
    float a;
    float b;  // (t - A) / k
    float kt = k * t;
    if (std::fabs(kt) < 1e-3f) {
        a = t * (1.0f - kt * 0.5f + kt * kt / 6.0f);
        b = t * t * (0.5f - kt / 6.0f);
    } else {
        a = -std::expm1(-kt) / k;
        b = (t - a) / k;
    }
    return p0 + v0 * a + gravity * b;
}

} // namespace engine
