#pragma once

namespace core {

// The process-wide cursor display count: the cursor shows while it is not
// negative. Adds delta and returns the new count (platform).
int changeCursorDisplayCount(int delta);

// Raises the count until the cursor shows, or lowers it until it hides.
inline void showCursor(bool show) {
    if (show) {
        while (changeCursorDisplayCount(+1) < 0) {
        }
    } else {
        while (changeCursorDisplayCount(-1) >= 0) {
        }
    }
}

} // namespace core
