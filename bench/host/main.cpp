// The host plus BenchObject, a class with a method and a property, so that the
// binding framework's call paths can be timed from scripts.
#include "app/Application.h"
#include "bindings/Binding.h"

namespace {
struct BenchObject {
    double value = 1.0;
};
} // namespace

QUILL_SCRIPT_CLASS(BenchObject, "BenchObject")

namespace {
int create(lua_State* L) {
    bind::pushNew(L, new BenchObject);
    return 1;
}

int getValue(lua_State* L) {
    lua_pushnumber(L, bind::check<BenchObject>(L, 1)->value);
    return 1;
}

int setValue(lua_State* L) {
    bind::check<BenchObject>(L, 1)->value = luaL_checknumber(L, 2);
    return 0;
}

int nothing(lua_State*) {
    return 0;
}

void registerBenchObject(lua_State* L) {
    using bind::guarded;
    bind::registerClass<BenchObject>(L, nullptr,
                                     {{"create", create},
                                      {"nothing", nothing},
                                      {"getValue", guarded<getValue>},
                                      {"setValue", guarded<setValue>}},
                                     {"Value"});
}
} // namespace

int main() {
    Application app;
    app.extraRegistrations = registerBenchObject;
    app.run();
    return 0;
}
