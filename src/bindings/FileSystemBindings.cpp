// The script faces of the mount list, the disk operations and FileDate.
#include "bindings/Binding.h"
#include "bindings/Registration.h"
#include "core/ArchiveFileSystem.h"
#include "core/FileDate.h"
#include "core/FileSystem.h"
#include "core/Path.h"

QUILL_SCRIPT_CLASS(core::FileSystem, "FileSystem")
QUILL_SCRIPT_CLASS(core::FileDate, "FileDate")

namespace {

int mount(lua_State* L) {
    core::mount(bind::check<core::FileSystem>(L, 1));
    return 0;
}

int unmount(lua_State* L) {
    core::unmount(bind::check<core::FileSystem>(L, 1));
    return 0;
}

int addSearchPath(lua_State* L) {
    core::addSearchPath(bind::checkString(L, 1));
    return 0;
}

int removeSearchPath(lua_State* L) {
    core::removeSearchPath(bind::checkString(L, 1));
    return 0;
}

int fileExists(lua_State* L) {
    lua_pushboolean(L, core::fileExists(bind::checkString(L, 1)));
    return 1;
}

int fileLength(lua_State* L) {
    lua_pushnumber(L, core::fileLength(bind::checkString(L, 1)));
    return 1;
}

int fileDate(lua_State* L) {
    auto* date = new core::FileDate{core::fileDate(bind::checkString(L, 1))};
    bind::pushNew(L, date, bind::Ownership::Plain);
    return 1;
}

// Read straight into the script's string: an archive entry is already whole
// in memory (mapped, or just inflated), anything else is read once into an
// uninitialised buffer.
int readFile(lua_State* L) {
    std::unique_ptr<core::File> file = core::openFile(bind::checkString(L, 1));
    auto length = static_cast<size_t>(file->getLength());
    if (auto* entry = dynamic_cast<core::ArchiveFile*>(file.get())) {
        lua_pushlstring(L, reinterpret_cast<const char*>(entry->data()), length);
        return 1;
    }
    std::unique_ptr<char[]> content(new char[length ? length : 1]);
    file->read(content.get(), static_cast<int64_t>(length));
    lua_pushlstring(L, content.get(), length);
    return 1;
}

int setCurrentDirectory(lua_State* L) {
    core::setCurrentDirectory(bind::checkString(L, 1));
    return 0;
}

int getCurrentDirectory(lua_State* L) {
    bind::pushString(L, core::getCurrentDirectory());
    return 1;
}

int copyFile(lua_State* L) {
    core::copyFile(bind::checkString(L, 1), bind::checkString(L, 2));
    return 0;
}

int moveFile(lua_State* L) {
    core::moveFile(bind::checkString(L, 1), bind::checkString(L, 2));
    return 0;
}

int deleteFile(lua_State* L) {
    core::deleteFile(bind::checkString(L, 1));
    return 0;
}

int createPath(lua_State* L) {
    core::createPath(bind::checkString(L, 1));
    return 0;
}

int setFileDate(lua_State* L) {
    std::string path = bind::checkString(L, 1);
    core::setFileDate(path, bind::check<core::FileDate>(L, 2)->time);
    return 0;
}

int findFiles(lua_State* L) {
    std::string directory = bind::checkString(L, 1);
    std::string pattern = bind::checkString(L, 2);
    bool recursive = lua_gettop(L) >= 3 ? bind::checkBoolean(L, 3) : false;
    std::vector<std::string> files = core::findFiles(directory, pattern, recursive);
    lua_createtable(L, static_cast<int>(files.size()), 0);
    for (size_t i = 0; i < files.size(); ++i) {
        bind::pushString(L, files[i]);
        lua_rawseti(L, -2, static_cast<int>(i + 1));
    }
    return 1;
}

int getFileExtension(lua_State* L) {
    bind::pushString(L, core::getFileExtension(bind::checkString(L, 1)));
    return 1;
}

int getPath(lua_State* L) {
    bind::pushString(L, core::getPath(bind::checkString(L, 1)));
    return 1;
}

int stripPath(lua_State* L) {
    bind::pushString(L, core::stripPath(bind::checkString(L, 1)));
    return 1;
}

int stripExtension(lua_State* L) {
    bind::pushString(L, core::stripExtension(bind::checkString(L, 1)));
    return 1;
}

int splitPath(lua_State* L) {
    core::SplitPath parts = core::splitPath(bind::checkString(L, 1));
    bind::pushString(L, parts.directory);
    bind::pushString(L, parts.name);
    bind::pushString(L, parts.extension);
    return 3;
}

int createFromUnixTime(lua_State* L) {
    auto seconds = static_cast<int64_t>(luaL_checknumber(L, 1));
    bind::pushNew(L, new core::FileDate(core::FileDate::fromUnixTime(seconds)), bind::Ownership::Plain);
    return 1;
}

int compare(lua_State* L) {
    core::FileTime a = bind::check<core::FileDate>(L, 1)->time;
    core::FileTime b = bind::check<core::FileDate>(L, 2)->time;
    lua_pushinteger(L, a < b ? -1 : (a > b ? 1 : 0));
    return 1;
}

int toUnixTime(lua_State* L) {
    lua_pushnumber(L, static_cast<lua_Number>(bind::check<core::FileDate>(L, 1)->toUnixTime()));
    return 1;
}

} // namespace

void registerFileSystem(lua_State* L) {
    using bind::guarded;
    bind::registerClass<core::FileSystem>(L, nullptr,
                                          {
                                              {"mount", guarded<mount>},
                                              {"unmount", guarded<unmount>},
                                              {"addSearchPath", guarded<addSearchPath>},
                                              {"removeSearchPath", guarded<removeSearchPath>},
                                              {"fileExists", guarded<fileExists>},
                                              {"fileLength", guarded<fileLength>},
                                              {"fileDate", guarded<fileDate>},
                                              {"readFile", guarded<readFile>},
                                              {"setCurrentDirectory", guarded<setCurrentDirectory>},
                                              {"getCurrentDirectory", guarded<getCurrentDirectory>},
                                              {"copyFile", guarded<copyFile>},
                                              {"moveFile", guarded<moveFile>},
                                              {"deleteFile", guarded<deleteFile>},
                                              {"createPath", guarded<createPath>},
                                              {"setFileDate", guarded<setFileDate>},
                                              {"findFiles", guarded<findFiles>},
                                              {"getFileExtension", guarded<getFileExtension>},
                                              {"getPath", guarded<getPath>},
                                              {"stripPath", guarded<stripPath>},
                                              {"stripExtension", guarded<stripExtension>},
                                              {"splitPath", guarded<splitPath>},
                                          });
}

void registerFileDate(lua_State* L) {
    bind::registerClass<core::FileDate>(L, nullptr,
                                        {
                                            {"createFromUnixTime", createFromUnixTime},
                                            {"compare", compare},
                                            {"toUnixTime", toUnixTime},
                                        });
}
