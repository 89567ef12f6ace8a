// The script face of core::Cursor.
#include "bindings/CursorBindings.h"

#include "bindings/Registration.h"
#include "core/Image.h"

namespace {

using core::Cursor;

const bind::EnumEntry SystemCursors[] = {
    {"arrow", static_cast<int>(core::SystemCursor::Arrow)},
    {"ibeam", static_cast<int>(core::SystemCursor::IBeam)},
    {"wait", static_cast<int>(core::SystemCursor::Wait)},
    {"hand", static_cast<int>(core::SystemCursor::Hand)},
    {"split_horizontal", static_cast<int>(core::SystemCursor::SplitHorizontal)},
    {"split_vertical", static_cast<int>(core::SystemCursor::SplitVertical)},
    {nullptr, 0},
};

int createSystemCursor(lua_State* L) {
    auto kind = static_cast<core::SystemCursor>(bind::checkEnum(L, 1, SystemCursors));
    bind::pushNew(L, Cursor::createSystem(kind));
    return 1;
}

int create(lua_State* L) {
    std::string path = bind::checkString(L, 1);
    int hotspotX = static_cast<int>(luaL_checkinteger(L, 2));
    int hotspotY = static_cast<int>(luaL_checkinteger(L, 3));
    core::Image image = core::Image::load(path);
    bind::pushNew(L, Cursor::fromImage(image, hotspotX, hotspotY));
    return 1;
}

} // namespace

void registerCursor(lua_State* L) {
    using bind::guarded;
    bind::registerClass<Cursor>(L, nullptr,
                                {
                                    {"createSystemCursor", guarded<createSystemCursor>},
                                    {"create", guarded<create>},
                                });
}
