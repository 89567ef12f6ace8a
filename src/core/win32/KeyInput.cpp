#include "core/win32/KeyInput.h"

#include "core/Event.h"

namespace core::win32 {

int currentModifiers() {
    int modifiers = 0;
    if (GetKeyState(VK_SHIFT) & 0x8000)
        modifiers |= ModifierShift;
    if (GetKeyState(VK_CONTROL) & 0x8000)
        modifiers |= ModifierControl;
    if (GetKeyState(VK_MENU) & 0x8000)
        modifiers |= ModifierAlt;
    return modifiers;
}

int typedCharacter(WPARAM virtualKey, LPARAM parameter) {
    BYTE keyboard[256];
    if (!GetKeyboardState(keyboard))
        return 0;
    // The key counts as held for the translation, so its release types the
    // same character as its press.
    keyboard[virtualKey & 0xFF] |= 0x80;
    UINT scanCode = (UINT(parameter) >> 16) & 0x1FF;
    wchar_t text[4] = {};
    // Flag 4 leaves a pending dead key where it is: the translation only looks.
    int count = ToUnicode(UINT(virtualKey), scanCode, keyboard, text, 4, 4);
    if (count != 1 || text[0] > 0xFF)
        return 0;
    return text[0];
}

} // namespace core::win32
