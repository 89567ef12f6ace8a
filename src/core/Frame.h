#pragma once

#include "core/EventHandler.h"
#include "core/Window.h"

#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <vector>

namespace core {

// A top-level window as the scripts see it: the handler of its own window, with
// the input state the scripts poll and the queue of events they drain once per
// frame. The first frame of a run is the main frame: the frame loop pumps it,
// closing it ends the process, and the sys input functions read it.
class Frame final : public EventHandler {
public:
    struct Options {
        int x = 100;
        int y = 100;
        int width = 500;
        int height = 500;
        std::string title = "quill";
        bool fullscreen = false;
        bool resizable = false;
        bool borderless = false;
        bool dialog = false;
        bool autoClose = true;
        Frame* parent = nullptr;
    };

    // Opens the window; throws core::Exception when it cannot.
    explicit Frame(const Options& options);
    ~Frame() override;
    Frame(const Frame&) = delete;
    Frame& operator=(const Frame&) = delete;

    // --- process-wide ---

    static Frame* mainFrame();
    // The frame loop's input step: forgets last frame's presses and every
    // frame's unread events, then pumps the main window (after a 100 ms nap
    // while it is minimised). False when the application should quit. Does
    // nothing without a main frame.
    static bool beginFrame();
    // The main frame lives for the whole run, whatever becomes of its script
    // handle: the renderer draws into its window and the loop pumps it. Takes
    // the run's count on it (once; the frame must be counted already).
    static void holdMainFrame();
    // The run's end: releases the run's count on the main frame, if taken
    // (which destroys the frame when nothing else holds it), and forgets it.
    static void forgetMainFrame();
    // Objects that see each event before it is queued, and may swallow it.
    static void addInputController(EventHandler* controller);
    static void removeInputController(EventHandler* controller);

    // --- this frame ---

    Window& window() { return *m_window; }
    // The oldest queued event, removed; false when there is none.
    bool pollEvent(Event& event);

    bool hasFocus() const { return m_hasFocus; }
    bool isMinimised() const { return m_minimised; }
    int mouseX() const { return m_mouseX; }
    int mouseY() const { return m_mouseY; }
    bool isKeyDown(int code) const { return m_keysDown[code & KeyStateMask] != 0; }
    bool isKeyPressed(int code) const { return m_keysPressed[code & KeyStateMask] != 0; }
    // Buttons outside 0 to 2 read as up.
    bool isMouseDown(int button) const { return validButton(button) && m_buttonsDown[button]; }
    bool isMousePressed(int button) const { return validButton(button) && m_buttonsPressed[button]; }

    bool onEvent(const Event& event) override;
    bool onResize(const Event& event) override;
    bool onFocus(const Event& event) override;

private:
    static bool validButton(int button) { return button >= 0 && button < MouseButtonCount; }
    void updatePolledState(const Event& event);
    void clearPressed();

    std::unique_ptr<Window> m_window;
    std::deque<Event> m_queue;
    bool m_hasFocus = true;
    bool m_minimised = false;
    int m_mouseX = 0;
    int m_mouseY = 0;
    uint8_t m_buttonsDown[MouseButtonCount] = {};
    uint8_t m_buttonsPressed[MouseButtonCount] = {};
    uint8_t m_keysDown[KeyStateCount] = {};
    uint8_t m_keysPressed[KeyStateCount] = {};
};

} // namespace core
