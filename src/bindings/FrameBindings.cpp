// The script face of core::Frame: window options, input modes and the event queue.
#include "bindings/Binding.h"
#include "bindings/CursorBindings.h"
#include "bindings/MathValues.h"
#include "bindings/MenuBindings.h"
#include "bindings/Registration.h"
#include "core/CursorDisplay.h"
#include "core/Frame.h"
#include "core/Keys.h"

#include <cstdio>

QUILL_SCRIPT_CLASS(core::Frame, "Frame")

namespace {

const bind::EnumEntry MouseModes[] = {
    {"normal", static_cast<int>(core::MouseMode::Normal)},
    {"relative", static_cast<int>(core::MouseMode::Relative)},
    {nullptr, 0},
};

const bind::EnumEntry EventTypes[] = {
    {"key", 0}, {"mouse_button", 1}, {"mouse_motion", 2}, {"mouse_wheel", 3},
    {"menu", 4}, {"focus", 5}, {"resize", 6}, {"close", 7}, {nullptr, 0},
};

const bind::EnumEntry ResizeKinds[] = {
    {"minimize", 0}, {"maximize", 1}, {"restore", 2}, {nullptr, 0},
};

// --- create options ---

core::Frame::Options readOptions(lua_State* L) {
    core::Frame::Options options;
    if (lua_isnoneornil(L, 1))
        return options;
    luaL_checktype(L, 1, LUA_TTABLE);
    bind::readIntegerOption(L, "x", options.x);
    bind::readIntegerOption(L, "y", options.y);
    bind::readIntegerOption(L, "width", options.width);
    bind::readIntegerOption(L, "height", options.height);
    bind::readStringOption(L, "title", options.title);
    bind::readBooleanOption(L, "fullscreen", options.fullscreen);
    bind::readBooleanOption(L, "resizable", options.resizable);
    bind::readBooleanOption(L, "borderless", options.borderless);
    bind::readBooleanOption(L, "dialog", options.dialog);
    bind::readBooleanOption(L, "autoClose", options.autoClose);
    if (bind::pushOption(L, "parent", LUA_TNONE)) {
        if (!(options.parent = bind::test<core::Frame>(L, -1)))
            luaL_argerror(L, 1, lua_pushfstring(L, "field 'parent': Frame expected, got %s", luaL_typename(L, -1)));
        lua_pop(L, 1);
    }
    return options;
}

void setInteger(lua_State* L, const char* field, int value) {
    lua_pushinteger(L, value);
    lua_setfield(L, -2, field);
}

void setBoolean(lua_State* L, const char* field, bool value) {
    lua_pushboolean(L, value);
    lua_setfield(L, -2, field);
}

void pushEventTable(lua_State* L, const core::Event& event) {
    lua_createtable(L, 0, 6);
    bind::pushEnum(L, static_cast<int>(event.type), EventTypes);
    lua_setfield(L, -2, "type");
    switch (event.type) {
    case core::EventType::Key: {
        const core::KeyEvent& key = event.key;
        if (const char* name = core::keyNameFromCode(key.keyCode)) {
            lua_pushstring(L, name);
        } else {
            char text[32];
            snprintf(text, sizeof text, "key-%d", key.keyCode);
            lua_pushstring(L, text);
        }
        lua_setfield(L, -2, "key");
        setInteger(L, "keyCode", key.keyCode);
        if (key.character != 0) {
            char character = static_cast<char>(key.character);
            lua_pushlstring(L, &character, 1);
            lua_setfield(L, -2, "char");
        }
        setInteger(L, "modifiers", key.modifiers);
        setBoolean(L, "down", key.down != 0);
        break;
    }
    case core::EventType::MouseButton:
        setInteger(L, "x", event.mouseButton.x);
        setInteger(L, "y", event.mouseButton.y);
        setInteger(L, "button", event.mouseButton.button);
        setInteger(L, "modifiers", event.mouseButton.modifiers);
        setBoolean(L, "down", event.mouseButton.down != 0);
        break;
    case core::EventType::MouseMotion:
        setInteger(L, "x", event.mouseMotion.x);
        setInteger(L, "y", event.mouseMotion.y);
        break;
    case core::EventType::MouseWheel:
        lua_pushnumber(L, event.mouseWheel.delta);
        lua_setfield(L, -2, "delta");
        break;
    case core::EventType::Menu:
        setInteger(L, "id", event.menu.id);
        break;
    case core::EventType::Focus:
        setBoolean(L, "focus", event.focus.focused != 0);
        break;
    case core::EventType::Resize:
        setInteger(L, "width", event.resize.width);
        setInteger(L, "height", event.resize.height);
        bind::pushEnum(L, static_cast<int>(event.resize.kind), ResizeKinds);
        lua_setfield(L, -2, "resizeType");
        break;
    case core::EventType::Close:
        break;
    }
}

// --- Frame ---

int create(lua_State* L) {
    core::Frame::Options options = readOptions(L);
    auto* frame = new core::Frame(options);
    bind::pushNew(L, frame);
    // A main window whose handle is collected would leave the game drawing
    // into nothing: the run keeps it until it ends.
    if (frame == core::Frame::mainFrame())
        core::Frame::holdMainFrame();
    return 1;
}

int setTitle(lua_State* L) {
    core::Frame* frame = bind::check<core::Frame>(L, 1);
    frame->window().setTitle(bind::checkString(L, 2));
    return 0;
}

int setMenuBar(lua_State* L) {
    core::Frame* frame = bind::check<core::Frame>(L, 1);
    core::Menu* menu = lua_isnoneornil(L, 2) ? nullptr : bind::check<core::Menu>(L, 2);
    frame->window().setMenu(menu);
    return 0;
}

int setCursor(lua_State* L) {
    core::Frame* frame = bind::check<core::Frame>(L, 1);
    frame->window().setCursor(bind::check<core::Cursor>(L, 2));
    return 0;
}

int showCursor(lua_State* L) {
    bind::check<core::Frame>(L, 1);
    core::showCursor(bind::checkBoolean(L, 2));
    return 0;
}

int setMouseMotionMode(lua_State* L) {
    core::Frame* frame = bind::check<core::Frame>(L, 1);
    frame->window().setMouseMode(static_cast<core::MouseMode>(bind::checkEnum(L, 2, MouseModes)));
    return 0;
}

int hasFocus(lua_State* L) {
    lua_pushboolean(L, bind::check<core::Frame>(L, 1)->hasFocus());
    return 1;
}

int hide(lua_State* L) {
    bind::check<core::Frame>(L, 1)->window().hide();
    return 0;
}

int getPosition(lua_State* L) {
    core::ScreenPoint position = bind::check<core::Frame>(L, 1)->window().getPosition();
    bind::pushVec4(L, {float(position.x), float(position.y), 0, 0});
    return 1;
}

int getSize(lua_State* L) {
    core::Window& window = bind::check<core::Frame>(L, 1)->window();
    bind::pushVec4(L, {float(window.width()), float(window.height()), 0, 0});
    return 1;
}

int pollEvents(lua_State* L) {
    core::Event event(core::EventType::Close);
    if (!bind::check<core::Frame>(L, 1)->pollEvent(event))
        return 0;
    pushEventTable(L, event);
    return 1;
}

} // namespace

void registerFrame(lua_State* L) {
    using bind::guarded;
    bind::registerClass<core::Frame>(L, nullptr,
                                     {
                                         {"create", guarded<create>},
                                         {"setTitle", setTitle},
                                         {"setMenuBar", guarded<setMenuBar>},
                                         {"setCursor", guarded<setCursor>},
                                         {"showCursor", showCursor},
                                         {"setMouseMotionMode", setMouseMotionMode},
                                         {"hasFocus", hasFocus},
                                         {"hide", hide},
                                         bind::vecMethod<getPosition>("getPosition"),
                                         bind::vecMethod<getSize>("getSize"),
                                         {"pollEvents", pollEvents},
                                     });
}
