// The script face of core::Menu.
#include "bindings/MenuBindings.h"

#include "bindings/Registration.h"

namespace {

using core::Menu;

int create(lua_State* L) {
    bind::pushNew(L, new Menu());
    return 1;
}

int addItem(lua_State* L) {
    Menu* menu = bind::check<Menu>(L, 1);
    int id = static_cast<int>(luaL_checkinteger(L, 2));
    std::string text = bind::checkString(L, 3);
    std::string shortcut = lua_isnoneornil(L, 4) ? std::string() : bind::checkString(L, 4);
    menu->addItem(id, text, shortcut);
    return 0;
}

int addSubMenu(lua_State* L) {
    Menu* menu = bind::check<Menu>(L, 1);
    Menu* submenu = bind::check<Menu>(L, 2);
    menu->addSubMenu(*submenu, bind::checkString(L, 3));
    return 0;
}

int addSeparator(lua_State* L) {
    bind::check<Menu>(L, 1)->addSeparator();
    return 0;
}

int enableItem(lua_State* L) {
    Menu* menu = bind::check<Menu>(L, 1);
    int id = static_cast<int>(luaL_checkinteger(L, 2));
    menu->enableItem(id, bind::checkBoolean(L, 3));
    return 0;
}

} // namespace

void registerMenu(lua_State* L) {
    using bind::guarded;
    bind::registerClass<Menu>(L, nullptr,
                              {
                                  {"create", create},
                                  {"addItem", addItem},
                                  {"addSubMenu", guarded<addSubMenu>},
                                  {"addSeparator", addSeparator},
                                  {"enableItem", enableItem},
                              });
}
