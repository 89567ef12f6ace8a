#include "core/Menu.h"

#include "core/Exception.h"

namespace core {

namespace {

uint32_t g_revision = 0;

std::string replaceAll(std::string text, const std::string& from, const std::string& to) {
    for (size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
        text.replace(at, from.size(), to);
    return text;
}

bool holds(const MenuEntries& menu, const MenuEntries* wanted) {
    if (&menu == wanted)
        return true;
    for (const MenuEntry& entry : menu.entries) {
        if (entry.submenu && holds(*entry.submenu, wanted))
            return true;
    }
    return false;
}

void enable(MenuEntries& menu, int id, bool enabled) {
    for (MenuEntry& entry : menu.entries) {
        if (entry.kind == MenuEntryKind::Item && entry.id == id && entry.enabled != enabled) {
            entry.enabled = enabled;
            ++g_revision;
        } else if (entry.submenu) {
            enable(*entry.submenu, id, enabled);
        }
    }
}

} // namespace

Menu::Menu() : m_entries(std::make_shared<MenuEntries>()) {}

void Menu::addItem(int id, const std::string& text, const std::string& shortcut) {
    MenuEntry entry;
    entry.id = id;
    entry.text = shortcut.empty() ? text : text + "\t" + replaceAll(shortcut, "Super", "Ctrl");
    m_entries->entries.push_back(std::move(entry));
    ++g_revision;
}

void Menu::addSubMenu(const Menu& submenu, const std::string& text) {
    // A menu inside itself would open without end.
    if (holds(*submenu.m_entries, m_entries.get()))
        throw Exception("A menu cannot be its own submenu");
    MenuEntry entry;
    entry.kind = MenuEntryKind::SubMenu;
    entry.text = text;
    entry.submenu = submenu.m_entries;
    m_entries->entries.push_back(std::move(entry));
    ++g_revision;
}

void Menu::addSeparator() {
    MenuEntry entry;
    entry.kind = MenuEntryKind::Separator;
    m_entries->entries.push_back(std::move(entry));
    ++g_revision;
}

void Menu::enableItem(int id, bool enabled) {
    enable(*m_entries, id, enabled);
}

uint32_t Menu::revision() {
    return g_revision;
}

std::string menuLabel(const std::string& text) {
    return text.substr(0, text.find('\t'));
}

std::string menuShortcut(const std::string& text) {
    size_t tab = text.find('\t');
    return tab == std::string::npos ? std::string() : text.substr(tab + 1);
}

} // namespace core
