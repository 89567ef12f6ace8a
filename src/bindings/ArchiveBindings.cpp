// The script face of core::ArchiveFileSystem.
#include "bindings/Binding.h"
#include "bindings/Registration.h"
#include "core/ArchiveFileSystem.h"

QUILL_SCRIPT_CLASS(core::ArchiveFileSystem, "ArchiveFileSystem")

namespace {

// Archives opened by scripts have no key: their enciphered entries stay closed.
int create(lua_State* L) {
    auto archive = std::make_unique<core::ArchiveFileSystem>(bind::checkString(L, 1));
    bind::pushNew(L, archive.release());
    return 1;
}

} // namespace

void registerArchiveFileSystem(lua_State* L) {
    bind::registerClass<core::ArchiveFileSystem>(L, "FileSystem", {{"create", bind::guarded<create>}});
}
