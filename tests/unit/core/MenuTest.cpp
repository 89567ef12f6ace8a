#include "core/Exception.h"
#include "core/Menu.h"
#include "core/RefRegistry.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using core::Menu;
using core::MenuEntryKind;

std::string describe(const core::MenuEntry& entry) {
    switch (entry.kind) {
    case MenuEntryKind::Item:
        return std::to_string(entry.id) + ":" + entry.text + (entry.enabled ? "" : " (grey)");
    case MenuEntryKind::Separator:
        return "---";
    case MenuEntryKind::SubMenu:
        return "[" + entry.text + "]";
    }
    return "?";
}

std::string describe(const std::vector<core::MenuEntry>& entries) {
    std::string text;
    for (const core::MenuEntry& entry : entries)
        text += (text.empty() ? "" : ", ") + describe(entry);
    return text;
}

TEST(Menu, EntriesKeepInsertionOrder) {
    Menu menu, submenu;
    menu.addItem(1, "Open");
    menu.addItem(2, "Save", "Super+S");
    menu.addSeparator();
    menu.addSubMenu(submenu, "Recent");
    menu.addItem(3, "Quit");
    EXPECT_EQ(describe(menu.entries()), "1:Open, 2:Save\tCtrl+S, ---, [Recent], 3:Quit");
    EXPECT_EQ(menu.entries()[3].id, 0) << "a submenu entry has no command";
}

TEST(Menu, ShortcutTextsReadCtrlForSuper) {
    struct Case {
        const char* shortcut;
        const char* text;
    } cases[] = {
        {"", "Save"},
        {"Super+S", "Save\tCtrl+S"},
        {"Super+Shift+Super", "Save\tCtrl+Shift+Ctrl"},
        {"F5", "Save\tF5"},
        {"SuperSuper", "Save\tCtrlCtrl"},
    };
    for (const Case& c : cases) {
        Menu menu;
        menu.addItem(7, "Save", c.shortcut);
        EXPECT_EQ(menu.entries()[0].text, c.text) << c.shortcut;
        EXPECT_EQ(core::menuLabel(menu.entries()[0].text), "Save") << c.shortcut;
    }
    EXPECT_EQ(core::menuShortcut("Save\tCtrl+S"), "Ctrl+S");
    EXPECT_EQ(core::menuShortcut("Save"), "");
}

TEST(Menu, EnableItemGreysEveryItemWithTheIdentifierAndIgnoresUnknownOnes) {
    Menu menu, submenu;
    menu.addItem(1, "Cut");
    menu.addItem(2, "Copy");
    submenu.addItem(2, "Copy as text");
    menu.addSubMenu(submenu, "More");

    uint32_t before = Menu::revision();
    menu.enableItem(99, false);
    EXPECT_EQ(describe(menu.entries()), "1:Cut, 2:Copy, [More]");
    EXPECT_EQ(Menu::revision(), before) << "nothing changed, nothing to redraw";

    menu.enableItem(2, false);
    EXPECT_EQ(describe(menu.entries()), "1:Cut, 2:Copy (grey), [More]");
    EXPECT_EQ(describe(submenu.entries()), "2:Copy as text (grey)");
    EXPECT_NE(Menu::revision(), before);

    submenu.enableItem(2, true);
    EXPECT_EQ(describe(menu.entries()[2].submenu->entries), "2:Copy as text") << "the parent shows the change";
    EXPECT_EQ(describe(menu.entries()), "1:Cut, 2:Copy (grey), [More]") << "a submenu does not reach its parent";
}

TEST(Menu, AParentTakesNoCountButKeepsItsSubmenuWhole) {
    core::CountedRef<Menu> parent(new Menu);
    core::CountedRef<Menu> submenu(new Menu);
    submenu->addItem(5, "Five");
    parent->addSubMenu(*submenu, "Numbers");
    EXPECT_EQ(core::refCountOf(submenu.get()), 1u);

    const Menu* gone = submenu.get();
    submenu.reset();
    EXPECT_EQ(core::refCountOf(gone), 0u) << "the last count deletes the submenu object";
    EXPECT_EQ(describe(parent->entries()[0].submenu->entries), "5:Five") << "its entries stay with the parent";
}

TEST(Menu, AMenuCannotContainItself) {
    Menu top, middle, bottom;
    middle.addSubMenu(bottom, "Bottom");
    top.addSubMenu(middle, "Middle");
    EXPECT_THROW(top.addSubMenu(top, "Self"), core::Exception);
    EXPECT_THROW(bottom.addSubMenu(top, "Loop"), core::Exception);
    EXPECT_EQ(describe(bottom.entries()), "");
    top.addSubMenu(bottom, "Twice is fine");
    EXPECT_EQ(describe(top.entries()), "[Middle], [Twice is fine]");
}

} // namespace
