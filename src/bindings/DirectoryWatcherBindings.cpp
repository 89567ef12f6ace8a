// The script face of core::DirectoryWatcher.
#include "bindings/Binding.h"
#include "bindings/Registration.h"
#include "core/DirectoryWatcher.h"

QUILL_SCRIPT_CLASS(core::DirectoryWatcher, "DirectoryWatcher")

namespace {

using core::DirectoryWatcher;

int create(lua_State* L) {
    bind::pushNew(L, DirectoryWatcher::create(bind::checkString(L, 1)));
    return 1;
}

int getChangedFile(lua_State* L) {
    std::string path;
    if (!bind::check<DirectoryWatcher>(L, 1)->takeChangedFile(path))
        return 0;
    lua_pushlstring(L, path.data(), path.size());
    return 1;
}

} // namespace

void registerDirectoryWatcher(lua_State* L) {
    using bind::guarded;
    bind::registerClass<DirectoryWatcher>(L, nullptr,
                                          {
                                              {"create", guarded<create>},
                                              {"getChangedFile", guarded<getChangedFile>},
                                          });
}
