#pragma once

// The screen rectangle a point light's sphere can reach, by the tangent planes
// through the eye: shading outside it is skipped without touching a pixel.

#include "engine/scene/Matrix.h"

namespace engine {

// Pixels of the viewport, x from its left and y from its bottom edge.
struct ScissorRect {
    int left = 0;
    int right = 0;
    int bottom = 0;
    int top = 0;
    int width = 0;   // of the viewport
    int height = 0;

    // Pixels covered; a side shorter than one pixel covers none.
    long long area() const;
    // Nothing of the sphere is on the screen: the light can be skipped.
    bool empty() const { return area() == 0 || left >= width || bottom >= height; }
    // The whole viewport: no scissor is needed.
    bool coversViewport() const { return area() == static_cast<long long>(width) * height; }
};

// The rectangle of the sphere at the view-space centre with the radius, seen
// through the projection whose inverse is given, in a viewport of width ×
// height pixels. Directions in which the eye lies inside the sphere, or whose
// tangent points lie behind the eye, are not narrowed.
ScissorRect lightScissorRect(const Vec3& center, float radius, const Mat4& inverseProjection, int width, int height);

} // namespace engine
