// The window layer on Win32: a registered window class, one operating-system
// window per core::Window, and the thread's message queue that any window's
// pump drains.
#include "core/Window.h"

#include "core/Cursor.h"
#include "core/CursorDisplay.h"
#include "core/DebugLog.h"
#include "core/Exception.h"
#include "core/Menu.h"
#include "core/win32/Cursors.h"
#include "core/win32/KeyInput.h"
#include "core/win32/MenuBar.h"
#include "core/win32/WideText.h"
#include "core/win32/WindowNative.h"

#include <windowsx.h>

#include <algorithm>
#include <vector>

namespace core {

namespace {

const wchar_t* const WindowClassName = L"EWindowClass";
const wchar_t* const DialogClassName = L"EDialogClass";

LRESULT CALLBACK windowProcedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

void registerClasses() {
    static bool registered = false;
    if (registered)
        return;
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof(windowClass);
    // Own device contexts keep the pixel format an OpenGL context chose.
    windowClass.style = CS_DBLCLKS | CS_OWNDC;
    windowClass.lpfnWndProc = windowProcedure;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.hIcon = LoadIconW(nullptr, win32::systemResource(IDI_APPLICATION));
    windowClass.hCursor = LoadCursorW(nullptr, win32::systemResource(IDC_ARROW));
    windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
    windowClass.lpszClassName = WindowClassName;
    if (!RegisterClassExW(&windowClass))
        debugLog("RegisterClassEx failed (%lu)\n", GetLastError());
    windowClass.hIcon = nullptr;
    windowClass.lpszClassName = DialogClassName;
    if (!RegisterClassExW(&windowClass))
        debugLog("RegisterClassEx failed (%lu)\n", GetLastError());
    registered = true;
}

struct Style {
    DWORD style;
    DWORD extended;
};

Style styleFor(uint32_t flags) {
    if (flags & WindowDialog)
        return {WS_VISIBLE | WS_CAPTION | WS_SYSMENU, WS_EX_DLGMODALFRAME};
    Style result{WS_VISIBLE | WS_POPUP, 0};
    if (flags & WindowFullscreen)
        result.extended |= WS_EX_TOPMOST;
    else if (!(flags & WindowBorderless)) {
        result.style = WS_VISIBLE | WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
        if (flags & WindowResizable)
            result.style |= WS_THICKFRAME | WS_MAXIMIZEBOX;
    }
    return result;
}

class WindowWin32;
// The live windows, whose menu bars follow changes to their menus once a pump.
std::vector<WindowWin32*> g_windows;

// Dispatches every waiting message. With a counter, quit messages are counted
// and passed over; without one, the first ends the dispatch and false is returned.
bool dispatchAll(int* quitsConsumed);

class WindowWin32 final : public Window {
public:
    explicit WindowWin32(EventHandler* handler) : Window(handler) { g_windows.push_back(this); }
    ~WindowWin32() override {
        destroy();
        g_windows.erase(std::find(g_windows.begin(), g_windows.end(), this));
    }

    void create(Window* parent, int x, int y, int width, int height, uint32_t flags,
                const std::string& title) override {
        registerClasses();
        Style style = styleFor(flags);
        m_flags = flags;
        RECT outer{0, 0, width, height};
        AdjustWindowRectEx(&outer, style.style, FALSE, style.extended);
        HWND owner = parent ? static_cast<WindowWin32*>(parent)->m_hwnd : nullptr;
        HWND hwnd = CreateWindowExW(style.extended, (flags & WindowDialog) ? DialogClassName : WindowClassName,
                                    win32::widen(title).c_str(), style.style, x, y, outer.right - outer.left,
                                    outer.bottom - outer.top, owner, nullptr, GetModuleHandleW(nullptr), this);
        if (!hwnd) {
            debugLog("CreateWindowEx failed (%lu)\n", GetLastError());
            throw Exception("CreateWindowEx failed");
        }
    }

    void setTitle(const std::string& title) override {
        if (m_hwnd)
            SetWindowTextW(m_hwnd, win32::widen(title).c_str());
    }

    ScreenPoint getPosition() const override {
        RECT rect{};
        if (m_hwnd)
            GetWindowRect(m_hwnd, &rect);
        return {rect.left, rect.top};
    }

    void setClientSize(int width, int height) override {
        if (m_hwnd) {
            RECT outer{0, 0, width, height};
            AdjustWindowRectEx(&outer, DWORD(GetWindowLongPtrW(m_hwnd, GWL_STYLE)), GetMenu(m_hwnd) != nullptr,
                               DWORD(GetWindowLongPtrW(m_hwnd, GWL_EXSTYLE)));
            SetWindowPos(m_hwnd, nullptr, 0, 0, outer.right - outer.left, outer.bottom - outer.top,
                         SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
        }
        m_width = width;
        m_height = height;
    }

    void hide() override {
        if (m_hwnd)
            ShowWindow(m_hwnd, SW_HIDE);
    }

    // The main window's own quit message ends here, so a frame collected at
    // the end of a run does not end the next one. A quit that some other
    // window's end posted during the drain is passed on.
    void destroy() override {
        if (!m_hwnd)
            return;
        // Give the cursor back: it was hidden and held for this window.
        setMouseMode(MouseMode::Normal);
        int ownQuits = (m_flags & WindowMain) ? 1 : 0;
        DestroyWindow(m_hwnd);
        int quits = 0;
        dispatchAll(&quits);
        for (int i = ownQuits; i < quits; ++i)
            PostQuitMessage(0);
    }

    LRESULT handleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
        switch (message) {
        case WM_CREATE:
            ShowWindow(m_hwnd, SW_SHOW);
            return 0;
        case WM_DESTROY:
            if (m_flags & WindowMain)
                PostQuitMessage(0);
            return 0;
        case WM_NCDESTROY: {
            // The last message: the window takes its menu bar with it.
            HWND hwnd = m_hwnd;
            SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
            m_hwnd = nullptr;
            m_builtMenu = nullptr;
            return DefWindowProcW(hwnd, message, wParam, lParam);
        }
        case WM_SIZE:
            handleSize(LOWORD(lParam), HIWORD(lParam),
                       wParam == SIZE_MINIMIZED   ? ResizeKind::Minimize
                       : wParam == SIZE_MAXIMIZED ? ResizeKind::Maximize
                                                  : ResizeKind::Restore);
            return 0;
        case WM_SETFOCUS:
            handleSetFocus();
            return 0;
        case WM_KILLFOCUS:
            handleKillFocus();
            return 0;
        case WM_CLOSE:
            if (handleClose() && m_hwnd)
                DestroyWindow(m_hwnd);
            return 0;
        case WM_KEYDOWN:
        case WM_KEYUP:
            // Alt released after a key typed with it comes as a plain key-up;
            // alt itself never makes key events.
            if (wParam == VK_MENU)
                break;
            handleKey(int(wParam), int(lParam), typed(wParam, lParam, message == WM_KEYDOWN), message == WM_KEYDOWN);
            return 0;
        case WM_SYSKEYDOWN:
        case WM_SYSKEYUP:
            return systemKey(message, wParam, lParam);
        case WM_COMMAND:
            handleMenuCommand(int(wParam));
            return 0;
        case WM_SYSCOMMAND:
            if ((wParam & 0xFFF0) == SC_SCREENSAVE || (wParam & 0xFFF0) == SC_MONITORPOWER)
                return 0;
            break;
        case WM_SETCURSOR:
            // Each window shows its own cursor over its client area.
            if (LOWORD(lParam) == HTCLIENT) {
                SetCursor(win32::nativeCursor(cursor()));
                return TRUE;
            }
            break;
        case WM_MOUSEMOVE:
            mouseMove(GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam));
            return 0;
        case WM_LBUTTONDOWN:
        case WM_LBUTTONDBLCLK:
            handleMouseButton(MouseLeft, GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam), true);
            return 0;
        case WM_MBUTTONDOWN:
        case WM_MBUTTONDBLCLK:
            handleMouseButton(MouseMiddle, GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam), true);
            return 0;
        case WM_RBUTTONDOWN:
        case WM_RBUTTONDBLCLK:
            handleMouseButton(MouseRight, GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam), true);
            return 0;
        case WM_LBUTTONUP:
            handleMouseButton(MouseLeft, GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam), false);
            return 0;
        case WM_MBUTTONUP:
            handleMouseButton(MouseMiddle, GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam), false);
            return 0;
        case WM_RBUTTONUP:
            handleMouseButton(MouseRight, GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam), false);
            return 0;
        case WM_MOUSEWHEEL:
            handleWheel(float(GET_WHEEL_DELTA_WPARAM(wParam)) / float(WHEEL_DELTA));
            return 0;
        default:
            break;
        }
        return DefWindowProcW(m_hwnd, message, wParam, lParam);
    }

    // Keeps the menu bar in step with its menu, which scripts may change while it is attached.
    void refreshMenu() {
        if (m_hwnd && menu() && m_menuRevision != Menu::revision())
            applyMenu(menu());
    }

    HWND native() const { return m_hwnd; }
    void attach(HWND hwnd) { m_hwnd = hwnd; }

protected:
    bool dispatchMessages() override { return dispatchAll(nullptr); }

    ScreenPoint cursorPosition() const override {
        POINT point{};
        GetCursorPos(&point);
        return {point.x, point.y};
    }

    void moveCursor(ScreenPoint point) override {
        if (m_hwnd)
            SetCursorPos(point.x, point.y);
    }

    ScreenPoint clientToScreen(int x, int y) const override {
        POINT point{x, y};
        if (m_hwnd)
            ClientToScreen(m_hwnd, &point);
        return {point.x, point.y};
    }

    void captureMouse(bool capture) override {
        if (capture && m_hwnd)
            SetCapture(m_hwnd);
        else if (!capture && GetCapture() == m_hwnd)
            ReleaseCapture();
    }

    // Motion in relative mode is measured from the cursor's screen position in
    // every mouse message; nothing to switch on.
    void setRelativeMotion(bool) override {}

    int currentModifiers() const override { return win32::currentModifiers(); }

    void applyCursor(const Cursor* cursor) override {
        // At once when the pointer is over this window; otherwise when it enters.
        POINT point{};
        if (m_hwnd && GetCursorPos(&point) && WindowFromPoint(point) == m_hwnd)
            SetCursor(win32::nativeCursor(cursor));
    }

    void applyMenu(const Menu* menu) override {
        if (!m_hwnd)
            return;
        HMENU old = m_builtMenu;
        m_builtMenu = menu ? win32::buildMenuBar(*menu) : nullptr;
        m_menuRevision = Menu::revision();
        SetMenu(m_hwnd, m_builtMenu);
        DrawMenuBar(m_hwnd);
        if (old)
            DestroyMenu(old);
    }

private:
    // Keys typed with alt held come as system keys. F10 and control's release
    // are the window's; alt+F4 and, with a menu bar, the menu's keyboard
    // navigation stay the system's; the rest is swallowed, so alt alone never
    // parks the keyboard in the window menu.
    LRESULT systemKey(UINT message, WPARAM wParam, LPARAM lParam) {
        bool down = message == WM_SYSKEYDOWN;
        int code = int(wParam);
        if (code == KeyF10 || (!down && code == KeyControl)) {
            handleSystemKey(code, int(lParam), typed(wParam, lParam, down), down);
            return 0;
        }
        if (code == VK_F4 || menu())
            return DefWindowProcW(m_hwnd, message, wParam, lParam);
        return 0;
    }

    // A key's release carries what its press typed, whatever was let go in between.
    int typed(WPARAM wParam, LPARAM lParam, bool down) {
        int& character = m_typed[wParam & KeyStateMask];
        if (down)
            character = win32::typedCharacter(wParam, lParam);
        int result = character;
        if (!down)
            character = 0;
        return result;
    }

    void mouseMove(int x, int y) {
        if (mouseMode() != MouseMode::Relative) {
            handleMouseMove(x, y);
            return;
        }
        ScreenPoint point = clientToScreen(x, y);
        handleRelativeMove(point.x - m_lastCursor.x, point.y - m_lastCursor.y);
        m_lastCursor = point;
    }

    HWND m_hwnd = nullptr;
    HMENU m_builtMenu = nullptr;
    uint32_t m_menuRevision = 0;
    int m_typed[KeyStateCount] = {};
};

LRESULT CALLBACK windowProcedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        auto* created = reinterpret_cast<CREATESTRUCTW*>(lParam);
        auto* window = static_cast<WindowWin32*>(created->lpCreateParams);
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(window));
        window->attach(hwnd);
    }
    auto* window = reinterpret_cast<WindowWin32*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (!window)
        return DefWindowProcW(hwnd, message, wParam, lParam);
    return window->handleMessage(message, wParam, lParam);
}

bool dispatchAll(int* quitsConsumed) {
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (message.message == WM_QUIT) {
            if (!quitsConsumed)
                return false;
            ++*quitsConsumed;
            continue;
        }
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    for (WindowWin32* window : g_windows)
        window->refreshMenu();
    return true;
}

} // namespace

HWND win32::nativeWindow(Window& window) {
    return static_cast<WindowWin32&>(window).native();
}

std::unique_ptr<Window> Window::make(EventHandler* handler) {
    return std::make_unique<WindowWin32>(handler);
}

} // namespace core
