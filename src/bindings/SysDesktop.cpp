// The sys functions that talk to the user and the machine: message boxes,
// dialogs, the screen, memory, locale, clipboard and GUIDs.
#include "app/Application.h"
#include "bindings/Binding.h"
#include "bindings/Registration.h"
#include "core/Desktop.h"
#include "core/Dialogs.h"
#include "core/FileSystem.h"
#include "core/MessageBox.h"
#include "core/SystemInfo.h"

#include <clocale>
#include <cstdio>

namespace {

const bind::EnumEntry ButtonSets[] = {
    {"ok", static_cast<int>(core::MessageButtons::Ok)},
    {"ok_cancel", static_cast<int>(core::MessageButtons::OkCancel)},
    {"yes_no", static_cast<int>(core::MessageButtons::YesNo)},
    {"yes_no_cancel", static_cast<int>(core::MessageButtons::YesNoCancel)},
    {"retry_cancel", static_cast<int>(core::MessageButtons::RetryCancel)},
    {nullptr, 0},
};

// The result names of each button set, by result index 1 to 3.
const char* const ResultNames[][3] = {
    {"ok", nullptr, nullptr},
    {"ok", "cancel", nullptr},
    {"yes", "no", nullptr},
    {"yes", "no", "cancel"},
    {"retry", "cancel", nullptr},
};

int messageBox(lua_State* L) {
    std::string title = bind::checkString(L, 1);
    std::string text = bind::checkString(L, 2);
    int set = lua_isnoneornil(L, 3) ? 0 : bind::checkEnum(L, 3, ButtonSets);
    int result = core::showMessageBox(title, text, static_cast<core::MessageButtons>(set));
    if (result == 0) {
        // No display to ask: tell the console and answer as if the box were closed.
        fprintf(stderr, "%s\n\n%s\n", title.c_str(), text.c_str());
        result = 1;
        while (result < 3 && ResultNames[set][result])
            ++result;
    }
    lua_pushstring(L, ResultNames[set][result - 1]);
    return 1;
}

// A string field of an options table, or the fallback when it is absent.
std::string optionalField(lua_State* L, const char* name, const char* fallback) {
    lua_getfield(L, 1, name);
    std::string value = lua_isnil(L, -1) ? fallback : luaL_checkstring(L, -1);
    lua_pop(L, 1);
    return value;
}

// The owner window is optional; when given it must be a Frame.
void checkParent(lua_State* L) {
    lua_getfield(L, 1, "parent");
    if (!lua_isnil(L, -1) && !bind::isInstanceOf(L, -1, "Frame"))
        luaL_typerror(L, lua_gettop(L), "Frame");
    lua_pop(L, 1);
}

int pushChosen(lua_State* L, const std::string& chosen) {
    if (chosen.empty())
        return 0;
    bind::pushString(L, chosen);
    return 1;
}

int fileDialog(lua_State* L) {
    luaL_checktype(L, 1, LUA_TTABLE);
    checkParent(L);
    core::FileDialogOptions options;
    std::string type = optionalField(L, "type", "open");
    if (type != "open" && type != "save")
        return luaL_error(L, "invalid dialog type");
    options.save = type == "save";
    options.title = optionalField(L, "title", options.save ? "Save File As" : "Open File");
    options.description = optionalField(L, "description", "");
    options.extension = optionalField(L, "extension", "*.*");
    options.initialDirectory = optionalField(L, "initialDir", "");
    options.initialName = optionalField(L, "initialName", "");
    return pushChosen(L, core::showFileDialog(options));
}

int browseFolderDialog(lua_State* L) {
    luaL_checktype(L, 1, LUA_TTABLE);
    checkParent(L);
    return pushChosen(L, core::showFolderDialog(optionalField(L, "title", "Select Folder")));
}

int openURL(lua_State* L) {
    core::openURL(luaL_checkstring(L, 1));
    return 0;
}

int getDesktopDisplayMode(lua_State* L) {
    int width = 0, height = 0;
    core::desktopSize(width, height);
    lua_pushinteger(L, width);
    lua_pushinteger(L, height);
    return 2;
}

const bind::EnumEntry SystemParameters[] = {{"work_area", 0}, {nullptr, 0}};

int systemParametersInfo(lua_State* L) {
    bind::checkEnum(L, 1, SystemParameters);
    core::Rect area;
    if (!core::workArea(area))
        return luaL_error(L, "SystemParametersInfo failed");
    lua_pushinteger(L, area.left);
    lua_pushinteger(L, area.top);
    lua_pushinteger(L, area.right);
    lua_pushinteger(L, area.bottom);
    return 4;
}

const bind::EnumEntry SystemFolders[] = {{"documents", 0}, {nullptr, 0}};

int getSystemFolder(lua_State* L) {
    bind::checkEnum(L, 1, SystemFolders);
    Application* app = application();
    std::string folder = core::documentsFolder() + "/" + app->companyName + "/" + app->applicationName;
    core::createPath(folder);
    bind::pushString(L, folder);
    return 1;
}

const bind::EnumEntry Locales[] = {{"default", 0}, {"user", 1}, {nullptr, 0}};

int setLocale(lua_State* L) {
    bool user = bind::checkEnum(L, 1, Locales) == 1;
    setlocale(LC_ALL, user ? core::userLocaleName().c_str() : "C");
    return 0;
}

int getMemoryStatus(lua_State* L) {
    core::MemoryStatus status = core::memoryStatus();
    lua_createtable(L, 0, 4);
    auto set = [L](const char* name, uint64_t bytes) {
        lua_pushnumber(L, static_cast<lua_Number>(bytes));
        lua_setfield(L, -2, name);
    };
    set("AvailablePhysical", status.availablePhysical);
    set("AvailableVirtual", status.availableVirtual);
    set("TotalPhysical", status.totalPhysical);
    set("TotalVirtual", status.totalVirtual);
    return 1;
}

int setClipboard(lua_State* L) {
    // Up to the first zero byte, as plain text goes.
    core::setClipboardText(luaL_checkstring(L, 1));
    return 0;
}

int getClipboard(lua_State* L) {
    bind::pushString(L, core::getClipboardText());
    return 1;
}

int createGuid(lua_State* L) {
    bind::pushString(L, core::createGuid());
    return 1;
}

} // namespace

void registerSysDesktop(lua_State* L) {
    using bind::guarded;
    const luaL_Reg functions[] = {
        {"messageBox", messageBox},
        {"fileDialog", fileDialog},
        {"browseFolderDialog", browseFolderDialog},
        {"openURL", openURL},
        {"getDesktopDisplayMode", getDesktopDisplayMode},
        {"systemParametersInfo", systemParametersInfo},
        {"getSystemFolder", guarded<getSystemFolder>},
        {"setLocale", setLocale},
        {"getMemoryStatus", getMemoryStatus},
        {"setClipboard", setClipboard},
        {"getClipboard", getClipboard},
        {"createGuid", guarded<createGuid>},
        {nullptr, nullptr},
    };
    luaL_register(L, "sys", functions);
    lua_pop(L, 1);
}
