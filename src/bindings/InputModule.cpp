// The sys functions that poll the main frame's keyboard and mouse. Without a
// main frame every key and button reads as up and the mouse at 0, 0.
#include "bindings/Binding.h"
#include "bindings/Registration.h"
#include "core/Frame.h"
#include "core/Keys.h"

namespace {

int keyCodeArgument(lua_State* L) {
    return core::keyCodeFromName(bind::checkString(L, 1));
}

int keyDown(lua_State* L) {
    int code = keyCodeArgument(L);
    core::Frame* frame = core::Frame::mainFrame();
    lua_pushboolean(L, frame && frame->isKeyDown(code));
    return 1;
}

int keyPressed(lua_State* L) {
    int code = keyCodeArgument(L);
    core::Frame* frame = core::Frame::mainFrame();
    lua_pushboolean(L, frame && frame->isKeyPressed(code));
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
