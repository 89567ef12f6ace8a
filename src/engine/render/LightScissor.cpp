#include "engine/render/LightScissor.h"

#include <algorithm>
#include <cmath>

namespace engine {

namespace {

// Narrows one screen direction. The tangent planes are worked out in a frame
// that looks along -z (z = -view z); a is the centre's coordinate along the
// direction, focal the projection's scale along it.
void narrow(float a, float z, float radius, float focal, int size, int& low, int& high) {
    float d = a * a + z * z;
    float discriminant = radius * radius * a * a - d * (radius * radius - z * z);
    if (discriminant < 0)
        return;
    float root = std::sqrt(discriminant);
    for (float n : {(radius * a - root) / d, (radius * a + root) / d}) {
        float m = (radius - n * a) / z;
        float pz = (d - radius * radius) / (z - (m / n) * a);
        // Only a tangent point in front of the eye bounds the picture; NaN
        // (the centre on the eye's plane) fails the test as well.
        if (!(pz < 0))
            continue;
        float p = -pz * m / n;
        float edge = (m * focal / n + 1) * float(size) * 0.5f;
        if (std::isnan(edge))
            continue;
        // Clamped first so that far-off values stay in int range; values past
        // either edge narrow nothing or empty the rectangle either way.
        float screen = std::clamp(edge, -1.0f, float(size) + 1);
        int s = static_cast<int>(std::trunc(screen));
        if (a <= p)
            high = std::min(high, s);
        else
            low = std::max(low, s);
    }
}

} // namespace

long long ScissorRect::area() const {
    long long w = right - left;
    long long h = top - bottom;
    return w < 1 || h < 1 ? 0 : w * h;
}

ScissorRect lightScissorRect(const Vec3& center, float radius, const Mat4& inverseProjection, int width, int height) {
    ScissorRect rect;
    rect.right = rect.width = width;
    rect.top = rect.height = height;
    // A corner of the near plane: its z over its x and y are the projection's scales.
    Vec4 corner = Vec4{1, 1, 0, 1} * inverseProjection;
    float focalX = corner.z / corner.x;
    float focalY = corner.z / corner.y;
    float z = -center.z;
    narrow(center.x, z, radius, focalX, width, rect.left, rect.right);
    narrow(center.y, z, radius, focalY, height, rect.bottom, rect.top);
    return rect;
}

} // namespace engine
