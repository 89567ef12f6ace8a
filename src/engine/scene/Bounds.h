#pragma once

// Bounding volumes, rays and planes, and the intersection tests that spatial
// queries and picking use. Touching counts as intersecting.

#include "engine/scene/Matrix.h"

#include <cfloat>

namespace engine {

// Axis-aligned box; empty when any min exceeds its max.
struct BoundingBox {
    Vec3 min{FLT_MAX, FLT_MAX, FLT_MAX};
    Vec3 max{-FLT_MAX, -FLT_MAX, -FLT_MAX};

    bool isEmpty() const { return min.x > max.x || min.y > max.y || min.z > max.z; }
    Vec3 center() const { return (min + max) * 0.5f; }
    Vec3 halfSize() const { return (max - min) * 0.5f; }
    // Grows the box to take in the point.
    void add(const Vec3& p) {
        min = engine::min(min, p);
        max = engine::max(max, p);
    }

    bool operator==(const BoundingBox&) const = default;
};

struct BoundingSphere {
    Vec3 center;
    float radius = 0;
};

// A half-line from pos along dir; dir need not be unit length.
struct Ray {
    Vec3 pos;
    Vec3 dir;
};

// The points p with n·p = d; the inside is n·p >= d.
struct Plane {
    Vec3 n;
    float d = 0;
};

bool intersects(const BoundingBox& a, const BoundingBox& b);
bool intersects(const BoundingSphere& sphere, const BoundingBox& box);
// The box of the eight transformed corners.
BoundingBox transform(const BoundingBox& box, const Mat4x3& m);
// False when some plane has the whole box outside; an empty list accepts every box.
bool insidePlanes(const Plane* planes, int count, const BoundingBox& box);
// Slab test; the hit distance (in units of |dir|, 0 when the ray starts inside)
// goes to distance when given.
bool intersects(const Ray& ray, const BoundingBox& box, float* distance = nullptr);
// Either winding hits; a hit nearer than minDistance is a miss.
bool intersectsTriangle(const Ray& ray, const Vec3& t0, const Vec3& t1, const Vec3& t2, float minDistance,
                        float* distance = nullptr);

} // namespace engine
