#include "engine/scene/Camera.h"
#include "engine/scene/CameraControls.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

using namespace engine;

namespace {

constexpr float Eps = 1e-4f;
const float R = 1 / std::sqrt(2.0f);

void expectNear(const Vec3& a, const Vec3& b, float eps = Eps) {
    EXPECT_NEAR(a.x, b.x, eps);
    EXPECT_NEAR(a.y, b.y, eps);
    EXPECT_NEAR(a.z, b.z, eps);
}

// 90 degrees across, square: the frustum's side planes are at 45 degrees.
Camera* squareCamera() {
    return Camera::perspective(float(std::numbers::pi / 2), 1, 0.1f, 100);
}

core::Event key(int code, bool down) {
    core::Event event(core::EventType::Key);
    event.key.keyCode = code;
    event.key.down = down;
    return event;
}

} // namespace

TEST(Camera, NearAndFarComeBackFromTheProjection) {
    struct Case {
        float nearZ, farZ;
    } cases[] = {{0.1f, 100}, {1, 2}, {0.5f, 5000}};
    for (const Case& c : cases) {
        std::unique_ptr<Camera> camera(Camera::perspective(1.2f, 0.75f, c.nearZ, c.farZ));
        EXPECT_NEAR(camera->nearDistance(), c.nearZ, c.nearZ * 1e-4f);
        EXPECT_NEAR(camera->farDistance(), c.farZ, c.farZ * 1e-3f);
    }
}

TEST(Camera, PlanesFaceInwardInWorldSpaceAndFollowTheNode) {
    std::unique_ptr<Camera> camera(squareCamera());
    struct Expected {
        Vec3 n;
        float d;
    } atOrigin[] = {
        {{R, 0, R}, 0}, {{-R, 0, R}, 0}, {{0, R, R}, 0}, {{0, -R, R}, 0}, {{0, 0, 1}, 0.1f}, {{0, 0, -1}, -100},
    };
    for (int i = 0; i < Camera::PlaneCount; ++i) {
        expectNear(camera->plane(i).n, atOrigin[i].n);
        EXPECT_NEAR(camera->plane(i).d, atOrigin[i].d, Eps) << "plane " << i;
    }

    // Moving a parent makes the camera's planes stale through the subtree.
    Node parent;
    camera->addTo(&parent);
    parent.setPosition({0, 0, 5});
    EXPECT_NEAR(camera->plane(Camera::Near).d, 5.1f, Eps);
    EXPECT_NEAR(camera->plane(Camera::Far).d, -105, 1e-3f);
    // Turned to look down +X: the near plane faces +X.
    parent.setRotation(Mat3{{{0, 0, -1}, {0, 1, 0}, {1, 0, 0}}});
    expectNear(camera->plane(Camera::Near).n, {1, 0, 0});
    EXPECT_NEAR(camera->viewProjection().m[3][3], 0, Eps);
    camera->remove();
}

TEST(Camera, RaysThroughScreenPoints) {
    std::unique_ptr<Camera> camera(squareCamera());
    float s = 1 / std::sqrt(3.0f);
    struct Case {
        Vec2 point;
        Vec3 view;
    } cases[] = {
        {{0.5f, 0.5f}, {0, 0, 1}},
        {{0, 0}, {-s, s, s}},  // top-left
        {{1, 1}, {s, -s, s}},  // bottom-right
        {{1, 0.5f}, {R, 0, R}},
    };
    for (const Case& c : cases) {
        Ray ray = camera->viewRay(c.point);
        expectNear(ray.pos, {});
        expectNear(ray.dir, c.view);
    }

    // In the world the direction turns with the camera and starts at its position.
    camera->setTransform({Mat3{{{0, 0, -1}, {0, 1, 0}, {1, 0, 0}}}, {1, 2, 3}});
    Ray centre = camera->worldRay({0.5f, 0.5f});
    expectNear(centre.pos, {1, 2, 3});
    expectNear(centre.dir, {1, 0, 0});
    expectNear(camera->worldRay({0, 0}).dir, {s, s, s});
}

TEST(Camera, ProjectsWorldPointsToScreenAndDepth) {
    std::unique_ptr<Camera> camera(squareCamera());
    camera->setPosition({0, 0, -10});
    float depthAt10 = (100.0f / 99.9f * 10 - 0.1f * 100 / 99.9f) / 10;
    struct Case {
        Vec3 point;
        Vec3 screen;
    } cases[] = {
        {{0, 0, 0}, {0.5f, 0.5f, depthAt10}},
        {{10, 0, 0}, {1, 0.5f, depthAt10}},   // on the right edge
        {{-5, 5, 0}, {0.25f, 0.25f, depthAt10}},
        {{0, 0, -20}, {0, 0, -1}},            // behind
        {{0, 0, -10}, {0, 0, -1}},            // at the eye
    };
    for (const Case& c : cases)
        expectNear(camera->projectWorldPoint(c.point), c.screen);
}

TEST(CameraControls, ClaimsOnlyTheFlightKeysAndTheRightButton) {
    CameraControls controls(nullptr, nullptr);
    for (int code : {'W', 'A', 'S', 'D', 'Q', 'E'})
        EXPECT_TRUE(controls.onEvent(key(code, true))) << char(code);
    for (int code : {int('K'), int('w'), 32, 16})
        EXPECT_FALSE(controls.onEvent(key(code, true))) << code;

    core::Event button(core::EventType::MouseButton);
    for (int b : {0, 1, 2}) {
        button.mouseButton.button = b;
        button.mouseButton.down = 1;
        EXPECT_EQ(controls.onEvent(button), b == core::MouseRight) << "button " << b;
    }
    core::Event motion(core::EventType::MouseMotion);
    motion.mouseMotion.x = 10;
    EXPECT_FALSE(controls.onEvent(motion));
}

TEST(CameraControls, SpeedCapsAtSixTimesTheScaleAndDiesWithinSixSixteenthsOfASecond) {
    const float dt = 1.0f / 60;
    for (float scale : {1.0f, 2.5f}) {
        // Shared with the controls, as a script handle shares it.
        core::CountedRef<Camera> held(new Camera(Mat4::identity()));
        Camera& camera = *held;
        CameraControls controls(nullptr, &camera, scale);
        controls.onEvent(key('W', true));
        controls.onEvent(key('D', true));
        for (int frame = 0; frame < 120; ++frame)
            controls.update(dt);
        Vec3 before = camera.position();
        controls.update(dt);
        Vec3 step = camera.position() - before;
        EXPECT_NEAR(length(step) / dt, 6 * scale, 1e-3f * scale);
        // Forward along +Z and right along +X, equally.
        EXPECT_NEAR(step.x, step.z, 1e-5f);
        EXPECT_GT(step.z, 0);

        controls.onEvent(key('W', false));
        controls.onEvent(key('D', false));
        int frames = 0;
        while (frames < 1000) {
            before = camera.position();
            controls.update(dt);
            if (camera.position() == before)
                break;
            ++frames;
        }
        EXPECT_LE(frames * dt, 6.0f / 16 + 1e-5f);
        EXPECT_GT(frames, 0);
    }
}

TEST(CameraControls, RisesWithEAndSinksWithQWhateverTheHeading) {
    core::CountedRef<Camera> held(new Camera(Mat4::identity()));
    Camera& camera = *held;
    CameraControls controls(nullptr, &camera);
    controls.onEvent(key('E', true));
    for (int frame = 0; frame < 10; ++frame)
        controls.update(0.1f);
    EXPECT_GT(camera.position().y, 1);
    EXPECT_NEAR(camera.position().x, 0, Eps);
    EXPECT_NEAR(camera.position().z, 0, Eps);
    // The controller's own angles replace the camera's rotation.
    EXPECT_EQ(camera.rotation(), Mat3::identity());
}
