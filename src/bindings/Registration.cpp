#include "bindings/Registration.h"

#include "bindings/Binding.h"

void registerScriptModules(lua_State* L) {
    bind::setup(L);
    registerSys(L);
    registerSysDesktop(L);
    // Files, streams and services.
    registerFileSystem(L);
}
