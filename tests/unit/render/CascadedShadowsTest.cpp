#include "engine/render/CascadedShadows.h"
#include "engine/render/LightEntity.h"
#include "engine/scene/Camera.h"

#include <gtest/gtest.h>

#include <memory>

using namespace engine;

namespace {

TEST(CascadedShadows, SplitsBlendLogarithmicAndEvenStepsUpToTheShadowDistance) {
    auto splits = cascadeSplits(0.1f, 100, 1000);
    const float expected[] = {0.1f, 7.916f, 17.229f, 34.955f, 100};
    for (int i = 0; i <= CascadeCount; ++i)
        EXPECT_NEAR(splits[size_t(i)], expected[i], 0.001f) << i;

    EXPECT_FLOAT_EQ(cascadeSplits(0.1f, 100, 50)[CascadeCount], 50);
    Vec2 fade = shadowFade(100, 50);
    EXPECT_FLOAT_EQ(fade.x, 0.1f);
    EXPECT_FLOAT_EQ(fade.y, -4);
    // The fade runs from 80 % to 100 % of the nearer of far and shadow distance.
    fade = shadowFade(40, 1000);
    EXPECT_NEAR(fade.x * 32 + fade.y, 0, 1e-5f);
    EXPECT_NEAR(fade.x * 40 + fade.y, 1, 1e-5f);

    Mat4 projection = Mat4::perspective(1.2f, 0.75f, 0.5f, 100);
    EXPECT_NEAR(projectedDepth(projection, 0.5f), 0, 1e-6f);
    EXPECT_NEAR(projectedDepth(projection, 100), 1, 1e-6f);
}

bool inside(const CascadeSlice& slice, const Vec3& p) {
    for (int i = 0; i < slice.casterPlaneCount; ++i)
        if (dot(slice.casterPlanes[size_t(i)].n, p) < slice.casterPlanes[size_t(i)].d)
            return false;
    return true;
}

// A camera looking along +Z under a sun shining down and a little forward:
// the slice fits the light's box, and only casters whose shadows can fall
// into the slice pass its culling planes.
TEST(CascadedShadows, SliceBoxAndCasterPlanes) {
    std::unique_ptr<Camera> camera(Camera::perspective(1.2f, 0.75f, 0.5f, 100));
    camera->setPosition({0, 2, 0});
    camera->lookAt({0, 2, 10});
    std::unique_ptr<Camera> sunNode(Camera::perspective(1, 1, 1, 2));  // any node will do
    sunNode->lookAt({0, -1, 0.2f});
    const Mat4x3& sun = sunNode->worldTransform();
    CascadeSlice slice = cascadeSlice(*camera, sun, sunNode->worldInverse(), 5, 12);

    // Every corner lands inside the box: x, y in -1..1, depth 0..1, and the
    // depth leaves room in front for casters up to 20 units towards the sun.
    for (const Vec3& corner : slice.corners) {
        Vec4 p = Vec4{corner.x, corner.y, corner.z, 1} * slice.shadowMatrix;
        EXPECT_LE(std::abs(p.x), 1.0001f);
        EXPECT_LE(std::abs(p.y), 1.0001f);
        EXPECT_GT(p.z, 0.0f);
        EXPECT_LE(p.z, 1.0001f);
    }
    EXPECT_GT(slice.texelSize, 0);

    EXPECT_TRUE(inside(slice, {0, 2, 8}));      // in the slice
    EXPECT_TRUE(inside(slice, {0, 25, 4}));     // high above it: its shadow falls in
    EXPECT_FALSE(inside(slice, {0, -20, 8}));   // below the ground of the slice
    EXPECT_FALSE(inside(slice, {60, 2, 8}));    // far beside it
    EXPECT_FALSE(inside(slice, {0, 2, -30}));   // behind the camera, low
}

TEST(CascadedShadows, SpotMatricesFollowTheCone) {
    LightEntity spot(LightEntity::Spot);
    spot.setLightRange(10);
    spot.setSpotAngle(1.0f);
    Mat4x3 world{Mat3::identity(), {1, 2, 3}};
    Mat4x3 volume = spotVolumeTransform(spot, world);
    // The apex at the light, the base at the range, wide enough that the
    // ten-sided base encloses the spot's circle.
    EXPECT_EQ(volume.transformPoint({0, 0, 0}), (Vec3{1, 2, 3}));
    EXPECT_NEAR(volume.transformPoint({0, 0, 1}).z, 13, 1e-5f);
    float circle = std::tan(0.5f) * 10;
    EXPECT_NEAR(volume.transformPoint({0, std::cos(3.14159265f / 10), 0}).y - 2, circle, 1e-4f);

    // A point on the cone's axis maps to the middle of the map.
    Vec4 p = Vec4{0, 0, 5, 1} * (spotShadowProjection(spot) * shadowTextureMatrix());
    EXPECT_NEAR(p.x / p.w, 0.5f, 1e-6f);
    EXPECT_NEAR(p.y / p.w, 0.5f, 1e-6f);
    // The cone's edge maps to the map's edge.
    p = Vec4{std::tan(0.5f) * 5, 0, 5, 1} * (spotShadowProjection(spot) * shadowTextureMatrix());
    EXPECT_NEAR(p.x / p.w, 1, 1e-5f);

    // Rows running down: the top of the cone is row 0, and texel centres
    // are half a texel in.
    Mat4 rowsDown = shadowTextureMatrixRowsDown(1024, 512);
    Vec4 top = Vec4{-1, 1, 0.5f, 1} * rowsDown;
    EXPECT_NEAR(top.x, 0.5f / 1024, 1e-7f);
    EXPECT_NEAR(top.y, 0.5f / 512, 1e-7f);
    EXPECT_FLOAT_EQ(top.z, 0.5f);
}

} // namespace
