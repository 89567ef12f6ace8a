#pragma once

#include <string>

namespace core {

enum class MessageButtons { Ok, OkCancel, YesNo, YesNoCancel, RetryCancel };

// Shows a modal warning box with no owner window. Returns the result index of
// the pressed button, 1 to 3 in the order the button set names them; closing
// the box counts as its last button. Returns 0 when no box could be shown.
int showMessageBox(const std::string& title, const std::string& text, MessageButtons buttons);

} // namespace core
