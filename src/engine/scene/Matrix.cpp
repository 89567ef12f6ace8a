#include "engine/scene/Matrix.h"

#include <cmath>

namespace engine {

Mat3 Mat3::rotationX(float a) {
    float c = std::cos(a), s = std::sin(a);
    return {{{1, 0, 0}, {0, c, s}, {0, -s, c}}};
}

Mat3 Mat3::rotationY(float a) {
    float c = std::cos(a), s = std::sin(a);
    return {{{c, 0, -s}, {0, 1, 0}, {s, 0, c}}};
}

Mat3 Mat3::rotationZ(float a) {
    float c = std::cos(a), s = std::sin(a);
    return {{{c, s, 0}, {-s, c, 0}, {0, 0, 1}}};
}

Mat3 Mat3::rotationAbout(int axis, float angle) {
    switch (axis) {
    case 0:
        return rotationX(angle);
    case 1:
        return rotationY(angle);
    default:
        return rotationZ(angle);
    }
}

Mat3 Mat3::fromEuler(float ax, float ay, float az, RotationOrder order) {
    // Order "pqr" composes Rp(-ap)·Rq(-aq)·Rr(-ar).
    Mat3 x = rotationX(-ax), y = rotationY(-ay), z = rotationZ(-az);
    switch (order) {
    case RotationOrder::XYZ:
        return x * y * z;
    case RotationOrder::XZY:
        return x * z * y;
    case RotationOrder::YXZ:
        return y * x * z;
    case RotationOrder::YZX:
        return y * z * x;
    case RotationOrder::ZXY:
        return z * x * y;
    case RotationOrder::ZYX:
        return z * y * x;
    }
    return x * y * z;
}

Mat3 Mat3::basisFromDirection(const Vec3& d) {
    Mat3 m;
    m.row[2] = d;
    if (d.x != 0 || d.z != 0) {
        m.row[0] = cross({0, 1, 0}, d);
        m.row[1] = cross(d, m.row[0]);
    } else {
        // Straight up or down: up is no use as a hint, X is.
        m.row[1] = cross(d, {1, 0, 0});
        m.row[0] = cross(m.row[1], d);
    }
    for (Vec3& row : m.row)
        row = normalize(row);
    return m;
}

Mat3 Mat3::fromQuat(const Quat& q) {
    float x = q.x, y = q.y, z = q.z, w = q.w;
    return {{
        {1 - 2 * (y * y + z * z), 2 * x * y + 2 * z * w, 2 * x * z - 2 * y * w},
        {2 * x * y - 2 * z * w, 1 - 2 * (x * x + z * z), 2 * y * z + 2 * x * w},
        {2 * x * z + 2 * y * w, 2 * y * z - 2 * x * w, 1 - 2 * (x * x + y * y)},
    }};
}

Mat3 transpose(const Mat3& m) {
    const Vec3* r = m.row;
    return {{{r[0].x, r[1].x, r[2].x}, {r[0].y, r[1].y, r[2].y}, {r[0].z, r[1].z, r[2].z}}};
}

float determinant(const Mat3& m) {
    return dot(m.row[0], cross(m.row[1], m.row[2]));
}

Mat3 inverse(const Mat3& m) {
    // The columns of the inverse are the cross products of the rows, over the determinant.
    Vec3 c0 = cross(m.row[1], m.row[2]);
    Vec3 c1 = cross(m.row[2], m.row[0]);
    Vec3 c2 = cross(m.row[0], m.row[1]);
    float invDet = 1.0f / dot(m.row[0], c0);
    return transpose(Mat3{{c0 * invDet, c1 * invDet, c2 * invDet}});
}

Mat4x3 inverse(const Mat4x3& m) {
    // With a fourth column of (0, 0, 0, 1) the 4×4 cofactor inverse reduces to
    // the 3×3 inverse and the translation carried back through it.
    Mat3 r = inverse(m.rot);
    return {r, -(m.pos * r)};
}

Mat4x3 rigidInverse(const Mat4x3& m) {
    Mat3 r = transpose(m.rot);
    return {r, -(m.pos * r)};
}

Mat4 Mat4::fromMat4x3(const Mat4x3& t) {
    Mat4 out;
    for (int i = 0; i < 3; ++i) {
        const Vec3& r = t.rot.row[i];
        out.m[i][0] = r.x;
        out.m[i][1] = r.y;
        out.m[i][2] = r.z;
        out.m[i][3] = 0;
    }
    out.m[3][0] = t.pos.x;
    out.m[3][1] = t.pos.y;
    out.m[3][2] = t.pos.z;
    out.m[3][3] = 1;
    return out;
}

Mat4 Mat4::perspective(float fieldOfView, float aspect, float nearZ, float farZ) {
    float e = std::tan(fieldOfView / 2);
    Mat4 out = Mat4::identity() * 0.0f;
    out.m[0][0] = 1 / e;
    out.m[1][1] = 1 / (e * aspect);
    out.m[2][2] = farZ / (farZ - nearZ);
    out.m[2][3] = 1;
    out.m[3][2] = -nearZ * farZ / (farZ - nearZ);
    return out;
}

Mat4 Mat4::orthoOffCenter(const Vec3& min, const Vec3& max) {
    Mat4 out = Mat4::identity() * 0.0f;
    out.m[0][0] = 2 / (max.x - min.x);
    out.m[1][1] = 2 / (max.y - min.y);
    out.m[2][2] = 1 / (max.z - min.z);
    out.m[3][0] = -min.x * out.m[0][0] - 1;
    out.m[3][1] = -min.y * out.m[1][1] - 1;
    out.m[3][2] = -min.z * out.m[2][2];
    out.m[3][3] = 1;
    return out;
}

Mat4 operator*(const Mat4& a, const Mat4& b) {
    Mat4 out;
    for (int i = 0; i < 4; ++i) {
        for (int j = 0; j < 4; ++j) {
            out.m[i][j] = a.m[i][0] * b.m[0][j] + a.m[i][1] * b.m[1][j] + a.m[i][2] * b.m[2][j] + a.m[i][3] * b.m[3][j];
        }
    }
    return out;
}

Mat4 operator*(const Mat4& a, float s) {
    Mat4 out;
    for (int i = 0; i < 4; ++i) {
        for (int j = 0; j < 4; ++j)
            out.m[i][j] = a.m[i][j] * s;
    }
    return out;
}

Vec4 operator*(const Vec4& v, const Mat4& m) {
    float r[4];
    for (int j = 0; j < 4; ++j)
        r[j] = v.x * m.m[0][j] + v.y * m.m[1][j] + v.z * m.m[2][j] + v.w * m.m[3][j];
    return {r[0], r[1], r[2], r[3]};
}

Mat4 transpose(const Mat4& m) {
    Mat4 out;
    for (int i = 0; i < 4; ++i) {
        for (int j = 0; j < 4; ++j)
            out.m[i][j] = m.m[j][i];
    }
    return out;
}

Mat4 inverse(const Mat4& in) {
    const float(*a)[4] = in.m;
    // 2×2 determinants of the top two rows and of the bottom two rows.
    float s0 = a[0][0] * a[1][1] - a[1][0] * a[0][1];
    float s1 = a[0][0] * a[1][2] - a[1][0] * a[0][2];
    float s2 = a[0][0] * a[1][3] - a[1][0] * a[0][3];
    float s3 = a[0][1] * a[1][2] - a[1][1] * a[0][2];
    float s4 = a[0][1] * a[1][3] - a[1][1] * a[0][3];
    float s5 = a[0][2] * a[1][3] - a[1][2] * a[0][3];
    float c5 = a[2][2] * a[3][3] - a[3][2] * a[2][3];
    float c4 = a[2][1] * a[3][3] - a[3][1] * a[2][3];
    float c3 = a[2][1] * a[3][2] - a[3][1] * a[2][2];
    float c2 = a[2][0] * a[3][3] - a[3][0] * a[2][3];
    float c1 = a[2][0] * a[3][2] - a[3][0] * a[2][2];
    float c0 = a[2][0] * a[3][1] - a[3][0] * a[2][1];
    float invDet = 1.0f / (s0 * c5 - s1 * c4 + s2 * c3 + s3 * c2 - s4 * c1 + s5 * c0);

    Mat4 out;
    float(*b)[4] = out.m;
    b[0][0] = (a[1][1] * c5 - a[1][2] * c4 + a[1][3] * c3) * invDet;
    b[0][1] = (-a[0][1] * c5 + a[0][2] * c4 - a[0][3] * c3) * invDet;
    b[0][2] = (a[3][1] * s5 - a[3][2] * s4 + a[3][3] * s3) * invDet;
    b[0][3] = (-a[2][1] * s5 + a[2][2] * s4 - a[2][3] * s3) * invDet;
    b[1][0] = (-a[1][0] * c5 + a[1][2] * c2 - a[1][3] * c1) * invDet;
    b[1][1] = (a[0][0] * c5 - a[0][2] * c2 + a[0][3] * c1) * invDet;
    b[1][2] = (-a[3][0] * s5 + a[3][2] * s2 - a[3][3] * s1) * invDet;
    b[1][3] = (a[2][0] * s5 - a[2][2] * s2 + a[2][3] * s1) * invDet;
    b[2][0] = (a[1][0] * c4 - a[1][1] * c2 + a[1][3] * c0) * invDet;
    b[2][1] = (-a[0][0] * c4 + a[0][1] * c2 - a[0][3] * c0) * invDet;
    b[2][2] = (a[3][0] * s4 - a[3][1] * s2 + a[3][3] * s0) * invDet;
    b[2][3] = (-a[2][0] * s4 + a[2][1] * s2 - a[2][3] * s0) * invDet;
    b[3][0] = (-a[1][0] * c3 + a[1][1] * c1 - a[1][2] * c0) * invDet;
    b[3][1] = (a[0][0] * c3 - a[0][1] * c1 + a[0][2] * c0) * invDet;
    b[3][2] = (-a[3][0] * s3 + a[3][1] * s1 - a[3][2] * s0) * invDet;
    b[3][3] = (a[2][0] * s3 - a[2][1] * s1 + a[2][2] * s0) * invDet;
    return out;
}

} // namespace engine
