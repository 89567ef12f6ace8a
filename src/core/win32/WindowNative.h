#pragma once

#include <windows.h>

namespace core {
class Window;
}

namespace core::win32 {

// The operating-system window behind a window of this platform; null before
// create and after destroy.
HWND nativeWindow(Window& window);

// A predefined resource (IDC_ARROW, IDI_APPLICATION) for the wide-character
// calls, whichever character set the headers were set up for: the name is an
// integer in a pointer either way.
template <typename Id>
LPCWSTR systemResource(Id id) {
    return reinterpret_cast<LPCWSTR>(id);
}

} // namespace core::win32
