#pragma once

// Matrices for row vectors: a point p transforms as p·M, and A·B means "apply
// A, then B". Row i of a rotation is the image of axis i, so the rows are the
// object's local axes in the parent's space.

#include "engine/scene/Vector.h"

namespace engine {

// The six Euler rotation orders, numbered as scripts and files number them.
enum class RotationOrder { XYZ, XZY, YXZ, YZX, ZXY, ZYX };

struct Mat3 {
    Vec3 row[3] = {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}};

    static Mat3 identity() { return {}; }
    static Mat3 zero() { return {{{0, 0, 0}, {0, 0, 0}, {0, 0, 0}}}; }

    // Elementary rotations about X, Y and Z.
    static Mat3 rotationX(float angle);
    static Mat3 rotationY(float angle);
    static Mat3 rotationZ(float angle);
    // Rotation about axis 0, 1 or 2.
    static Mat3 rotationAbout(int axis, float angle);
    // Angles are always given in x, y, z order; the order says how they compose.
    static Mat3 fromEuler(float ax, float ay, float az, RotationOrder order = RotationOrder::XYZ);
    // A basis whose Z row is the direction, with Y as close to up as it allows.
    static Mat3 basisFromDirection(const Vec3& direction);
    // The quaternion is used as given, not renormalized.
    static Mat3 fromQuat(const Quat& q);

    bool operator==(const Mat3&) const = default;
};

inline Vec3 operator*(const Vec3& v, const Mat3& m) {
    return m.row[0] * v.x + m.row[1] * v.y + m.row[2] * v.z;
}

inline Mat3 operator*(const Mat3& a, const Mat3& b) {
    return {{a.row[0] * b, a.row[1] * b, a.row[2] * b}};
}

Mat3 transpose(const Mat3& m);
float determinant(const Mat3& m);
// Adjugate over determinant; a singular matrix gives non-finite elements.
Mat3 inverse(const Mat3& m);

// An affine transform: a Mat3 followed by a translation row.
struct Mat4x3 {
    Mat3 rot;
    Vec3 pos;

    static Mat4x3 identity() { return {}; }
    static Mat4x3 zero() { return {Mat3::zero(), {}}; }
    static Mat4x3 fromEuler(float ax, float ay, float az, RotationOrder order = RotationOrder::XYZ) {
        return {Mat3::fromEuler(ax, ay, az, order), {}};
    }

    Vec3 transformPoint(const Vec3& p) const { return p * rot + pos; }
    Vec3 transformDirection(const Vec3& d) const { return d * rot; }

    bool operator==(const Mat4x3&) const = default;
};

// Rotation Ra·Rb, translation ta·Rb + tb.
inline Mat4x3 operator*(const Mat4x3& a, const Mat4x3& b) {
    return {a.rot * b.rot, a.pos * b.rot + b.pos};
}

// The inverse of the transform as a 4×4 whose fourth column is (0, 0, 0, 1):
// correct for scale and shear; a singular matrix gives non-finite elements.
Mat4x3 inverse(const Mat4x3& m);
// Transposed rotation and counter-rotated translation; only for orthonormal rotations.
Mat4x3 rigidInverse(const Mat4x3& m);

struct Mat4 {
    float m[4][4] = {{1, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, 1, 0}, {0, 0, 0, 1}};

    static Mat4 identity() { return {}; }
    // The rotation and translation rows, with (0, 0, 0, 1) as fourth column.
    static Mat4 fromMat4x3(const Mat4x3& t);
    // Depth maps to 0 (near) .. 1 (far) and view-space z goes to w; the field
    // of view spans x, and the visible y extent is the aspect times the x extent.
    static Mat4 perspective(float fieldOfView, float aspect, float nearZ, float farZ);
    // Maps the box to x, y in -1..1 and z in 0..1.
    static Mat4 orthoOffCenter(const Vec3& min, const Vec3& max);

    bool operator==(const Mat4&) const = default;
};

Mat4 operator*(const Mat4& a, const Mat4& b);
Mat4 operator*(const Mat4& a, float s);
Vec4 operator*(const Vec4& v, const Mat4& m);
Mat4 transpose(const Mat4& m);
// Cofactors over 2×2 sub-determinants; a singular matrix gives non-finite elements.
Mat4 inverse(const Mat4& m);

} // namespace engine
