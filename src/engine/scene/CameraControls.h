#pragma once

// Free flight for debugging and editing: W, A, S, D, Q and E move the camera,
// and the mouse turns it while the right button holds the window in relative
// mouse mode.

#include "core/EventHandler.h"
#include "core/RefRegistry.h"
#include "engine/scene/Camera.h"

#include <deque>

namespace core {
class Window;
}

namespace engine {

class CameraControls : public core::EventHandler {
public:
    static constexpr float MaxSpeed = 6;
    static constexpr float Acceleration = 32;
    static constexpr float Damping = 16;

    // The window may be null: the controls then never change a mouse mode.
    CameraControls(core::Window* window, Camera* camera, float scale = 1);

    void setCamera(Camera* camera) { m_camera = core::CountedRef<Camera>(camera); }
    Camera* camera() const { return m_camera.get(); }
    void setScale(float scale) { m_scale = scale; }
    float scale() const { return m_scale; }
    // Forward, sideways and vertical speed in units per second, before the scale.
    const Vec3& velocity() const { return m_velocity; }

    // Moves and turns the camera for dt seconds of input.
    void update(float dt);

    bool onKey(const core::Event& event) override;
    bool onMouseButton(const core::Event& event) override;
    bool onMouseMotion(const core::Event& event) override;

protected:
    // The window whose mouse mode the right button switches; may be null.
    virtual core::Window* window() const { return m_window; }

private:
    static constexpr size_t HistoryLength = 10;
    static void addSample(std::deque<float>& history, float sample);
    static float average(const std::deque<float>& history);

    core::Window* m_window;
    core::CountedRef<Camera> m_camera;
    std::deque<float> m_historyX{0.0f};
    std::deque<float> m_historyY{0.0f};
    Vec3 m_angles;
    Vec3 m_velocity;  // x forward, y sideways, z vertical
    bool m_forward = false, m_back = false, m_left = false, m_right = false, m_up = false, m_down = false;
    float m_scale;
};

// The controller scripts create: it sees every event of the main window before
// the scripts do, for as long as it lives.
class CameraControlsEx final : public CameraControls {
public:
    CameraControlsEx(Camera* camera, float scale);
    ~CameraControlsEx() override;

protected:
    // Looked up at each use: the main frame may close while the controls live.
    core::Window* window() const override;
};

} // namespace engine
