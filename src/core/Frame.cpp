#include "core/Frame.h"

#include "core/Clock.h"
#include "core/RefRegistry.h"

#include <algorithm>
#include <cstring>

namespace core {

namespace {
std::vector<Frame*>& allFrames() {
    static std::vector<Frame*> frames;
    return frames;
}

std::vector<EventHandler*>& inputControllers() {
    static std::vector<EventHandler*> controllers;
    return controllers;
}

Frame* g_mainFrame = nullptr;
// The main frame while the run holds a count on it; released by hand at the
// run's end, never by a static destructor after the window system is gone.
Frame* g_heldMainFrame = nullptr;

uint32_t flagsOf(const Frame::Options& options) {
    uint32_t flags = options.autoClose ? uint32_t{WindowAutoClose} : 0u;
    if (options.fullscreen)
        flags |= WindowFullscreen;
    if (options.resizable)
        flags |= WindowResizable;
    if (options.borderless)
        flags |= WindowBorderless;
    if (options.dialog)
        flags |= WindowDialog;
    return flags;
}
} // namespace

Frame::Frame(const Options& options) : m_window(Window::make(this)) {
    uint32_t flags = flagsOf(options);
    bool first = g_mainFrame == nullptr;
    if (first)
        flags |= WindowMain;
    Window* parent = options.parent ? &options.parent->window() : nullptr;
    m_window->create(parent, options.x, options.y, options.width, options.height, flags, options.title);
    if (first)
        g_mainFrame = this;
    allFrames().push_back(this);
}

Frame::~Frame() {
    if (g_mainFrame == this)
        g_mainFrame = nullptr;
    auto& frames = allFrames();
    frames.erase(std::remove(frames.begin(), frames.end(), this), frames.end());
    m_queue.clear();
    m_window->destroy();
}

Frame* Frame::mainFrame() {
    return g_mainFrame;
}

bool Frame::beginFrame() {
    if (!g_mainFrame)
        return true;
    g_mainFrame->clearPressed();
    for (Frame* frame : allFrames())
        frame->m_queue.clear();
    // A minimised game has nothing to show: give the processor back.
    if (g_mainFrame->m_minimised)
        sleepMilliseconds(100);
    return g_mainFrame->m_window->pump();
}

void Frame::holdMainFrame() {
    if (g_mainFrame && !g_heldMainFrame) {
        refAcquire(g_mainFrame);
        g_heldMainFrame = g_mainFrame;
    }
}

void Frame::forgetMainFrame() {
    Frame* held = g_heldMainFrame;
    g_heldMainFrame = nullptr;
    if (held && refRelease(held))
        delete held;
    g_mainFrame = nullptr;
}

void Frame::addInputController(EventHandler* controller) {
    inputControllers().push_back(controller);
}

void Frame::removeInputController(EventHandler* controller) {
    auto& controllers = inputControllers();
    controllers.erase(std::remove(controllers.begin(), controllers.end(), controller), controllers.end());
}

bool Frame::pollEvent(Event& event) {
    if (m_queue.empty())
        return false;
    event = m_queue.front();
    m_queue.pop_front();
    return true;
}

bool Frame::onEvent(const Event& event) {
    updatePolledState(event);
    for (EventHandler* controller : inputControllers()) {
        if (controller->onEvent(event))
            return true;
    }
    m_queue.push_back(event);
    return EventHandler::onEvent(event);
}

bool Frame::onResize(const Event& event) {
    m_minimised = event.resize.kind == ResizeKind::Minimize;
    return false;
}

bool Frame::onFocus(const Event& event) {
    m_hasFocus = event.focus.focused != 0;
    return false;
}

void Frame::updatePolledState(const Event& event) {
    switch (event.type) {
    case EventType::MouseMotion:
        m_mouseX = event.mouseMotion.x;
        m_mouseY = event.mouseMotion.y;
        break;
    case EventType::MouseButton: {
        const MouseButtonEvent& button = event.mouseButton;
        m_mouseX = button.x;
        m_mouseY = button.y;
        if (!validButton(button.button))
            break;
        if (button.down) {
            if (!m_buttonsDown[button.button])
                m_buttonsPressed[button.button] = 1;
            m_buttonsDown[button.button] = 1;
        } else {
            m_buttonsDown[button.button] = 0;
        }
        break;
    }
    case EventType::Key: {
        int code = event.key.keyCode & KeyStateMask;
        if (event.key.down) {
            if (!m_keysDown[code])
                m_keysPressed[code] = 1;
            m_keysDown[code] = 1;
        } else {
            m_keysDown[code] = 0;
        }
        break;
    }
    default:
        break;
    }
}

void Frame::clearPressed() {
    std::memset(m_buttonsPressed, 0, sizeof m_buttonsPressed);
    std::memset(m_keysPressed, 0, sizeof m_keysPressed);
}

} // namespace core
