// The window layer on SDL: one SDL window per core::Window, and one event queue
// for the process that any window's pump drains, as a thread's message queue.
#include "core/Window.h"

#include "core/CursorDisplay.h"
#include "core/DebugLog.h"
#include "core/Exception.h"
#include "core/sdl/Cursors.h"
#include "core/sdl/KeyMap.h"
#include "core/sdl/MenuBar.h"
#include "core/sdl/Video.h"

#include <SDL.h>

#include <cstdlib>
#include <vector>

namespace core {

namespace {
const char* const WindowDataKey = "quill.window";

// The quit message is the host's own: SDL's quit event also comes from the last
// window closing and from signals, neither of which ends the host.
Uint32 g_quitEvent = 0;
int g_modifiers = 0;

class WindowSDL;
WindowSDL* g_relativeWindow = nullptr;

void startVideo() {
    static bool started = false;
    if (started)
        return;
    SDL_SetHint(SDL_HINT_QUIT_ON_LAST_WINDOW_CLOSE, "0");
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    SDL_SetHint(SDL_HINT_MOUSE_AUTO_CAPTURE, "0");
    // A click that focuses a window is still a click.
    SDL_SetHint(SDL_HINT_MOUSE_FOCUS_CLICKTHROUGH, "1");
    SDL_SetHint(SDL_HINT_VIDEO_MINIMIZE_ON_FOCUS_LOSS, "0");
    // Menu windows draw into plain window surfaces; a GL renderer behind them
    // would take the current GL context from the frame that renders.
    SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
    if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) {
        debugLog("SDL video: %s\n", SDL_GetError());
        throw Exception("CreateWindowEx failed");
    }
    // A window nobody can see or close is no window, unless asked for by name.
    if (sdl::isStandInDriver(SDL_GetCurrentVideoDriver()) && !std::getenv("SDL_VIDEODRIVER")) {
        debugLog("SDL video: no display\n");
        SDL_QuitSubSystem(SDL_INIT_VIDEO);
        throw Exception("CreateWindowEx failed");
    }
    // Every window can carry an OpenGL context; X chooses the visual, and with it
    // the pixel format, when the window is made.
    SDL_GL_SetAttribute(SDL_GL_RED_SIZE, 8);
    SDL_GL_SetAttribute(SDL_GL_GREEN_SIZE, 8);
    SDL_GL_SetAttribute(SDL_GL_BLUE_SIZE, 8);
    SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 24);
    SDL_GL_SetAttribute(SDL_GL_STENCIL_SIZE, 8);
    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_COMPATIBILITY);
    g_quitEvent = SDL_RegisterEvents(1);
    changeCursorDisplayCount(0);
    started = true;
}

void postQuit() {
    SDL_Event event{};
    event.type = g_quitEvent;
    SDL_PushEvent(&event);
}

int modifiersOf(Uint16 mod) {
    int modifiers = 0;
    if (mod & KMOD_SHIFT)
        modifiers |= ModifierShift;
    if (mod & KMOD_CTRL)
        modifiers |= ModifierControl;
    if (mod & KMOD_ALT)
        modifiers |= ModifierAlt;
    return modifiers;
}

// The character a key types when SDL sends no text for it.
int controlCharacter(int code) {
    switch (code) {
    case 8:
    case 9:
    case 13:
    case 27:
        return code;
    default:
        return 0;
    }
}

int buttonIndex(Uint8 button) {
    switch (button) {
    case SDL_BUTTON_LEFT:
        return MouseLeft;
    case SDL_BUTTON_MIDDLE:
        return MouseMiddle;
    case SDL_BUTTON_RIGHT:
        return MouseRight;
    default:
        return -1;
    }
}

Uint32 windowIdOf(const SDL_Event& event) {
    switch (event.type) {
    case SDL_WINDOWEVENT:
        return event.window.windowID;
    case SDL_KEYDOWN:
    case SDL_KEYUP:
        return event.key.windowID;
    case SDL_TEXTINPUT:
        return event.text.windowID;
    case SDL_MOUSEMOTION:
        return event.motion.windowID;
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP:
        return event.button.windowID;
    case SDL_MOUSEWHEEL:
        return event.wheel.windowID;
    default:
        return 0;
    }
}

// Dispatches every waiting event. With a counter, quit messages are counted
// and passed over; without one, the first ends the dispatch and false is returned.
bool dispatchAll(int* quitsConsumed);

class WindowSDL final : public Window {
public:
    explicit WindowSDL(EventHandler* handler) : Window(handler) {}
    ~WindowSDL() override { destroy(); }

    void create(Window* parent, int x, int y, int width, int height, uint32_t flags,
                const std::string& title) override {
        startVideo();
        Uint32 style = SDL_WINDOW_SHOWN;
        if (flags & WindowDialog) {
            // captioned, fixed size
        } else if (flags & WindowFullscreen) {
            style |= SDL_WINDOW_BORDERLESS | SDL_WINDOW_ALWAYS_ON_TOP;
        } else if (flags & WindowBorderless) {
            style |= SDL_WINDOW_BORDERLESS;
        } else if (flags & WindowResizable) {
            style |= SDL_WINDOW_RESIZABLE;
        }
        m_flags = flags;
        m_window = SDL_CreateWindow(title.c_str(), x, y, width, height, style | SDL_WINDOW_OPENGL);
        if (!m_window) {
            // A display without OpenGL still gets its window; only rendering fails later.
            debugLog("SDL_CreateWindow with OpenGL: %s\n", SDL_GetError());
            m_window = SDL_CreateWindow(title.c_str(), x, y, width, height, style);
        }
        if (!m_window) {
            debugLog("SDL_CreateWindow: %s\n", SDL_GetError());
            throw Exception("CreateWindowEx failed");
        }
        SDL_SetWindowData(m_window, WindowDataKey, this);
        if (parent) {
            if (SDL_Window* owner = static_cast<WindowSDL*>(parent)->m_window)
                SDL_SetWindowModalFor(m_window, owner);
        }
        // A shown window reports its size once, as every later resize does.
        SDL_GetWindowSize(m_window, &width, &height);
        sendSize(width, height, ResizeKind::Restore);
    }

    void setTitle(const std::string& title) override {
        if (m_window)
            SDL_SetWindowTitle(m_window, title.c_str());
    }

    ScreenPoint getPosition() const override {
        ScreenPoint point;
        if (!m_window)
            return point;
        SDL_GetWindowPosition(m_window, &point.x, &point.y);
        int top = 0, left = 0;
        if (SDL_GetWindowBordersSize(m_window, &top, &left, nullptr, nullptr) == 0) {
            point.x -= left;
            point.y -= top;
        }
        return point;
    }

    void setClientSize(int width, int height) override {
        if (m_window)
            SDL_SetWindowSize(m_window, width, height);
        m_width = width;
        m_height = height;
    }

    void hide() override {
        if (m_window)
            SDL_HideWindow(m_window);
    }

    // The main window's own quit message ends here, so a frame collected at
    // the end of a run does not end the next one. A quit that some other
    // window's end posted during the drain is passed on.
    void destroy() override {
        int ownQuits = m_window && (m_flags & WindowMain) ? 1 : 0;
        closeNative();
        int quits = 0;
        dispatchAll(&quits);
        for (int i = ownQuits; i < quits; ++i)
            postQuit();
    }

    // One event of the queue; next is the event after it, which a key press
    // consumes when it is the text the press typed.
    void translate(const SDL_Event& event, const SDL_Event* next, bool& nextConsumed) {
        switch (event.type) {
        case SDL_WINDOWEVENT:
            translateWindowEvent(event.window);
            break;
        case SDL_KEYDOWN:
        case SDL_KEYUP:
            translateKey(event.key, next, nextConsumed);
            break;
        case SDL_MOUSEMOTION:
            handleMouseMove(event.motion.x, event.motion.y);
            break;
        case SDL_MOUSEBUTTONDOWN:
        case SDL_MOUSEBUTTONUP: {
            int button = buttonIndex(event.button.button);
            if (button >= 0)
                handleMouseButton(button, event.button.x, event.button.y, event.type == SDL_MOUSEBUTTONDOWN);
            break;
        }
        case SDL_MOUSEWHEEL: {
            float delta = event.wheel.preciseY;
            if (event.wheel.direction == SDL_MOUSEWHEEL_FLIPPED)
                delta = -delta;
            if (delta != 0.0f)
                handleWheel(delta);
            break;
        }
        default:
            break;
        }
    }

    void addRelativeMotion(int dx, int dy) { handleRelativeMove(dx, dy); }

protected:
    bool dispatchMessages() override { return dispatchAll(nullptr); }

    ScreenPoint cursorPosition() const override {
        ScreenPoint point;
        SDL_GetGlobalMouseState(&point.x, &point.y);
        return point;
    }

    void moveCursor(ScreenPoint point) override {
        if (m_window)
            SDL_WarpMouseGlobal(point.x, point.y);
    }

    ScreenPoint clientToScreen(int x, int y) const override {
        ScreenPoint point;
        if (m_window)
            SDL_GetWindowPosition(m_window, &point.x, &point.y);
        point.x += x;
        point.y += y;
        return point;
    }

    void captureMouse(bool capture) override { SDL_CaptureMouse(capture ? SDL_TRUE : SDL_FALSE); }

    void setRelativeMotion(bool relative) override {
        if (relative && m_window) {
            g_relativeWindow = this;
            SDL_SetRelativeMouseMode(SDL_TRUE);
        } else if (g_relativeWindow == this) {
            g_relativeWindow = nullptr;
            SDL_SetRelativeMouseMode(SDL_FALSE);
        }
    }

    int currentModifiers() const override { return g_modifiers; }
    void applyCursor(const Cursor* cursor) override { sdl::showCursorOf(cursor); }

    void applyMenu(const Menu* menu) override {
        m_menuBar.reset();
        if (menu && m_window)
            m_menuBar = std::make_unique<sdl::MenuBar>(m_window, *menu, [this](int id) { handleMenuCommand(id); });
    }

private:
    void closeNative() {
        if (!m_window)
            return;
        // Give the cursor back: it was hidden and held for this window.
        setMouseMode(MouseMode::Normal);
        m_menuBar.reset();
        SDL_DestroyWindow(m_window);
        m_window = nullptr;
        if (m_flags & WindowMain)
            postQuit();
    }

    // Resize events carry the kind of change; SDL reports a maximise both as a
    // size change and as a state change, which must not make two events.
    void sendSize(int width, int height, ResizeKind kind) {
        if (m_sizeSent && width == m_width && height == m_height && kind == m_lastKind)
            return;
        m_sizeSent = true;
        m_lastKind = kind;
        handleSize(width, height, kind);
    }

    ResizeKind currentKind() const {
        Uint32 state = SDL_GetWindowFlags(m_window);
        if (state & SDL_WINDOW_MINIMIZED)
            return ResizeKind::Minimize;
        if (state & SDL_WINDOW_MAXIMIZED)
            return ResizeKind::Maximize;
        return ResizeKind::Restore;
    }

    void translateWindowEvent(const SDL_WindowEvent& event) {
        switch (event.event) {
        case SDL_WINDOWEVENT_CLOSE:
            if (handleClose())
                closeNative();
            break;
        case SDL_WINDOWEVENT_FOCUS_GAINED:
            handleSetFocus();
            break;
        case SDL_WINDOWEVENT_ENTER:
            sdl::showCursorOf(cursor());
            break;
        case SDL_WINDOWEVENT_FOCUS_LOST:
            handleKillFocus();
            break;
        case SDL_WINDOWEVENT_SIZE_CHANGED:
            sendSize(event.data1, event.data2, currentKind());
            break;
        case SDL_WINDOWEVENT_MINIMIZED:
            sendSize(m_width, m_height, ResizeKind::Minimize);
            break;
        case SDL_WINDOWEVENT_MAXIMIZED:
        case SDL_WINDOWEVENT_RESTORED: {
            int width = m_width, height = m_height;
            SDL_GetWindowSize(m_window, &width, &height);
            sendSize(width, height,
                     event.event == SDL_WINDOWEVENT_MAXIMIZED ? ResizeKind::Maximize : ResizeKind::Restore);
            break;
        }
        default:
            break;
        }
    }

    void translateKey(const SDL_KeyboardEvent& event, const SDL_Event* next, bool& nextConsumed) {
        g_modifiers = modifiersOf(event.keysym.mod);
        int code = sdl::virtualKeyFromSdl(event.keysym);
        if (code == 0)
            return;
        bool down = event.type == SDL_KEYDOWN;
        int& typed = m_typed[code & KeyStateMask];
        if (down) {
            typed = controlCharacter(code);
            if (next && next->type == SDL_TEXTINPUT && next->text.windowID == event.windowID) {
                nextConsumed = true;
                if (next->text.text[0] && !next->text.text[1])
                    typed = static_cast<unsigned char>(next->text.text[0]);
            }
        }
        int character = typed;
        if (!down)
            typed = 0;

        // The key message's parameter: repeat count, scan code, previous state, transition.
        uint32_t raw = 1u | (static_cast<uint32_t>(event.keysym.scancode) & 0xFFu) << 16;
        if (!down || event.repeat)
            raw |= 1u << 30;
        if (!down)
            raw |= 1u << 31;

        bool alt = (event.keysym.mod & KMOD_ALT) != 0;
        bool control = (event.keysym.mod & KMOD_CTRL) != 0;
        bool system = code == KeyAlt || code == KeyF10 || (alt && !control);
        if (system)
            handleSystemKey(code, static_cast<int>(raw), character, down);
        else
            handleKey(code, static_cast<int>(raw), character, down);
    }

public:
    SDL_Window* native() const { return m_window; }

private:
    SDL_Window* m_window = nullptr;
    std::unique_ptr<sdl::MenuBar> m_menuBar;
    int m_typed[KeyStateCount] = {};
    bool m_sizeSent = false;
    ResizeKind m_lastKind = ResizeKind::Restore;
};

WindowSDL* windowOf(Uint32 id) {
    SDL_Window* window = id ? SDL_GetWindowFromID(id) : nullptr;
    return window ? static_cast<WindowSDL*>(SDL_GetWindowData(window, WindowDataKey)) : nullptr;
}

// SDL answers a focus loss with key-ups of every held key ahead of the focus
// event itself; the window layer sends those releases itself, in its own order.
std::vector<bool> releasesOfFocusLoss(const std::vector<SDL_Event>& events) {
    std::vector<bool> skip(events.size(), false);
    for (size_t i = 0; i < events.size(); ++i) {
        const SDL_Event& event = events[i];
        if (event.type != SDL_WINDOWEVENT || event.window.event != SDL_WINDOWEVENT_FOCUS_LOST)
            continue;
        for (size_t j = i; j-- > 0;) {
            if (events[j].type != SDL_KEYUP || events[j].key.windowID != event.window.windowID)
                break;
            skip[j] = true;
        }
    }
    return skip;
}

bool dispatchAll(int* quitsConsumed) {
    if (!SDL_WasInit(SDL_INIT_VIDEO))
        return true;
    SDL_PumpEvents();
    std::vector<SDL_Event> events;
    for (;;) {
        // Take the whole queue first: a key press and its text, or SDL's
        // releases and the focus loss, are read together.
        events.clear();
        SDL_Event event;
        while (SDL_PeepEvents(&event, 1, SDL_GETEVENT, SDL_FIRSTEVENT, SDL_LASTEVENT) == 1)
            events.push_back(event);
        if (events.empty()) {
            sdl::refreshMenuBars();
            return true;
        }
        std::vector<bool> skip = releasesOfFocusLoss(events);
        for (size_t i = 0; i < events.size(); ++i) {
            const SDL_Event& current = events[i];
            if (current.type == g_quitEvent) {
                if (!quitsConsumed)
                    return false;
                ++*quitsConsumed;
                continue;
            }
            if (skip[i]) {
                g_modifiers = modifiersOf(current.key.keysym.mod);
                continue;
            }
            if (current.type == SDL_MOUSEMOTION && g_relativeWindow) {
                g_relativeWindow->addRelativeMotion(current.motion.xrel, current.motion.yrel);
                continue;
            }
            if (sdl::dispatchMenuEvent(current))
                continue;
            WindowSDL* window = windowOf(windowIdOf(current));
            if (!window)
                continue;
            const SDL_Event* next = i + 1 < events.size() ? &events[i + 1] : nullptr;
            bool nextConsumed = false;
            window->translate(current, next, nextConsumed);
            if (nextConsumed)
                ++i;
        }
    }
}
} // namespace

SDL_Window* sdl::nativeWindow(Window& window) {
    return static_cast<WindowSDL&>(window).native();
}

std::unique_ptr<Window> Window::make(EventHandler* handler) {
    return std::make_unique<WindowSDL>(handler);
}

} // namespace core
