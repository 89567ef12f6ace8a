#pragma once

// What every backend's sun and spot shadows share: where the four cascades of
// a directional light begin and end, the light matrix of each, the planes
// that cull its casters, the order of its passes, and the matrices of a spot
// light's shadow map and stencil cone. Backends draw; this file only measures.

#include "engine/scene/Bounds.h"
#include "engine/scene/Matrix.h"

#include <array>
#include <functional>

namespace engine {

class Camera;
class LightEntity;

constexpr int CascadeCount = 4;
// One square map serves every cascade and every spot light in turn.
constexpr int ShadowMapSize = 1024;
// Casters this far in front of a slice, on the light's side, still reach it.
constexpr float CascadeCasterReach = 20.0f;
// Sides of the spot light volume's base.
constexpr int SpotVolumeSides = 10;

// View distances split(0) = near .. split(4) = f, f the nearer of the camera's
// far distance and the light's max shadow distance: a blend of logarithmic
// (0.7) and even (0.3) steps, so near cascades get most of the map.
std::array<float, CascadeCount + 1> cascadeSplits(float nearDistance, float farDistance, float maxShadowDistance);

// (a, b) with a·z + b going from 0 at 80 % to 1 at 100 % of the shadow
// distance (the nearer of the far distance and the max shadow distance).
Vec2 shadowFade(float farDistance, float maxShadowDistance);

// z/w of the view-space point (0, 0, distance) through the projection.
float projectedDepth(const Mat4& projection, float viewDistance);

// One cascade: the camera's view slice between two distances, seen by the light.
struct CascadeSlice {
    int index = 0;
    float nearSplit = 0;  // view distances
    float farSplit = 0;
    // World space: near corners (-1, 1), (1, 1), (1, -1), (-1, -1) of the
    // screen, then the far corners in the same order.
    std::array<Vec3, 8> corners;
    // World space to the light's box: x, y in -1..1 and depth 0..1.
    Mat4 shadowMatrix;
    // World size of one texel of the shadow map across the box (its wider side).
    float texelSize = 0;
    // The culling planes of its casters (inside: n·p >= d) and how many there are.
    std::array<Plane, 6 + 12> casterPlanes;
    int casterPlaneCount = 0;
};

// The slice from c0 to c1 for a light with that world transform (its +Z the
// way the light travels).
CascadeSlice cascadeSlice(Camera& camera, const Mat4x3& lightWorld, const Mat4x3& lightWorldInverse, float c0,
                          float c1);

// The frustum planes of the camera that face away from the light, then a plane
// through each silhouette edge of the slice as the light sees it, containing
// the light's direction: every caster whose shadow can fall into the slice is
// inside them all.
int cascadeCasterPlanes(Camera& camera, const Vec3& lightDirection, const std::array<Vec3, 8>& corners,
                        Plane* out);

// The pass order of a shadowed sun, the same on every backend: each cascade
// is rendered into the shadow map and then lit before the next one reuses
// the map. The light must be on a node.
void forEachCascade(Camera& camera, LightEntity& light, const std::function<void(const CascadeSlice&)>& renderAndLight);

// Clip space of a shadow render to texture coordinates 0..1, depth kept: y
// up as GL stores render targets, or, for a backend whose texture rows run
// down and whose texel centres sit half a texel off (Direct3D 9), y flipped
// and shifted by half a texel of a map of width × height.
Mat4 shadowTextureMatrix();
Mat4 shadowTextureMatrixRowsDown(int width, int height);

// The spot light's shadow projection: its cone angle, square, near 0.1, far its range.
Mat4 spotShadowProjection(const LightEntity& light);

// The cone volume's model matrix: the unit cone (apex at the origin, base of
// SpotVolumeSides sides at z = 1) widened so that its base encloses the
// spot's circle at the range, then placed by the light's world transform.
Mat4x3 spotVolumeTransform(const LightEntity& light, const Mat4x3& lightWorld);

} // namespace engine
