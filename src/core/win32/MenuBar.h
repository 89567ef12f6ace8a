#pragma once

#include <windows.h>

namespace core {
class Menu;
}

namespace core::win32 {

// A native menu bar holding the menu's entries in order, with a popup menu
// for each submenu. The window it is set on owns it from then on.
HMENU buildMenuBar(const Menu& menu);

} // namespace core::win32
