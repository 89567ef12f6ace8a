#pragma once

#include "core/Event.h"
#include "core/EventHandler.h"
#include "core/Keys.h"
#include "core/Menu.h"
#include "core/RefRegistry.h"

#include <cstdint>
#include <memory>
#include <string>

namespace core {

class Cursor;

// Creation flags.
enum WindowFlag : uint32_t {
    WindowFullscreen = 1,
    WindowResizable = 2,
    WindowBorderless = 4,
    WindowMain = 8,
    WindowDialog = 16,
    WindowAutoClose = 32,
};

enum class MouseMode { Normal = 0, Relative = 1 };

struct ScreenPoint {
    int x = 0;
    int y = 0;
};

// A top-level window and its message handling. This class holds what every
// platform shares: the input state the window tracks, the rules that turn
// platform messages into events, the pump's relative-mouse step. A backend
// (core/sdl/, core/win32/) supplies the operating-system window and feeds its
// messages to the handle* functions below.
class Window {
public:
    // A window of the platform this host was built for, not yet created.
    static std::unique_ptr<Window> make(EventHandler* handler);

    virtual ~Window();
    Window(const Window&) = delete;
    Window& operator=(const Window&) = delete;

    // Opens the operating-system window; throws core::Exception on failure.
    virtual void create(Window* parent, int x, int y, int width, int height, uint32_t flags,
                        const std::string& title) = 0;

    // Takes and dispatches every waiting message of the process; false when the
    // application quit message arrived.
    bool pump();

    virtual void setTitle(const std::string& title) = 0;
    // The outer window's top-left corner in screen coordinates.
    virtual ScreenPoint getPosition() const = 0;
    // Resizes so that the client area gets this size, keeping the top-left corner.
    virtual void setClientSize(int width, int height) = 0;
    virtual void hide() = 0;
    void setMouseMode(MouseMode mode);
    // The window holds one count on its menu bar (null: no bar). Commands
    // chosen in the bar arrive as menu events while it is attached.
    void setMenu(Menu* menu);
    Menu* menu() const { return m_menu.get(); }
    // The window holds one count on its cursor (null: the default arrow).
    void setCursor(Cursor* cursor);
    Cursor* cursor() const { return m_cursor; }
    // Destroys the operating-system window and dispatches what is left in the queue.
    virtual void destroy() = 0;

    EventHandler* handler() const { return m_handler; }
    int width() const { return m_width; }
    int height() const { return m_height; }
    uint32_t flags() const { return m_flags; }
    MouseMode mouseMode() const { return m_mouseMode; }

protected:
    explicit Window(EventHandler* handler) : m_handler(handler) {}

    // --- what a backend provides ---

    // Takes every waiting message and dispatches it; false on the quit message.
    virtual bool dispatchMessages() = 0;
    virtual ScreenPoint cursorPosition() const = 0;
    virtual void moveCursor(ScreenPoint point) = 0;
    virtual ScreenPoint clientToScreen(int x, int y) const = 0;
    virtual void captureMouse(bool capture) = 0;
    virtual void setRelativeMotion(bool relative) = 0;
    // Shift, control and alt as they are now.
    virtual int currentModifiers() const = 0;
    // Shows the cursor now (null: the default arrow).
    virtual void applyCursor(const Cursor* cursor) = 0;
    // Shows this menu bar from now on (null: none); the window keeps it alive.
    virtual void applyMenu(const Menu* menu) = 0;

    // --- the shared message handling the backend calls ---

    void emit(const Event& event);
    void handleKey(int code, int rawParameter, int character, bool down);
    // Keys typed while alt is held arrive as system keys: only F10 goes on,
    // and control on its way up.
    void handleSystemKey(int code, int rawParameter, int character, bool down);
    void handleMouseButton(int button, int x, int y, bool down);
    void handleMouseMove(int x, int y);
    void handleRelativeMove(int dx, int dy);
    void handleWheel(float delta);
    void handleSize(int width, int height, ResizeKind kind);
    void handleMenuCommand(int id);
    void handleSetFocus();
    void handleKillFocus();
    // Emits close; true when the window should now be destroyed.
    bool handleClose();

    uint32_t m_flags = 0;
    int m_width = 0;
    int m_height = 0;
    MouseMode m_mouseMode = MouseMode::Normal;
    ScreenPoint m_lastCursor{-1, -1};

private:
    EventHandler* m_handler;
    Cursor* m_cursor = nullptr;
    CountedRef<Menu> m_menu;
    uint8_t m_buttonsDown[MouseButtonCount] = {};
    uint8_t m_keysDown[KeyStateCount] = {};
    int m_lastButtonX = 0;
    int m_lastButtonY = 0;
    bool m_captured = false;
    ScreenPoint m_savedCursor;
    ScreenPoint m_centre;
    int m_movementX = 0;
    int m_movementY = 0;
};

} // namespace core
