#include "core/CursorDisplay.h"

#include <windows.h>

namespace core {

// The system keeps the count; a change of 0 only reads it.
int changeCursorDisplayCount(int delta) {
    if (delta == 0) {
        ShowCursor(FALSE);
        return ShowCursor(TRUE);
    }
    int count = 0;
    for (int i = 0; i < delta; ++i)
        count = ShowCursor(TRUE);
    for (int i = 0; i > delta; --i)
        count = ShowCursor(FALSE);
    return count;
}

} // namespace core
