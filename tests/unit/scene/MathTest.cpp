#include "engine/scene/Bounds.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <string>
#include <vector>

using namespace engine;

namespace {

constexpr float Pi = std::numbers::pi_v<float>;
constexpr float Tolerance = 1e-5f;

void expectNear(const Vec3& actual, const Vec3& expected, const std::string& what = "", float tolerance = Tolerance) {
    EXPECT_NEAR(actual.x, expected.x, tolerance) << what;
    EXPECT_NEAR(actual.y, expected.y, tolerance) << what;
    EXPECT_NEAR(actual.z, expected.z, tolerance) << what;
}

void expectNear(const Mat3& actual, const Mat3& expected, const std::string& what = "") {
    for (int i = 0; i < 3; ++i)
        expectNear(actual.row[i], expected.row[i], what + " row " + std::to_string(i));
}

void expectNear(const Mat4& actual, const Mat4& expected, const std::string& what = "", float tolerance = Tolerance) {
    for (int i = 0; i < 4; ++i) {
        for (int j = 0; j < 4; ++j)
            EXPECT_NEAR(actual.m[i][j], expected.m[i][j], tolerance) << what << " [" << i << "][" << j << "]";
    }
}

// Rotates v by angle about the unit axis k (right-handed), independently of the
// matrix code: Rodrigues' formula.
Vec3 rodrigues(const Vec3& v, const Vec3& k, float angle) {
    float c = std::cos(angle), s = std::sin(angle);
    return v * c + cross(k, v) * s + k * (dot(k, v) * (1 - c));
}

const Vec3 Axes[3] = {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}};

// A scaled, sheared, rotated and translated transform.
Mat4x3 skewed() {
    Mat4x3 m{Mat3::fromEuler(0.3f, -1.1f, 0.7f), {4, -2, 9}};
    m.rot.row[0] = m.rot.row[0] * 2.5f;
    m.rot.row[1] = m.rot.row[1] * 0.5f + m.rot.row[0] * 0.25f;
    return m;
}

} // namespace

TEST(MathTest, ElementaryRotationsTurnRightHandedAboutTheirAxis) {
    for (int axis = 0; axis < 3; ++axis) {
        Mat3 m = Mat3::rotationAbout(axis, 0.8f);
        for (int i = 0; i < 3; ++i)
            expectNear(Axes[i] * m, rodrigues(Axes[i], Axes[axis], 0.8f), "axis " + std::to_string(axis));
    }
}

TEST(MathTest, EulerOrdersApplyTheirRotationsInTurnWithNegatedAngles) {
    const char* names[] = {"xyz", "xzy", "yxz", "yzx", "zxy", "zyx"};
    const float angles[3] = {0.4f, -0.9f, 1.3f};
    for (int order = 0; order < 6; ++order) {
        Mat3 m = Mat3::fromEuler(angles[0], angles[1], angles[2], static_cast<RotationOrder>(order));
        for (int i = 0; i < 3; ++i) {
            Vec3 v = Axes[i];
            for (const char* step = names[order]; *step; ++step) {
                int axis = *step - 'x';
                v = rodrigues(v, Axes[axis], -angles[axis]);
            }
            expectNear(m.row[i], v, names[order]);
        }
    }
    // The first row of "xyz" in closed form, and a quarter turn about Y.
    float ay = angles[1], az = angles[2];
    expectNear(Mat3::fromEuler(angles[0], ay, az).row[0],
               {std::cos(ay) * std::cos(az), -std::cos(ay) * std::sin(az), std::sin(ay)});
    expectNear(Mat3::fromEuler(0, Pi / 2, 0).row[0], {0, 0, 1});
    EXPECT_EQ(Mat4x3::fromEuler(0.1f, 0.2f, 0.3f, RotationOrder::ZXY).pos, Vec3{});
}

TEST(MathTest, BasisFromDirectionIsOrthonormalWithZAlongTheDirection) {
    struct Case {
        Vec3 direction;
        Mat3 expected;
    };
    float s = std::sqrt(0.5f);
    const Case cases[] = {
        {{0, 0, 1}, Mat3::identity()},
        {{0, 0, 3}, Mat3::identity()},
        {{2, 0, 0}, {{{0, 0, -1}, {0, 1, 0}, {1, 0, 0}}}},
        {{1, 1, 0}, {{{0, 0, -1}, {-s, s, 0}, {s, s, 0}}}},
        // Straight down or up: the X axis is the hint.
        {{0, -1, 0}, {{{1, 0, 0}, {0, 0, 1}, {0, -1, 0}}}},
        {{0, 4, 0}, {{{1, 0, 0}, {0, 0, -1}, {0, 1, 0}}}},
    };
    for (const Case& c : cases) {
        Mat3 m = Mat3::basisFromDirection(c.direction);
        expectNear(m, c.expected, "direction");
        EXPECT_NEAR(determinant(m), 1, Tolerance);
    }
    Mat3 m = Mat3::basisFromDirection({3, 4, -2});
    expectNear(m.row[2], normalize({3, 4, -2}));
    expectNear(m * transpose(m), Mat3::identity(), "orthonormal");
    EXPECT_GT(m.row[1].y, 0) << "Y stays on the up side";
}

TEST(MathTest, QuaternionToMatrixMatchesTheRotationItEncodes) {
    const Vec3 axes[] = {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}, normalize({1, -2, 3})};
    for (const Vec3& k : axes) {
        float angle = 1.2f;
        Quat q{k.x * std::sin(angle / 2), k.y * std::sin(angle / 2), k.z * std::sin(angle / 2), std::cos(angle / 2)};
        Mat3 m = Mat3::fromQuat(q);
        for (int i = 0; i < 3; ++i)
            expectNear(m.row[i], rodrigues(Axes[i], k, angle), "axis");
    }
    // Used as given: a quaternion of length 2 is not renormalized.
    Mat3 m = Mat3::fromQuat({0, 0, 2 * std::sin(0.5f), 2 * std::cos(0.5f)});
    EXPECT_NEAR(m.row[0].x, 1 - 8 * std::sin(0.5f) * std::sin(0.5f), Tolerance);
}

TEST(MathTest, TransformProductAppliesTheLeftOperandFirst) {
    Mat4x3 a{Mat3::rotationY(0.7f), {1, 2, 3}};
    Mat4x3 b = skewed();
    const Vec3 points[] = {{0, 0, 0}, {1, -2, 0.5f}, {-3, 7, 11}};
    for (const Vec3& p : points) {
        expectNear((a * b).transformPoint(p), b.transformPoint(a.transformPoint(p)), "point", 1e-4f);
        expectNear((a * b).transformDirection(p), b.transformDirection(a.transformDirection(p)), "direction", 1e-4f);
    }
    expectNear(a.transformDirection({0, 0, 1}), Vec3{0, 0, 1} * Mat3::rotationY(0.7f), "no translation");
}

TEST(MathTest, InversesUndoTheirTransform) {
    struct Case {
        const char* name;
        Mat4x3 m;
        bool rigid;
    };
    const Case cases[] = {
        {"rotation and translation", {Mat3::fromEuler(1, 2, 3, RotationOrder::YZX), {5, -6, 7}}, true},
        {"scaled and sheared", skewed(), false},
    };
    for (const Case& c : cases) {
        Mat4x3 inv = inverse(c.m);
        expectNear(Mat4::fromMat4x3(c.m * inv), Mat4::identity(), c.name, 1e-4f);
        expectNear(Mat4::fromMat4x3(inv * c.m), Mat4::identity(), c.name, 1e-4f);
        // The 4×4 cofactor inverse is an independent route to the same matrix.
        expectNear(Mat4::fromMat4x3(inv), inverse(Mat4::fromMat4x3(c.m)), c.name, 1e-4f);
        if (c.rigid)
            expectNear(Mat4::fromMat4x3(rigidInverse(c.m)), Mat4::fromMat4x3(inv), c.name, 1e-4f);
    }
    expectNear(inverse(Mat3::rotationX(0.3f)) * Mat3::rotationX(0.3f), Mat3::identity(), "Mat3");

    Mat4 general;
    float values[16] = {2, 0.5f, -1, 0.25f, 3, 1, 0, -2, 0.5f, -4, 1, 1, 7, 2, -3, 1};
    std::copy(values, values + 16, &general.m[0][0]);
    expectNear(general * inverse(general), Mat4::identity(), "Mat4", 1e-4f);
    Mat4 projection = Mat4::perspective(1.2f, 0.75f, 0.5f, 200);
    expectNear(inverse(projection) * projection, Mat4::identity(), "projection", 1e-4f);
}

TEST(MathTest, SingularMatricesGiveNonFiniteResults) {
    Mat4x3 flat{Mat3::zero(), {1, 2, 3}};
    EXPECT_FALSE(std::isfinite(inverse(flat).rot.row[0].x));
    EXPECT_FALSE(std::isfinite(inverse(Mat4::identity() * 0.0f).m[0][0]));
    EXPECT_FALSE(std::isfinite(normalize(Vec3{}).x));
}

TEST(MathTest, Mat4BasicsFollowRowVectors) {
    Mat4x3 t = skewed();
    Mat4 m = Mat4::fromMat4x3(t);
    EXPECT_EQ(m.m[0][3], 0);
    EXPECT_EQ(m.m[3][3], 1);
    Vec4 p = Vec4{1, -2, 3, 1} * m;
    Vec3 expected = t.transformPoint({1, -2, 3});
    expectNear(Vec3{p.x, p.y, p.z}, expected);
    EXPECT_FLOAT_EQ(p.w, 1);
    Vec4 d = Vec4{1, -2, 3, 0} * m;
    expectNear(Vec3{d.x, d.y, d.z}, t.transformDirection({1, -2, 3}));
    EXPECT_EQ(transpose(transpose(m)), m);
    EXPECT_EQ(transpose(m).m[0][3], m.m[3][0]);
    EXPECT_FLOAT_EQ((m * 2.0f).m[3][0], 2 * m.m[3][0]);
    expectNear(Mat4::fromMat4x3(t * t), m * m, "product");
}

TEST(MathTest, PerspectiveMapsTheFrustumToUnitDepth) {
    // A quarter turn of field of view: the x edge lies at |x| = z.
    Mat4 p = Mat4::perspective(Pi / 2, 0.75f, 1, 101);
    EXPECT_EQ(p.m[3][3], 0);
    EXPECT_EQ(p.m[2][3], 1);
    struct Case {
        Vec4 view;
        Vec3 ndc;
    };
    const Case cases[] = {
        {{0, 0, 1, 1}, {0, 0, 0}},
        {{0, 0, 101, 1}, {0, 0, 1}},
        {{10, 0, 10, 1}, {1, 0, -1}},
        {{-10, 7.5f, 10, 1}, {-1, 1, -1}},
    };
    for (const Case& c : cases) {
        Vec4 clip = c.view * p;
        EXPECT_FLOAT_EQ(clip.w, c.view.z) << "view z goes to w";
        EXPECT_NEAR(clip.x / clip.w, c.ndc.x, Tolerance);
        EXPECT_NEAR(clip.y / clip.w, c.ndc.y, Tolerance);
        if (c.ndc.z >= 0) {
            EXPECT_NEAR(clip.z / clip.w, c.ndc.z, Tolerance);
        }
    }
}

TEST(MathTest, OrthographicMapsTheBoxCorners) {
    Vec3 min{-2, -1, 1}, max{6, 3, 5};
    Mat4 o = Mat4::orthoOffCenter(min, max);
    Vec4 lo = Vec4{min.x, min.y, min.z, 1} * o;
    Vec4 hi = Vec4{max.x, max.y, max.z, 1} * o;
    expectNear(Vec3{lo.x, lo.y, lo.z}, {-1, -1, 0});
    expectNear(Vec3{hi.x, hi.y, hi.z}, {1, 1, 1});
    EXPECT_EQ(hi.w, 1);
}

TEST(MathTest, BoxTests) {
    BoundingBox unit{{0, 0, 0}, {1, 1, 1}};
    struct Case {
        const char* name;
        BoundingBox other;
        bool overlaps;
    };
    const Case cases[] = {
        {"inside", {{0.2f, 0.2f, 0.2f}, {0.5f, 0.5f, 0.5f}}, true},
        {"touching a face", {{1, 0, 0}, {2, 1, 1}}, true},
        {"apart on z only", {{0, 0, 1.01f}, {1, 1, 2}}, false},
        {"apart below", {{-2, -2, -2}, {-0.1f, 1, 1}}, false},
        {"enclosing", {{-5, -5, -5}, {5, 5, 5}}, true},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(intersects(unit, c.other), c.overlaps) << c.name;
        EXPECT_EQ(intersects(c.other, unit), c.overlaps) << c.name;
    }
    EXPECT_FALSE(unit.isEmpty());
    EXPECT_TRUE(BoundingBox{}.isEmpty());

    BoundingBox turned = transform(BoundingBox{{0, 0, 0}, {2, 1, 1}}, {Mat3::rotationY(Pi / 2), {10, 0, 0}});
    expectNear(turned.min, {10, 0, -2});
    expectNear(turned.max, {11, 1, 0});
    BoundingBox tilted = transform(unit, {Mat3::rotationZ(Pi / 4), {}});
    expectNear(tilted.min, {-std::sqrt(0.5f), 0, 0});
    expectNear(tilted.max, {std::sqrt(0.5f), std::sqrt(2.0f), 1});
}

TEST(MathTest, SphereAgainstBox) {
    BoundingBox unit{{0, 0, 0}, {1, 1, 1}};
    struct Case {
        BoundingSphere sphere;
        bool hits;
    };
    const Case cases[] = {
        {{{0.5f, 0.5f, 0.5f}, 0.1f}, true},
        {{{3, 0.5f, 0.5f}, 2}, true},      // touching a face
        {{{3, 0.5f, 0.5f}, 1.99f}, false},
        {{{4, 5, 1}, 5}, true},            // touching a corner edge: 3² + 4² = 5²
        {{{4, 5, 1}, 4.99f}, false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(intersects(c.sphere, unit), c.hits) << c.sphere.center.x << " r " << c.sphere.radius;
}

TEST(MathTest, PlanesAgainstBox) {
    BoundingBox unit{{0, 0, 0}, {1, 1, 1}};
    EXPECT_TRUE(insidePlanes(nullptr, 0, unit));
    struct Case {
        Plane plane;
        bool kept;
    };
    const Case cases[] = {
        {{{1, 0, 0}, 0.5f}, true},   // straddling
        {{{1, 0, 0}, 1}, true},      // touching from inside
        {{{1, 0, 0}, 1.01f}, false}, // wholly outside
        {{{-1, 0, 0}, 0}, true},     // touching
        {{{-1, 0, 0}, 0.01f}, false},
        {{normalize({1, 1, 1}), std::sqrt(3.0f) + 0.01f}, false},
        {{normalize({1, 1, 1}), std::sqrt(3.0f) - 0.01f}, true},
    };
    for (const Case& c : cases)
        EXPECT_EQ(insidePlanes(&c.plane, 1, unit), c.kept) << c.plane.n.x << " " << c.plane.d;
    Plane both[] = {{{1, 0, 0}, 0.5f}, {{0, -1, 0}, 0.1f}};
    EXPECT_FALSE(insidePlanes(both, 2, unit)) << "any one plane rejects";
}

TEST(MathTest, RayAgainstBox) {
    BoundingBox unit{{0, 0, 0}, {1, 1, 1}};
    struct Case {
        const char* name;
        Ray ray;
        bool hits;
        float distance;
    };
    const Case cases[] = {
        {"from the front", {{0.5f, 0.5f, -2}, {0, 0, 1}}, true, 2},
        {"unnormalized direction", {{0.5f, 0.5f, -2}, {0, 0, 4}}, true, 0.5f},
        {"starting inside", {{0.5f, 0.5f, 0.5f}, {1, 1, 0}}, true, 0},
        {"box behind", {{0.5f, 0.5f, 3}, {0, 0, 1}}, false, 0},
        {"parallel outside the slab", {{1.5f, 0.5f, -2}, {0, 0, 1}}, false, 0},
        {"parallel outside although the other axes pass", {{0.5f, -0.5f, -2}, {1e-7f, 0, 1}}, false, 0},
        {"parallel along a face", {{1, 0.5f, -2}, {0, 0, 1}}, true, 2},
        {"diagonal", {{-1, -1, -1}, {1, 1, 1}}, true, 1},
        {"diagonal miss", {{-1, 2.5f, -1}, {1, 0, 1}}, false, 0},
    };
    for (const Case& c : cases) {
        float t = -1;
        EXPECT_EQ(intersects(c.ray, unit, &t), c.hits) << c.name;
        if (c.hits) {
            EXPECT_NEAR(t, c.distance, Tolerance) << c.name;
        }
    }
}

TEST(MathTest, RayAgainstTriangle) {
    Vec3 a{0, 0, 0}, b{1, 0, 0}, c{0, 1, 0};
    struct Case {
        const char* name;
        Ray ray;
        float minDistance;
        bool hits;
        float distance;
    };
    const Case cases[] = {
        {"through the middle", {{0.25f, 0.25f, -3}, {0, 0, 1}}, 0, true, 3},
        {"from the other side", {{0.25f, 0.25f, 3}, {0, 0, -1}}, 0, true, 3},
        {"distance in units of the direction", {{0.25f, 0.25f, -3}, {0, 0, 2}}, 0, true, 1.5f},
        {"on an edge", {{0.5f, 0.5f, -1}, {0, 0, 1}}, 0, true, 1},
        {"outside u", {{-0.1f, 0.5f, -1}, {0, 0, 1}}, 0, false, 0},
        {"outside u + v", {{0.6f, 0.6f, -1}, {0, 0, 1}}, 0, false, 0},
        {"parallel", {{0.25f, 0.25f, -1}, {1, 0, 0}}, 0, false, 0},
        {"behind the origin", {{0.25f, 0.25f, 1}, {0, 0, 1}}, 0, false, 0},
        {"nearer than the minimum", {{0.25f, 0.25f, -3}, {0, 0, 1}}, 3.5f, false, 0},
    };
    for (const Case& k : cases) {
        float t = -1;
        EXPECT_EQ(intersectsTriangle(k.ray, a, b, c, k.minDistance, &t), k.hits) << k.name;
        EXPECT_EQ(intersectsTriangle(k.ray, a, c, b, k.minDistance), k.hits) << k.name << " (other winding)";
        if (k.hits) {
            EXPECT_NEAR(t, k.distance, Tolerance) << k.name;
        }
    }
}
