#include "core/sdl/MenuBar.h"

#include "core/BuiltinFontData.h"
#include "core/DebugLog.h"
#include "core/Menu.h"

#include <SDL.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

namespace core::sdl {

namespace {

const char* const MenuDataKey = "quill.menu";

// The built-in 8 x 15 bitmap font, and the layout around it.
constexpr int GlyphWidth = 8;
constexpr int GlyphHeight = 15;
constexpr int RowHeight = GlyphHeight + 6;
constexpr int SeparatorHeight = 9;
constexpr int Padding = 8;
constexpr int ShortcutGap = 3 * GlyphWidth;
constexpr int MinimumDropDownWidth = 120;

constexpr Uint32 Background = 0xE4E4E4;
constexpr Uint32 Text = 0x000000;
constexpr Uint32 GreyText = 0x9A9A9A;
constexpr Uint32 Highlight = 0x3465A4;
constexpr Uint32 HighlightText = 0xFFFFFF;
constexpr Uint32 Rule = 0xA8A8A8;
constexpr Uint32 Border = 0x707070;

int textWidth(const std::string& text) {
    return static_cast<int>(text.size()) * GlyphWidth;
}

void fill(SDL_Surface* surface, int x, int y, int width, int height, Uint32 rgb) {
    SDL_Rect rect{x, y, width, height};
    SDL_FillRect(surface, &rect, SDL_MapRGB(surface->format, rgb >> 16 & 0xFF, rgb >> 8 & 0xFF, rgb & 0xFF));
}

// Bytes the font has no glyph for (the space among them) leave their cell empty.
void drawText(SDL_Surface* surface, int x, int y, const std::string& text, Uint32 rgb) {
    constexpr int FontWidth = GlyphWidth * 97;
    for (size_t i = 0; i < text.size(); ++i, x += GlyphWidth) {
        const void* found = std::memchr(kBuiltinGlyphSet, text[i], sizeof(kBuiltinGlyphSet) - 1);
        if (!text[i] || !found)
            continue;
        int cell = static_cast<int>(static_cast<const char*>(found) - kBuiltinGlyphSet);
        for (int row = 0; row < GlyphHeight; ++row) {
            for (int column = 0; column < GlyphWidth; ++column) {
                int bit = row * FontWidth + cell * GlyphWidth + column;
                if (kBitmapFont8x15[bit / 8] >> (bit % 8) & 1)
                    fill(surface, x + column, y + row, 1, 1, rgb);
            }
        }
    }
}

SDL_Window* openWindow(const char* title, int x, int y, int width, int height) {
    SDL_Window* window = SDL_CreateWindow(title, x, y, std::max(width, 1), std::max(height, 1),
                                          SDL_WINDOW_BORDERLESS | SDL_WINDOW_POPUP_MENU | SDL_WINDOW_SKIP_TASKBAR |
                                              SDL_WINDOW_SHOWN);
    if (!window)
        debugLog("menu window: %s\n", SDL_GetError());
    return window;
}

} // namespace

// One menu window: the bar itself (level 0) or an open drop-down menu.
struct MenuWindow {
    SDL_Window* window = nullptr;
    std::shared_ptr<const MenuEntries> menu;
    bool horizontal = false;
    // The entry shown highlighted: the open one, or the one under the pointer.
    int highlighted = -1;
    int width = 0;
    int height = 0;

    // Where each entry sits along the window: x for the bar, y for a drop-down.
    std::vector<int> starts;
    std::vector<int> ends;

    void layOut(int barWidth) {
        starts.clear();
        ends.clear();
        int at = horizontal ? 0 : 1;
        int labels = 0, shortcuts = 0;
        for (const MenuEntry& entry : menu->entries) {
            int size = 0;
            if (horizontal)
                size = entry.kind == MenuEntryKind::Separator ? Padding : textWidth(menuLabel(entry.text)) + 2 * Padding;
            else
                size = entry.kind == MenuEntryKind::Separator ? SeparatorHeight : RowHeight;
            labels = std::max(labels, textWidth(menuLabel(entry.text)));
            shortcuts = std::max(shortcuts, textWidth(menuShortcut(entry.text)));
            starts.push_back(at);
            at += size;
            ends.push_back(at);
        }
        if (horizontal) {
            width = std::max(barWidth, 1);
            height = RowHeight;
        } else {
            // Room for a submenu's arrow in the shortcut column.
            width = std::max(MinimumDropDownWidth, 2 * Padding + labels + ShortcutGap + std::max(shortcuts, GlyphWidth));
            height = at + 1;
        }
    }

    int entryAt(int x, int y) const {
        int along = horizontal ? x : y;
        int across = horizontal ? y : x;
        if (across < 0 || across >= (horizontal ? height : width))
            return -1;
        for (size_t i = 0; i < starts.size(); ++i) {
            if (along >= starts[i] && along < ends[i])
                return static_cast<int>(i);
        }
        return -1;
    }

    bool choosable(int index) const {
        if (index < 0 || index >= static_cast<int>(menu->entries.size()))
            return false;
        const MenuEntry& entry = menu->entries[index];
        return entry.kind != MenuEntryKind::Separator && entry.enabled;
    }

    void draw() const {
        SDL_Surface* surface = SDL_GetWindowSurface(window);
        if (!surface)
            return;
        fill(surface, 0, 0, surface->w, surface->h, Background);
        for (size_t i = 0; i < menu->entries.size(); ++i) {
            const MenuEntry& entry = menu->entries[i];
            int start = starts[i], size = ends[i] - starts[i];
            bool lit = static_cast<int>(i) == highlighted && choosable(highlighted);
            if (entry.kind == MenuEntryKind::Separator) {
                if (horizontal)
                    fill(surface, start + size / 2, 3, 1, height - 6, Rule);
                else
                    fill(surface, 4, start + size / 2, width - 8, 1, Rule);
                continue;
            }
            Uint32 colour = !entry.enabled ? GreyText : lit ? HighlightText : Text;
            int x = horizontal ? start : 1;
            int y = horizontal ? 0 : start;
            if (lit)
                fill(surface, x, y, horizontal ? size : width - 2, RowHeight, Highlight);
            drawText(surface, x + Padding, y + 3, menuLabel(entry.text), colour);
            if (horizontal)
                continue;
            std::string shortcut = entry.kind == MenuEntryKind::SubMenu ? std::string(">") : menuShortcut(entry.text);
            drawText(surface, width - Padding - textWidth(shortcut), y + 3, shortcut, colour);
        }
        if (!horizontal) {
            fill(surface, 0, 0, width, 1, Border);
            fill(surface, 0, height - 1, width, 1, Border);
            fill(surface, 0, 0, 1, height, Border);
            fill(surface, width - 1, 0, 1, height, Border);
        }
        SDL_UpdateWindowSurface(window);
    }
};

struct MenuBar::Impl {
    SDL_Window* frame;
    std::shared_ptr<const MenuEntries> menu;
    Choose choose;
    // The bar, then the open drop-down menus, each opened from the one before.
    std::vector<MenuWindow> levels;
    uint32_t revision = 0;
    int frameX = 0, frameY = 0, frameWidth = 0;
    bool shown = false;

    ~Impl() {
        while (!levels.empty())
            closeLevel();
    }

    void closeLevel() {
        SDL_DestroyWindow(levels.back().window);
        levels.pop_back();
    }

    // Closes every drop-down menu from this level on.
    void closeFrom(size_t level) {
        while (levels.size() > level && levels.size() > 1)
            closeLevel();
        if (level <= 1 && !levels.empty() && levels[0].highlighted >= 0) {
            levels[0].highlighted = -1;
            levels[0].draw();
        }
    }

    // Where the bar goes: above the frame's outer top edge, on the screen.
    SDL_Point barPosition() const {
        int top = 0;
        SDL_GetWindowBordersSize(frame, &top, nullptr, nullptr, nullptr);
        return {frameX, std::max(0, frameY - top - RowHeight)};
    }

    bool frameVisible() const {
        Uint32 flags = SDL_GetWindowFlags(frame);
        return (flags & SDL_WINDOW_SHOWN) && !(flags & (SDL_WINDOW_HIDDEN | SDL_WINDOW_MINIMIZED));
    }

    bool openLevel(MenuWindow level, int x, int y, int barWidth) {
        level.layOut(barWidth);
        level.window = openWindow(level.horizontal ? "menu bar" : "menu", x, y, level.width, level.height);
        if (!level.window)
            return false;
        SDL_SetWindowData(level.window, MenuDataKey, this);
        levels.push_back(std::move(level));
        levels.back().draw();
        return true;
    }

    void openBar() {
        SDL_GetWindowPosition(frame, &frameX, &frameY);
        SDL_GetWindowSize(frame, &frameWidth, nullptr);
        MenuWindow bar;
        bar.menu = menu;
        bar.horizontal = true;
        SDL_Point at = barPosition();
        // A bar that could not open is not tried again every pump (the log says why).
        openLevel(std::move(bar), at.x, at.y, frameWidth);
        shown = true;
        revision = Menu::revision();
    }

    // Opens the submenu of an entry of a level, beside it (a drop-down) or below it (the bar).
    void openSubMenu(size_t level, int index) {
        closeFrom(level + 1);
        MenuWindow& from = levels[level];
        from.highlighted = index;
        from.draw();
        int x = 0, y = 0;
        SDL_GetWindowPosition(from.window, &x, &y);
        if (from.horizontal)
            y += from.height, x += from.starts[index];
        else
            x += from.width - 2, y += from.starts[index] - 1;
        MenuWindow dropDown;
        dropDown.menu = from.menu->entries[index].submenu;
        openLevel(std::move(dropDown), x, y, 0);
    }

    void press(size_t level, int x, int y) {
        MenuWindow& window = levels[level];
        int index = window.entryAt(x, y);
        if (!window.choosable(index))
            return;
        const MenuEntry& entry = window.menu->entries[index];
        if (entry.kind == MenuEntryKind::SubMenu) {
            // Pressing the open one again closes it.
            if (levels.size() > level + 1 && window.highlighted == index)
                closeFrom(level + 1);
            else
                openSubMenu(level, index);
        } else if (level == 0) {
            closeFrom(1);
            choose(entry.id);
        }
    }

    // A drop-down item is chosen when the button comes up over it. X gives the
    // release to the window the press went to, so a press on the bar dragged
    // into a drop-down comes up over that drop-down.
    void release(size_t level, int x, int y) {
        if (level == 0) {
            int barX = 0, barY = 0;
            SDL_GetWindowPosition(levels[0].window, &barX, &barY);
            for (size_t i = levels.size(); i-- > 1;) {
                int dropX = 0, dropY = 0;
                SDL_GetWindowPosition(levels[i].window, &dropX, &dropY);
                if (levels[i].entryAt(barX + x - dropX, barY + y - dropY) >= 0)
                    return release(i, barX + x - dropX, barY + y - dropY);
            }
            return;
        }
        MenuWindow& window = levels[level];
        int index = window.entryAt(x, y);
        if (!window.choosable(index) || window.menu->entries[index].kind != MenuEntryKind::Item)
            return;
        int id = window.menu->entries[index].id;
        closeFrom(1);
        choose(id);
    }

    void hover(size_t level, int x, int y) {
        MenuWindow& window = levels[level];
        int index = window.entryAt(x, y);
        // With a menu open, moving along the bar opens the menu under the pointer.
        if (level == 0) {
            if (levels.size() > 1 && index != window.highlighted && window.choosable(index) &&
                window.menu->entries[index].kind == MenuEntryKind::SubMenu)
                openSubMenu(0, index);
            return;
        }
        if (levels.size() > level + 1)
            return;
        if (index != window.highlighted) {
            window.highlighted = index;
            window.draw();
        }
    }

    void handle(size_t level, const SDL_Event& event) {
        switch (event.type) {
        case SDL_MOUSEBUTTONDOWN:
            if (event.button.button == SDL_BUTTON_LEFT)
                press(level, event.button.x, event.button.y);
            break;
        case SDL_MOUSEBUTTONUP:
            if (event.button.button == SDL_BUTTON_LEFT)
                release(level, event.button.x, event.button.y);
            break;
        case SDL_MOUSEMOTION:
            hover(level, event.motion.x, event.motion.y);
            break;
        case SDL_WINDOWEVENT:
            if (event.window.event == SDL_WINDOWEVENT_EXPOSED)
                levels[level].draw();
            break;
        default:
            break;
        }
    }

    void refresh() {
        if (!frameVisible()) {
            while (!levels.empty())
                closeLevel();
            shown = false;
            return;
        }
        if (!shown) {
            openBar();
            return;
        }
        int x = 0, y = 0, width = 0;
        SDL_GetWindowPosition(frame, &x, &y);
        SDL_GetWindowSize(frame, &width, nullptr);
        bool moved = x != frameX || y != frameY || width != frameWidth;
        if (!moved && revision == Menu::revision())
            return;
        frameX = x, frameY = y, frameWidth = width;
        revision = Menu::revision();
        // Open drop-downs would no longer line up with the bar.
        if (moved)
            closeFrom(1);
        for (size_t i = 0; i < levels.size(); ++i) {
            MenuWindow& level = levels[i];
            level.layOut(frameWidth);
            SDL_SetWindowSize(level.window, level.width, level.height);
            if (i == 0) {
                SDL_Point at = barPosition();
                SDL_SetWindowPosition(level.window, at.x, at.y);
            }
            level.draw();
        }
    }
};

namespace {

std::vector<MenuBar::Impl*> g_bars;

} // namespace

MenuBar::MenuBar(SDL_Window* frame, const Menu& menu, Choose choose) : m_impl(std::make_unique<Impl>()) {
    m_impl->frame = frame;
    m_impl->menu = menu.shared();
    m_impl->choose = std::move(choose);
    m_impl->refresh();
    g_bars.push_back(m_impl.get());
}

MenuBar::~MenuBar() {
    g_bars.erase(std::remove(g_bars.begin(), g_bars.end(), m_impl.get()), g_bars.end());
}

bool dispatchMenuEvent(const SDL_Event& event) {
    Uint32 id = 0;
    switch (event.type) {
    case SDL_WINDOWEVENT:
        id = event.window.windowID;
        break;
    case SDL_MOUSEMOTION:
        id = event.motion.windowID;
        break;
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP:
        id = event.button.windowID;
        break;
    default:
        return false;
    }
    SDL_Window* window = id ? SDL_GetWindowFromID(id) : nullptr;
    auto* bar = window ? static_cast<MenuBar::Impl*>(SDL_GetWindowData(window, MenuDataKey)) : nullptr;
    if (!bar) {
        if (event.type == SDL_MOUSEBUTTONDOWN) {
            for (MenuBar::Impl* each : g_bars)
                each->closeFrom(1);
        }
        return false;
    }
    for (size_t level = 0; level < bar->levels.size(); ++level) {
        if (bar->levels[level].window == window) {
            // Pressing in one bar closes what other bars have open.
            if (event.type == SDL_MOUSEBUTTONDOWN) {
                for (MenuBar::Impl* each : g_bars) {
                    if (each != bar)
                        each->closeFrom(1);
                }
            }
            bar->handle(level, event);
            break;
        }
    }
    return true;
}

void refreshMenuBars() {
    for (MenuBar::Impl* bar : g_bars)
        bar->refresh();
}

} // namespace core::sdl
