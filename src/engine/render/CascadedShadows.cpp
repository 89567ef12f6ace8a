#include "engine/render/CascadedShadows.h"

#include "engine/render/LightEntity.h"
#include "engine/scene/Camera.h"

#include <algorithm>
#include <cfloat>
#include <cmath>

namespace engine {

namespace {

constexpr float SpotNear = 0.1f;

// The spot cone's base polygon lies inside the unit circle; its sides touch
// a circle of radius cos(pi / sides) = sin(2 pi / 5) for ten sides.
const float SpotVolumeApothem = std::sin(1.2566371f);

// The eight corners of a slice in view space.
std::array<Vec3, 8> sliceCorners(const Mat4& inverseProjection, float nearDistance, float c0, float c1) {
    static const Vec2 screen[4] = {{-1, 1}, {1, 1}, {1, -1}, {-1, -1}};
    std::array<Vec3, 8> corners;
    for (int i = 0; i < 4; ++i) {
        Vec4 h = Vec4{screen[i].x, screen[i].y, 0, 1} * inverseProjection;
        Vec3 onNear{h.x / h.w, h.y / h.w, h.z / h.w};
        corners[size_t(i)] = onNear * (c0 / nearDistance);
        corners[size_t(i) + 4] = onNear * (c1 / nearDistance);
    }
    return corners;
}

} // namespace

std::array<float, CascadeCount + 1> cascadeSplits(float nearDistance, float farDistance, float maxShadowDistance) {
    double n = nearDistance;
    double f = std::min(maxShadowDistance, farDistance);
    std::array<float, CascadeCount + 1> splits{};
    for (int i = 0; i <= CascadeCount; ++i) {
        double t = double(i) / CascadeCount;
        splits[size_t(i)] = float(0.7 * n * std::pow(f / n, t) + 0.3 * (n + (f - n) * t));
    }
    return splits;
}

Vec2 shadowFade(float farDistance, float maxShadowDistance) {
    float j = std::min(maxShadowDistance, farDistance);
    float m = 0.8f * j;
    return {1 / (j - m), -m / (j - m)};
}

float projectedDepth(const Mat4& projection, float viewDistance) {
    Vec4 p = Vec4{0, 0, viewDistance, 1} * projection;
    return p.z / p.w;
}

CascadeSlice cascadeSlice(Camera& camera, const Mat4x3& lightWorld, const Mat4x3& lightWorldInverse, float c0,
                          float c1) {
    CascadeSlice slice;
    slice.nearSplit = c0;
    slice.farSplit = c1;
    std::array<Vec3, 8> view = sliceCorners(camera.inverseProjection(), camera.nearDistance(), c0, c1);
    BoundingBox box;
    const Mat4x3& cameraWorld = camera.worldTransform();
    for (size_t i = 0; i < 8; ++i) {
        slice.corners[i] = cameraWorld.transformPoint(view[i]);
        box.add(lightWorldInverse.transformPoint(slice.corners[i]));
    }
    box.min.z -= CascadeCasterReach;
    slice.texelSize = std::max(box.max.x - box.min.x, box.max.y - box.min.y) / float(ShadowMapSize);
    slice.shadowMatrix = Mat4::fromMat4x3(lightWorldInverse) * Mat4::orthoOffCenter(box.min, box.max);
    slice.casterPlaneCount = cascadeCasterPlanes(camera, lightWorld.rot.row[2], slice.corners, slice.casterPlanes.data());
    return slice;
}

int cascadeCasterPlanes(Camera& camera, const Vec3& lightDirection, const std::array<Vec3, 8>& corners,
                        Plane* out) {
    int count = 0;
    const Plane* frustum = camera.planes();
    for (int i = 0; i < Camera::PlaneCount; ++i) {
        if (dot(frustum[i].n, lightDirection) < 0)
            out[count++] = frustum[i];
    }

    // Faces by corner index, and each edge with its two faces.
    static const int faces[6][4] = {{0, 1, 2, 3}, {4, 5, 6, 7}, {0, 1, 5, 4},
                                    {1, 2, 6, 5}, {2, 3, 7, 6}, {3, 0, 4, 7}};
    enum { NearFace, FarFace, TopFace, RightFace, BottomFace, LeftFace };
    static const int edges[12][4] = {
        {0, 1, NearFace, TopFace},   {1, 2, NearFace, RightFace}, {2, 3, NearFace, BottomFace},
        {3, 0, NearFace, LeftFace},  {4, 5, FarFace, TopFace},    {5, 6, FarFace, RightFace},
        {6, 7, FarFace, BottomFace}, {7, 4, FarFace, LeftFace},   {0, 4, TopFace, LeftFace},
        {1, 5, TopFace, RightFace},  {2, 6, RightFace, BottomFace}, {3, 7, BottomFace, LeftFace},
    };
    Vec3 center = (corners[0] + corners[6]) * 0.5f;
    float facing[6];
    for (int f = 0; f < 6; ++f) {
        const Vec3& a = corners[size_t(faces[f][0])];
        Vec3 faceCenter = (a + corners[size_t(faces[f][2])]) * 0.5f;
        Vec3 normal = cross(corners[size_t(faces[f][1])] - a, corners[size_t(faces[f][3])] - a);
        if (dot(normal, faceCenter - center) < 0)
            normal = normal * -1.0f;
        facing[f] = dot(lightDirection, normal);
    }
    for (const auto& edge : edges) {
        if ((facing[edge[2]] > 0) == (facing[edge[3]] > 0))
            continue;
        const Vec3& a = corners[size_t(edge[0])];
        const Vec3& b = corners[size_t(edge[1])];
        Vec3 n = cross(b - a, lightDirection);
        float len = length(n);
        if (!(len > 1e-6f * length(b - a) * length(lightDirection)))
            continue;  // the edge runs along the light: no plane through it
        Plane plane{n * (1 / len), 0};
        plane.d = dot(plane.n, a);
        if (dot(plane.n, center) < plane.d)
            plane = {plane.n * -1.0f, -plane.d};
        out[count++] = plane;
    }
    return count;
}

void forEachCascade(Camera& camera, LightEntity& light, const std::function<void(const CascadeSlice&)>& renderAndLight) {
    Node* node = light.node();
    const Mat4x3& world = node->worldTransform();
    const Mat4x3& worldInverse = node->worldInverse();
    auto splits = cascadeSplits(camera.nearDistance(), camera.farDistance(), light.maxShadowDistance());
    for (int i = 0; i < CascadeCount; ++i) {
        CascadeSlice slice = cascadeSlice(camera, world, worldInverse, splits[size_t(i)], splits[size_t(i) + 1]);
        slice.index = i;
        renderAndLight(slice);
    }
}

Mat4 shadowTextureMatrix() {
    Mat4 t;
    t.m[0][0] = 0.5f;
    t.m[1][1] = 0.5f;
    t.m[3][0] = 0.5f;
    t.m[3][1] = 0.5f;
    return t;
}

Mat4 shadowTextureMatrixRowsDown(int width, int height) {
    Mat4 t;
    t.m[0][0] = 0.5f;
    t.m[1][1] = -0.5f;
    t.m[3][0] = 0.5f + 0.5f / float(width);
    t.m[3][1] = 0.5f + 0.5f / float(height);
    return t;
}

Mat4 spotShadowProjection(const LightEntity& light) {
    // A range at or inside the near distance would give no depth range at all.
    float farZ = std::max(light.lightRange(), SpotNear * 2);
    return Mat4::perspective(light.spotAngle(), 1, SpotNear, farZ);
}

Mat4x3 spotVolumeTransform(const LightEntity& light, const Mat4x3& lightWorld) {
    float range = light.lightRange();
    float radius = std::tan(light.spotAngle() / 2) * range / SpotVolumeApothem;
    Mat4x3 scale{Mat3{{{radius, 0, 0}, {0, radius, 0}, {0, 0, range}}}, {}};
    return scale * lightWorld;
}

} // namespace engine
