#include "bindings/Registration.h"

#include "bindings/Binding.h"

void registerScriptModules(lua_State* L) {
    bind::setup(L);
    registerSys(L);
    registerSysInput(L);
    // Files, streams and services.
    registerFileSystem(L);
    // Windows.
    registerFrame(L);
}
