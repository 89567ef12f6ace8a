#pragma once

namespace core {
class Cursor;
}

namespace core::sdl {

// Makes a cursor (null: the default arrow) the one SDL shows. SDL has one
// cursor for all windows, so a window puts its own up when the pointer enters.
void showCursorOf(const Cursor* cursor);

} // namespace core::sdl
