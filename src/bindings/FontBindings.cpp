// The script face of engine::Font.
#include "bindings/Binding.h"
#include "bindings/Registration.h"
#include "engine/draw/Font.h"

QUILL_SCRIPT_CLASS(engine::Font, "Font")

namespace {

using engine::Font;

const bind::EnumEntry FontStyles[] = {{"stroke", 1}, {nullptr, 0}};

Font* self(lua_State* L) {
    return bind::check<Font>(L, 1);
}

int checkInt(lua_State* L, int index) {
    return static_cast<int>(luaL_checkinteger(L, index));
}

int create(lua_State* L) {
    std::string name = bind::checkString(L, 1);
    int index = name == "fixedsys" ? 0 : name == "consolas" ? 1 : -1;
    if (index < 0)
        return luaL_error(L, "unknown built-in font");
    bind::pushNew(L, Font::createBuiltin(index));
    return 1;
}

int load(lua_State* L) {
    std::string path = bind::checkString(L, 1);
    int cellWidth = static_cast<int>(luaL_optinteger(L, 2, -1));
    int spacing = static_cast<int>(luaL_optinteger(L, 3, 0));
    bind::pushNew(L, Font::load(path, cellWidth, spacing));
    return 1;
}

int loadTrueType(lua_State* L) {
    std::string path = bind::checkString(L, 1);
    int pixelSize = checkInt(L, 2);
    auto style = engine::FontStyle::Plain;
    if (!lua_isnoneornil(L, 3))
        style = static_cast<engine::FontStyle>(bind::checkEnum(L, 3, FontStyles));
    bind::pushNew(L, Font::loadTrueType(path, pixelSize, style));
    return 1;
}

int getLineHeight(lua_State* L) {
    lua_pushinteger(L, self(L)->getLineHeight());
    return 1;
}

int getMaxBearingY(lua_State* L) {
    lua_pushinteger(L, self(L)->getMaxBearingY());
    return 1;
}

int getTextWidth(lua_State* L) {
    Font* font = self(L);
    lua_pushinteger(L, font->getTextWidth(bind::checkString(L, 2)));
    return 1;
}

int isPrintable(lua_State* L) {
    Font* font = self(L);
    std::string text = bind::checkString(L, 2);
    if (text.size() != 1)
        return luaL_error(L, "invalid character");
    lua_pushboolean(L, font->isPrintable(static_cast<uint8_t>(text[0])));
    return 1;
}

} // namespace

void registerFont(lua_State* L) {
    using bind::guarded;
    bind::registerClass<Font>(L, nullptr,
                              {
                                  {"create", guarded<create>},
                                  {"load", guarded<load>},
                                  {"loadTrueType", guarded<loadTrueType>},
                                  {"getLineHeight", guarded<getLineHeight>},
                                  {"getMaxBearingY", guarded<getMaxBearingY>},
                                  {"getTextWidth", guarded<getTextWidth>},
                                  {"isPrintable", guarded<isPrintable>},
                              });
}
