#pragma once

#include <functional>
#include <memory>

struct SDL_Window;
union SDL_Event;

namespace core {
class Menu;
}

namespace core::sdl {

// A menu bar for a window of a platform without native menus: a small
// borderless window kept just above the frame's top edge, and one more for
// each open drop-down menu. They draw themselves into their own window
// surfaces, so the frame's client area and its GL context stay untouched.
class MenuBar {
public:
    using Choose = std::function<void(int id)>;

    MenuBar(SDL_Window* frame, const Menu& menu, Choose choose);
    ~MenuBar();
    MenuBar(const MenuBar&) = delete;
    MenuBar& operator=(const MenuBar&) = delete;

    struct Impl;

private:
    std::unique_ptr<Impl> m_impl;
};

// Gives an event to the menu window it belongs to; true when it did. A button
// pressed in any other window closes the open drop-down menus and is not taken.
bool dispatchMenuEvent(const SDL_Event& event);

// Once a pump: bars follow their frames, and redraw when a menu changed.
void refreshMenuBars();

} // namespace core::sdl
