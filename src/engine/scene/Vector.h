#pragma once

// Vectors and the rotation quaternion: plain 32-bit float values, laid out as
// the binary files store them.

#include <cmath>

namespace engine {

struct Vec2 {
    float x = 0, y = 0;
};

struct Vec3 {
    float x = 0, y = 0, z = 0;

    Vec3 operator+(const Vec3& b) const { return {x + b.x, y + b.y, z + b.z}; }
    Vec3 operator-(const Vec3& b) const { return {x - b.x, y - b.y, z - b.z}; }
    Vec3 operator-() const { return {-x, -y, -z}; }
    Vec3 operator*(float s) const { return {x * s, y * s, z * s}; }
    Vec3 operator/(float s) const { return {x / s, y / s, z / s}; }
    Vec3& operator+=(const Vec3& b) { return *this = *this + b; }
    Vec3& operator-=(const Vec3& b) { return *this = *this - b; }
    bool operator==(const Vec3&) const = default;
};

inline float dot(const Vec3& a, const Vec3& b) {
    return a.x * b.x + a.y * b.y + a.z * b.z;
}

inline Vec3 cross(const Vec3& a, const Vec3& b) {
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}

inline float length(const Vec3& v) {
    return std::sqrt(dot(v, v));
}

// A zero vector gives non-finite components; callers pass them on.
inline Vec3 normalize(const Vec3& v) {
    return v / length(v);
}

inline Vec3 min(const Vec3& a, const Vec3& b) {
    return {std::fmin(a.x, b.x), std::fmin(a.y, b.y), std::fmin(a.z, b.z)};
}

inline Vec3 max(const Vec3& a, const Vec3& b) {
    return {std::fmax(a.x, b.x), std::fmax(a.y, b.y), std::fmax(a.z, b.z)};
}

struct Vec4 {
    float x = 0, y = 0, z = 0, w = 0;

    bool operator==(const Vec4&) const = default;
};

// Rotation quaternion; w is the scalar part and is stored last.
struct Quat {
    float x = 0, y = 0, z = 0, w = 1;
};

// A color of four bytes, as scripts and vertex data carry it.
struct Color {
    unsigned char r = 0, g = 0, b = 0, a = 0;

    bool operator==(const Color&) const = default;
};

} // namespace engine
