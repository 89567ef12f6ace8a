#include "engine/scene/CameraControls.h"

#include "core/Frame.h"
#include "core/Window.h"

#include <algorithm>
#include <numeric>

namespace engine {

CameraControls::CameraControls(core::Window* window, Camera* camera, float scale)
    : m_window(window), m_camera(camera), m_scale(scale) {}

void CameraControls::addSample(std::deque<float>& history, float sample) {
    if (history.size() >= HistoryLength)
        history.pop_front();
    history.push_back(sample);
}

float CameraControls::average(const std::deque<float>& history) {
    return std::accumulate(history.begin(), history.end(), 0.0f) / static_cast<float>(history.size());
}

bool CameraControls::onKey(const core::Event& event) {
    bool down = event.key.down != 0;
    switch (event.key.keyCode) {
    case 'W':
        m_forward = down;
        return true;
    case 'S':
        m_back = down;
        return true;
    case 'A':
        m_left = down;
        return true;
    case 'D':
        m_right = down;
        return true;
    case 'E':
        m_up = down;
        return true;
    case 'Q':
        m_down = down;
        return true;
    default:
        return false;
    }
}

bool CameraControls::onMouseButton(const core::Event& event) {
    if (event.mouseButton.button != core::MouseRight)
        return false;
    if (core::Window* target = window())
        target->setMouseMode(event.mouseButton.down ? core::MouseMode::Relative : core::MouseMode::Normal);
    return true;
}

bool CameraControls::onMouseMotion(const core::Event& event) {
    core::Window* target = window();
    if (target && target->mouseMode() == core::MouseMode::Relative) {
        addSample(m_historyX, static_cast<float>(event.mouseMotion.x) / 800);
        addSample(m_historyY, static_cast<float>(event.mouseMotion.y) / 800);
    }
    return false;
}

void CameraControls::update(float dt) {
    Camera* camera = m_camera.get();
    if (!camera)
        return;
    float mx = 2 * average(m_historyX);
    float my = 2 * average(m_historyY);
    // A zero sample per frame lets the turn die away once the mouse stops.
    addSample(m_historyX, 0);
    addSample(m_historyY, 0);
    m_angles.x -= my;
    m_angles.y -= mx;

    float a = dt * Acceleration;
    if (m_forward)
        m_velocity.x += a;
    if (m_back)
        m_velocity.x -= a;
    if (m_left)
        m_velocity.y -= a;
    if (m_right)
        m_velocity.y += a;
    if (m_up)
        m_velocity.z += a;
    if (m_down)
        m_velocity.z -= a;
    float speed = length(m_velocity);
    if (speed > MaxSpeed)
        m_velocity = m_velocity * (MaxSpeed / speed);

    const Mat3& rotation = camera->rotation();
    Vec3 displacement = (rotation.row[2] * m_velocity.x + rotation.row[0] * m_velocity.y) * dt;
    displacement.y += dt * m_velocity.z;
    camera->move(displacement * m_scale);
    camera->setRotation(m_angles.x, m_angles.y, m_angles.z, RotationOrder::ZXY);

    float b = dt * Damping;
    for (float* v : {&m_velocity.x, &m_velocity.y, &m_velocity.z}) {
        if (*v > 0)
            *v = std::max(*v - b, 0.0f);
        if (*v < 0)
            *v = std::min(*v + b, 0.0f);
    }
}

CameraControlsEx::CameraControlsEx(Camera* camera, float scale)
    : CameraControls(nullptr, camera, scale) {
    core::Frame::addInputController(this);
}

CameraControlsEx::~CameraControlsEx() {
    core::Frame::removeInputController(this);
}

} // namespace engine

namespace engine {

core::Window* CameraControlsEx::window() const {
    core::Frame* frame = core::Frame::mainFrame();
    return frame ? &frame->window() : nullptr;
}

} // namespace engine
