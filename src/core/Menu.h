#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

// Menus that windows show as their menu bar (core/sdl/MenuBar.cpp draws them).
namespace core {

struct MenuEntries;

enum class MenuEntryKind { Item, Separator, SubMenu };

struct MenuEntry {
    MenuEntryKind kind = MenuEntryKind::Item;
    // The command an item sends when chosen; 0 for separators and submenu entries.
    int id = 0;
    // An item's label, then "\t" and its shortcut text when it has one.
    std::string text;
    bool enabled = true;
    // What a submenu entry opens.
    std::shared_ptr<MenuEntries> submenu;
};

// The entries of a menu in insertion order. A parent menu shares them with its
// submenu's own Menu object, so a submenu stays whole while a parent shows it,
// even after its script handle is gone.
struct MenuEntries {
    std::vector<MenuEntry> entries;
};

// A menu of items, separators and submenus. Held through counted references:
// by script handles and by the window whose menu bar it is. A parent takes no
// count on a submenu.
class Menu {
public:
    Menu();
    Menu(const Menu&) = delete;
    Menu& operator=(const Menu&) = delete;

    // Every "Super" in the shortcut reads "Ctrl"; it is shown beside the text
    // and does nothing by itself.
    void addItem(int id, const std::string& text, const std::string& shortcut = "");
    // Throws core::Exception when the submenu is this menu or holds it.
    void addSubMenu(const Menu& submenu, const std::string& text);
    void addSeparator();
    // Enables or greys out every item with that identifier, here and in the
    // submenus below; an identifier no item has changes nothing.
    void enableItem(int id, bool enabled);

    const std::vector<MenuEntry>& entries() const { return m_entries->entries; }
    std::shared_ptr<const MenuEntries> shared() const { return m_entries; }

    // Goes up with every change to any menu, so whoever shows one knows to redraw.
    static uint32_t revision();

private:
    std::shared_ptr<MenuEntries> m_entries;
};

// The label and the shortcut text of an item's text.
std::string menuLabel(const std::string& text);
std::string menuShortcut(const std::string& text);

} // namespace core
