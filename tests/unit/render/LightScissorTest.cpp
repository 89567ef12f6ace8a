#include "engine/render/LightScissor.h"

#include <gtest/gtest.h>

using namespace engine;

namespace {

// Hand-worked cases: the tangents from the eye to the circle in the xz (or yz)
// plane give the edges, at pixel (tan × focal + 1) × size / 2, truncated.
TEST(LightScissor, RectanglesOfSpheresAroundTheView) {
    // 90 degrees across, square: a focal factor of 1 in both directions.
    const Mat4 square = inverse(Mat4::perspective(1.5707964f, 1, 1, 100));
    // Twice as wide as high: y spans half the angle, focal factor 2.
    const Mat4 wide = inverse(Mat4::perspective(1.5707964f, 0.5f, 1, 100));
    struct Case {
        const char* name;
        Vec3 center;
        float radius;
        const Mat4& inverseProjection;
        int width, height;
        int left, right, bottom, top;
        bool empty, covers;
    } cases[] = {
        // Tangents at ±0.1005 from the axis: 44.97 and 55.03.
        {"inside", {0, 0, 10}, 1, square, 100, 100, 44, 55, 44, 55, false, false},
        // x: ±0.1005 × 1 over 200 pixels; y: ±0.1005 × 2 over 100 pixels.
        {"inside, wide view", {0, 0, 10}, 1, wide, 200, 100, 89, 110, 39, 60, false, false},
        // The circle around (10, 10) with radius 2: tangents at slopes 0.75
        // and 4/3; the right one lies past the edge. y: slopes ±0.2041.
        {"partly outside", {10, 0, 10}, 2, square, 100, 100, 87, 100, 39, 60, false, false},
        {"partly outside, below", {0, -10, 10}, 2, square, 100, 100, 39, 60, 0, 12, false, false},
        // Both tangents right of the screen: the left edge passes the right one.
        {"outside", {30, 0, 10}, 2, square, 100, 100, 101, 100, 39, 60, true, false},
        // Tangent points behind the eye bound nothing.
        {"behind the camera", {0, 0, -10}, 2, square, 100, 100, 0, 100, 0, 100, false, true},
        // Slopes ±4/3 reach past both edges.
        {"covering", {0, 0, 1.5f}, 1.2f, square, 100, 100, 0, 100, 0, 100, false, true},
        // The eye inside the sphere.
        {"around the eye", {1, 1, 1}, 5, square, 100, 100, 0, 100, 0, 100, false, true},
        // The centre on the eye's plane: no tangent to work with, no narrowing.
        {"beside the eye", {5, 0, 0}, 1, square, 100, 100, 0, 100, 0, 100, false, true},
    };
    for (const Case& c : cases) {
        ScissorRect rect = lightScissorRect(c.center, c.radius, c.inverseProjection, c.width, c.height);
        EXPECT_EQ(rect.left, c.left) << c.name;
        EXPECT_EQ(rect.right, c.right) << c.name;
        EXPECT_EQ(rect.bottom, c.bottom) << c.name;
        EXPECT_EQ(rect.top, c.top) << c.name;
        EXPECT_EQ(rect.empty(), c.empty) << c.name;
        EXPECT_EQ(rect.coversViewport(), c.covers) << c.name;
    }
}

TEST(LightScissor, SidesShorterThanAPixelCoverNothing) {
    ScissorRect rect;
    rect.width = rect.height = 100;
    rect.left = 40, rect.right = 40, rect.bottom = 0, rect.top = 100;
    EXPECT_EQ(rect.area(), 0);
    EXPECT_TRUE(rect.empty());
    rect.right = 30;  // crossed edges
    EXPECT_TRUE(rect.empty());
    rect.right = 41;
    EXPECT_EQ(rect.area(), 100);
    EXPECT_FALSE(rect.empty());
}

} // namespace
