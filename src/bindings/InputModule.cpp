// The sys functions that poll the main frame's keyboard and mouse. Without a
// main frame every key and button reads as up and the mouse at 0, 0.
#include "bindings/Binding.h"
#include "bindings/Registration.h"
#include "core/Frame.h"
#include "core/Keys.h"

namespace {

// A key by name (any letter case) or by its code; a code no key state can hold
// gives -1, which reads as up.
int keyCodeArgument(lua_State* L) {
    if (lua_type(L, 1) == LUA_TNUMBER) {
        lua_Number code = lua_tonumber(L, 1);
        return code >= 0 && code < core::KeyStateCount ? static_cast<int>(code) : -1;
    }
    int code = core::findKeyCode(bind::checkString(L, 1));
    if (code < 0)
        luaL_error(L, "invalid key name");
    return code;
}

int keyDown(lua_State* L) {
    int code = keyCodeArgument(L);
    core::Frame* frame = core::Frame::mainFrame();
    lua_pushboolean(L, frame && code >= 0 && frame->isKeyDown(code));
    return 1;
}

int keyPressed(lua_State* L) {
    int code = keyCodeArgument(L);
    core::Frame* frame = core::Frame::mainFrame();
    lua_pushboolean(L, frame && code >= 0 && frame->isKeyPressed(code));
    return 1;
}

int getKeyName(lua_State* L) {
    const char* name = core::keyNameFromCode(static_cast<int>(luaL_checkinteger(L, 1)));
    if (!name)
        return 0;
    lua_pushstring(L, name);
    return 1;
}

int mouseDown(lua_State* L) {
    int button = static_cast<int>(luaL_checkinteger(L, 1));
    core::Frame* frame = core::Frame::mainFrame();
    lua_pushboolean(L, frame && frame->isMouseDown(button));
    return 1;
}

int mousePressed(lua_State* L) {
    int button = static_cast<int>(luaL_checkinteger(L, 1));
    core::Frame* frame = core::Frame::mainFrame();
    lua_pushboolean(L, frame && frame->isMousePressed(button));
    return 1;
}

int mousePos(lua_State* L) {
    core::Frame* frame = core::Frame::mainFrame();
    lua_pushinteger(L, frame ? frame->mouseX() : 0);
    lua_pushinteger(L, frame ? frame->mouseY() : 0);
    return 2;
}

} // namespace

void registerSysInput(lua_State* L) {
    const luaL_Reg functions[] = {
        {"keyDown", keyDown},
        {"keyPressed", keyPressed},
        {"getKeyName", getKeyName},
        {"mouseDown", mouseDown},
        {"mousePressed", mousePressed},
        {"mousePos", mousePos},
        {nullptr, nullptr},
    };
    luaL_register(L, "sys", functions);
    lua_pop(L, 1);
}
