#include "engine/scene/Bounds.h"

#include <cmath>
#include <utility>

namespace engine {

namespace {
float component(const Vec3& v, int i) {
    return i == 0 ? v.x : (i == 1 ? v.y : v.z);
}
} // namespace

bool intersects(const BoundingBox& a, const BoundingBox& b) {
    return !(a.min.x > b.max.x || b.min.x > a.max.x || a.min.y > b.max.y || b.min.y > a.max.y ||
             a.min.z > b.max.z || b.min.z > a.max.z);
}

bool intersects(const BoundingSphere& sphere, const BoundingBox& box) {
    float distance2 = 0;
    for (int i = 0; i < 3; ++i) {
        float c = component(sphere.center, i);
        float lo = component(box.min, i), hi = component(box.max, i);
        float outside = c < lo ? lo - c : (c > hi ? c - hi : 0.0f);
        distance2 += outside * outside;
    }
    return distance2 <= sphere.radius * sphere.radius;
}

BoundingBox transform(const BoundingBox& box, const Mat4x3& m) {
    BoundingBox out;
    for (int corner = 0; corner < 8; ++corner) {
        Vec3 p{corner & 1 ? box.max.x : box.min.x, corner & 2 ? box.max.y : box.min.y,
               corner & 4 ? box.max.z : box.min.z};
        out.add(m.transformPoint(p));
    }
    return out;
}

bool insidePlanes(const Plane* planes, int count, const BoundingBox& box) {
    Vec3 c = box.center();
    Vec3 e = box.halfSize();
    for (int i = 0; i < count; ++i) {
        const Vec3& n = planes[i].n;
        float r = e.x * std::fabs(n.x) + e.y * std::fabs(n.y) + e.z * std::fabs(n.z);
        if (dot(c, n) - planes[i].d < -r)
            return false;
    }
    return true;
}

bool intersects(const Ray& ray, const BoundingBox& box, float* distance) {
    float tmin = 0;
    float tmax = FLT_MAX;
    for (int i = 0; i < 3; ++i) {
        float pos = component(ray.pos, i), dir = component(ray.dir, i);
        float lo = component(box.min, i), hi = component(box.max, i);
        if (std::fabs(dir) < 0.000001f) {
            if (pos < lo || pos > hi)
                return false;
            continue;
        }
        float t1 = (lo - pos) / dir;
        float t2 = (hi - pos) / dir;
        if (t1 > t2)
            std::swap(t1, t2);
        tmin = std::fmax(tmin, t1);
        tmax = std::fmin(tmax, t2);
        if (tmin > tmax)
            return false;
    }
    if (distance)
        *distance = tmin;
    return true;
}

bool intersectsTriangle(const Ray& ray, const Vec3& t0, const Vec3& t1, const Vec3& t2, float minDistance,
                        float* distance) {
    Vec3 e1 = t1 - t0;
    Vec3 e2 = t2 - t0;
    Vec3 p = cross(ray.dir, e2);
    float det = dot(e1, p);
    if (det > -0.00001f && det < 0.00001f)
        return false;
    Vec3 s = ray.pos - t0;
    float u = dot(s, p) / det;
    if (u < 0 || u > 1)
        return false;
    Vec3 q = cross(s, e1);
    float v = dot(ray.dir, q) / det;
    if (v < 0 || u + v > 1)
        return false;
    float t = dot(e2, q) / det;
    if (t < minDistance)
        return false;
    if (distance)
        *distance = t;
    return true;
}

} // namespace engine
