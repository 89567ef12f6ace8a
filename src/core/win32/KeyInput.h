#pragma once

#include <windows.h>

namespace core::win32 {

// Shift, control and alt as the keyboard state has them now, as event modifier bits.
int currentModifiers();

// What the key of a key message types with the keyboard as it is now: the
// UTF-16 translation when it is one unit that fits a byte, 8, 9, 13 or 27 for
// backspace, tab, enter and escape, 0 otherwise.
int typedCharacter(WPARAM virtualKey, LPARAM parameter);

} // namespace core::win32
