#pragma once

#include <windows.h>

namespace core {
class Cursor;
}

namespace core::win32 {

// The cursor's handle; the arrow for null.
HCURSOR nativeCursor(const Cursor* cursor);

} // namespace core::win32
