#include "core/win32/MenuBar.h"

#include "core/Menu.h"
#include "core/win32/WideText.h"
#include "core/win32/WindowNative.h"

namespace core::win32 {

namespace {

void appendEntries(HMENU native, const std::vector<MenuEntry>& entries) {
    for (const MenuEntry& entry : entries) {
        switch (entry.kind) {
        case MenuEntryKind::Separator:
            AppendMenuW(native, MF_SEPARATOR, 0, nullptr);
            break;
        case MenuEntryKind::SubMenu: {
            HMENU popup = CreatePopupMenu();
            appendEntries(popup, entry.submenu->entries);
            AppendMenuW(native, MF_STRING | MF_POPUP, reinterpret_cast<UINT_PTR>(popup), widen(entry.text).c_str());
            break;
        }
        case MenuEntryKind::Item:
            // The tab in the text puts the shortcut right-aligned, as menus show it.
            AppendMenuW(native, MF_STRING | (entry.enabled ? MF_ENABLED : MF_GRAYED), UINT_PTR(UINT(entry.id)),
                        widen(entry.text).c_str());
            break;
        }
    }
}

} // namespace

HMENU buildMenuBar(const Menu& menu) {
    HMENU bar = CreateMenu();
    appendEntries(bar, menu.entries());
    return bar;
}

} // namespace core::win32
