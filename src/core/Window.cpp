#include "core/Window.h"

#include "core/Cursor.h"
#include "core/CursorDisplay.h"
#include "core/Menu.h"
#include "core/RefRegistry.h"

namespace core {

bool Window::pump() {
    m_movementX = 0;
    m_movementY = 0;
    if (!dispatchMessages())
        return false;
    if (m_mouseMode == MouseMode::Relative) {
        Event event(EventType::MouseMotion);
        event.mouseMotion = {m_movementX, m_movementY};
        emit(event);
        moveCursor(m_centre);
        m_lastCursor = m_centre;
    }
    return true;
}

void Window::setMouseMode(MouseMode mode) {
    if (mode == m_mouseMode)
        return;
    m_mouseMode = mode;
    if (mode == MouseMode::Relative) {
        changeCursorDisplayCount(-1);
        m_savedCursor = cursorPosition();
        m_centre = clientToScreen(m_width / 2, m_height / 2);
        moveCursor(m_centre);
        m_lastCursor = m_centre;
        setRelativeMotion(true);
    } else {
        setRelativeMotion(false);
        moveCursor(m_savedCursor);
        changeCursorDisplayCount(+1);
    }
}

void Window::setMenu(Menu* menu) {
    if (menu == m_menu.get())
        return;
    // The new bar is up before the old one's count goes.
    CountedRef<Menu> old = std::move(m_menu);
    m_menu = CountedRef<Menu>(menu);
    applyMenu(menu);
}

Window::~Window() {
    if (m_cursor && refRelease(m_cursor))
        delete m_cursor;
}

void Window::setCursor(Cursor* cursor) {
    if (cursor == m_cursor)
        return;
    if (cursor)
        refAcquire(cursor);
    Cursor* old = m_cursor;
    m_cursor = cursor;
    applyCursor(cursor);
    if (old && refRelease(old))
        delete old;
}

void Window::emit(const Event& event) {
    if (m_handler)
        m_handler->onEvent(event);
}

void Window::handleKey(int code, int rawParameter, int character, bool down) {
    m_keysDown[code & KeyStateMask] = down ? 1 : 0;
    Event event(EventType::Key);
    event.key = {code, rawParameter, character, currentModifiers(), down ? 1 : 0};
    emit(event);
}

void Window::handleSystemKey(int code, int rawParameter, int character, bool down) {
    if (code == KeyF10 || (!down && code == KeyControl))
        handleKey(code, rawParameter, character, down);
}

void Window::handleMouseButton(int button, int x, int y, bool down) {
    m_buttonsDown[button] = down ? 1 : 0;
    m_lastButtonX = x;
    m_lastButtonY = y;
    if (down && !m_captured) {
        captureMouse(true);
        m_captured = true;
    } else if (!down && m_captured && !m_buttonsDown[0] && !m_buttonsDown[1] && !m_buttonsDown[2]) {
        captureMouse(false);
        m_captured = false;
    }
    Event event(EventType::MouseButton);
    event.mouseButton = {x, y, button, currentModifiers(), down ? 1 : 0};
    emit(event);
}

void Window::handleMouseMove(int x, int y) {
    if (m_mouseMode == MouseMode::Relative)
        return;
    Event event(EventType::MouseMotion);
    event.mouseMotion = {x, y};
    emit(event);
}

void Window::handleRelativeMove(int dx, int dy) {
    if (m_mouseMode != MouseMode::Relative)
        return;
    m_movementX += dx;
    m_movementY += dy;
}

void Window::handleWheel(float delta) {
    Event event(EventType::MouseWheel);
    event.mouseWheel = {delta};
    emit(event);
}

void Window::handleSize(int width, int height, ResizeKind kind) {
    m_width = width;
    m_height = height;
    Event event(EventType::Resize);
    event.resize = {width, height, kind};
    emit(event);
}

void Window::handleMenuCommand(int id) {
    Event event(EventType::Menu);
    event.menu = {id};
    emit(event);
}

void Window::handleSetFocus() {
    Event event(EventType::Focus);
    event.focus = {1};
    emit(event);
}

// The releases of whatever was held go to the window that loses focus, so its
// state never keeps a key or button down that it will not see come up. The
// state is cleared as they are sent, so a later focus loss repeats nothing.
void Window::handleKillFocus() {
    for (int button = 0; button < MouseButtonCount; ++button) {
        if (m_buttonsDown[button])
            handleMouseButton(button, m_lastButtonX, m_lastButtonY, false);
    }
    for (int code = 0; code < KeyStateCount; ++code) {
        if (m_keysDown[code])
            handleKey(code, 0, 0, false);
    }
    Event event(EventType::Focus);
    event.focus = {0};
    emit(event);
}

bool Window::handleClose() {
    emit(Event(EventType::Close));
    return (m_flags & WindowAutoClose) != 0;
}

} // namespace core
