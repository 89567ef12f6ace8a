#include "core/MessageBox.h"

#include "core/win32/WideText.h"

#include <windows.h>

namespace core {

int showMessageBox(const std::string& title, const std::string& text, MessageButtons buttons) {
    static const UINT Styles[] = {MB_OK, MB_OKCANCEL, MB_YESNO, MB_YESNOCANCEL, MB_RETRYCANCEL};
    UINT style = Styles[static_cast<int>(buttons)] | MB_ICONWARNING;
    int pressed = MessageBoxW(nullptr, win32::widen(text).c_str(), win32::widen(title).c_str(), style);
    if (pressed == 0)
        return 0;
    // The first button of a set is 1; anything else, the close button and
    // Escape included, is the set's other answer, or its last one.
    switch (buttons) {
    case MessageButtons::Ok:
        return 1;
    case MessageButtons::OkCancel:
        return pressed == IDOK ? 1 : 2;
    case MessageButtons::YesNo:
        return pressed == IDYES ? 1 : 2;
    case MessageButtons::YesNoCancel:
        return pressed == IDYES ? 1 : pressed == IDNO ? 2 : 3;
    case MessageButtons::RetryCancel:
        return pressed == IDRETRY ? 1 : 2;
    }
    return 0;
}

} // namespace core
