#pragma once

#include <string>
#include <vector>

// The desktop around the game: screens, clipboard, the shell, identifiers.
// Implemented per platform (core/sdl/, core/posix/).
namespace core {

struct Rect {
    int left;
    int top;
    int right;
    int bottom;
};

// Width and height of the primary screen; false when there is no screen.
bool desktopSize(int& width, int& height);
// The primary screen's area not covered by panels; false when unknown.
bool workArea(Rect& area);

struct DisplayMode {
    int width;
    int height;
    int bitsPerPixel;
};
// Every mode the primary screen offers, as the system lists them; empty without a screen.
std::vector<DisplayMode> displayModes();

// Plain text; setting does nothing when the clipboard cannot be had.
void setClipboardText(const std::string& text);
std::string getClipboardText();

// Hands an address to the desktop's default handler; failures are ignored.
void openURL(const std::string& url);

// A random (version 4) GUID in lowercase 8-4-4-4-12 form; throws on failure.
std::string createGuid();

} // namespace core
