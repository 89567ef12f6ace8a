#include "core/MessageBox.h"

#include "core/ProcessControl.h"

#include <SDL.h>

#include <cstdlib>

namespace core {

int showMessageBox(const std::string& title, const std::string& text, MessageButtons buttons) {
    // Without a display (unset or empty) SDL may hand the box to a helper program that fails
    // yet reports success; the caller then never learns that nobody saw it.
#ifndef _WIN32
    auto named = [](const char* name) {
        const char* value = SDL_getenv(name);
        return value && *value;
    };
    if (!named("DISPLAY") && !named("WAYLAND_DISPLAY"))
        return 0;
#endif
    struct Button {
        const char* label;
        Uint32 flags;
    };
    constexpr Uint32 Return = SDL_MESSAGEBOX_BUTTON_RETURNKEY_DEFAULT;
    constexpr Uint32 Escape = SDL_MESSAGEBOX_BUTTON_ESCAPEKEY_DEFAULT;
    static const Button sets[][3] = {
        {{"OK", Return | Escape}, {}, {}},
        {{"OK", Return}, {"Cancel", Escape}, {}},
        {{"Yes", Return}, {"No", Escape}, {}},
        {{"Yes", Return}, {"No", 0}, {"Cancel", Escape}},
        {{"Retry", Return}, {"Cancel", Escape}, {}},
    };
    const Button* set = sets[static_cast<int>(buttons)];

    SDL_MessageBoxButtonData data[3];
    int count = 0;
    for (; count < 3 && set[count].label; ++count) {
        data[count].flags = set[count].flags;
        data[count].buttonid = count + 1;
        data[count].text = set[count].label;
    }

    SDL_MessageBoxData box{};
    box.flags = SDL_MESSAGEBOX_WARNING | SDL_MESSAGEBOX_BUTTONS_LEFT_TO_RIGHT;
    box.title = title.c_str();
    box.message = text.c_str();
    box.numbuttons = count;
    box.buttons = data;

    int pressed = -1;
    BoxProcessScope helperProcess;
    if (SDL_ShowMessageBox(&box, &pressed) != 0)
        return 0;
    // The window's close button reports -1: the last button of the set.
    return pressed >= 1 && pressed <= count ? pressed : count;
}

} // namespace core
