#include "bindings/Binding.h"

#include "bindings/MathValues.h"

#include <cinttypes>
#include <cstdio>
#include <cstring>
#include <new>
#include <stdexcept>
#include <unordered_map>

namespace bind {

namespace {
const char* const RootClass = "quill.root_class";
const char* const ObjectMap = "quill.object_map";
const char* const UInt64 = "quill.uint64";
const char* const PropertyGetter = "quill.property_getter";
const char* const PropertySetter = "quill.property_setter";

// Upvalues of the property dispatchers.
constexpr int PropertiesKey = 1;   // the string "properties"
constexpr int AccessorNames = 2;   // property name -> "get"/"set" + name
constexpr int AccessorPrefix = 3;  // "get" or "set"

std::unordered_map<std::string, ClassSlot*>& slotsByName() {
    static std::unordered_map<std::string, ClassSlot*> slots;
    return slots;
}

// The slot of a class registered under a name.
const ClassSlot& slotNamed(const char* className) {
    auto found = slotsByName().find(className);
    if (found == slotsByName().end())
        throw core::Exception("class '%s' is not registered", className);
    return *found->second;
}

// True when the value is a full userdata whose metatable, followed through the
// baseclass links, reaches the class table registered under the key.
bool classChainReaches(lua_State* L, int index, const char* registryKey) {
    if (lua_type(L, index) != LUA_TUSERDATA || !lua_getmetatable(L, index))
        return false;
    lua_getfield(L, LUA_REGISTRYINDEX, registryKey);
    lua_insert(L, -2);
    // stack: wanted class, current class
    while (lua_istable(L, -1)) {
        if (lua_rawequal(L, -1, -2)) {
            lua_pop(L, 2);
            return true;
        }
        lua_pushliteral(L, "baseclass");
        lua_rawget(L, -2);
        lua_remove(L, -2);
    }
    lua_pop(L, 2);
    return false;
}

bool isFrameworkObject(lua_State* L, int index) {
    return classChainReaches(L, index, RootClass);
}

Handle* checkFrameworkObject(lua_State* L) {
    if (!isFrameworkObject(L, 1))
        luaL_error(L, "not a valid object");
    return static_cast<Handle*>(lua_touserdata(L, 1));
}

int dispose(lua_State* L) {
    Handle* handle = checkFrameworkObject(L);
    void* object = handle->object;
    if (!object)
        return 0;
    // Forget the object's map entry only when it is this handle: a newer handle
    // may have replaced it while this one waited for collection.
    lua_getfield(L, LUA_REGISTRYINDEX, ObjectMap);
    lua_pushlightuserdata(L, object);
    lua_rawget(L, -2);
    if (lua_rawequal(L, -1, 1)) {
        lua_pushlightuserdata(L, object);
        lua_pushnil(L);
        lua_rawset(L, -4);
    }
    handle->object = nullptr;
    if (handle->release)
        handle->release(object);
    return 0;
}

int isDisposed(lua_State* L) {
    lua_pushboolean(L, checkFrameworkObject(L)->object == nullptr);
    return 1;
}

int toString(lua_State* L) {
    auto* handle = static_cast<Handle*>(lua_touserdata(L, 1));
    const char* type = "?";
    if (lua_getmetatable(L, 1)) {
        lua_pushliteral(L, "type");
        lua_rawget(L, -2);
        if (lua_isstring(L, -1))
            type = lua_tostring(L, -1);
    }
    char text[256];
    snprintf(text, sizeof text, "%s: 0x%08" PRIxPTR, type,
             handle ? reinterpret_cast<uintptr_t>(handle->object) : uintptr_t(0));
    lua_pushstring(L, text);
    return 1;
}

// --- quill.uint64: two 32-bit halves, low first ---

uint64_t toUInt64(lua_State* L, int index) {
    auto* halves = static_cast<const uint32_t*>(luaL_checkudata(L, index, UInt64));
    return static_cast<uint64_t>(halves[1]) << 32 | halves[0];
}

int uint64ToString(lua_State* L) {
    char text[64];
    snprintf(text, sizeof text, "uint64: 0x%08" PRIxPTR, reinterpret_cast<uintptr_t>(lua_touserdata(L, 1)));
    lua_pushstring(L, text);
    return 1;
}

int uint64Equal(lua_State* L) {
    lua_pushboolean(L, toUInt64(L, 1) == toUInt64(L, 2));
    return 1;
}

int uint64Less(lua_State* L) {
    lua_pushboolean(L, toUInt64(L, 1) < toUInt64(L, 2));
    return 1;
}

int uint64LessEqual(lua_State* L) {
    lua_pushboolean(L, toUInt64(L, 1) <= toUInt64(L, 2));
    return 1;
}

// --- properties ---

// The property dispatchers are Lua functions so that the JIT compiler can
// see through them: a method call on a class with properties then costs a
// table read, as on any other class, and a property read one accessor call.
// Accessor names ("get"/"set" + key) are made once per key and state.
const char PropertyDispatchers[] = R"lua(
local rawget, getmetatable, setmetatable, type, tostring, format, error =
    rawget, getmetatable, setmetatable, type, tostring, string.format, error

local function accessorNames(prefix)
    return setmetatable({}, { __index = function(names, key)
        local name = prefix .. key
        names[key] = name
        return name
    end })
end
local getterNames, setterNames = accessorNames("get"), accessorNames("set")

local function internalError(message)
    error(format("bad argument #2 to '__index' (internal error: %s)", message), 3)
end

local function propertiesOf(class)
    local properties = class.properties
    if type(properties) ~= "table" then
        internalError("properties table not found")
    end
    return properties
end

local function getProperty(handle, key)
    local class = getmetatable(handle)
    local method = rawget(class, key)
    if type(method) == "function" then
        return method
    end
    if rawget(propertiesOf(class), key) == nil then
        return nil
    end
    local getter = class[getterNames[key]]
    if type(getter) ~= "function" then
        internalError("property accessor not found")
    end
    return getter(handle)
end

local function setProperty(handle, key, value)
    local class = getmetatable(handle)
    if rawget(propertiesOf(class), key) == nil then
        error(format("attempt to set invalid property '%s'", tostring(key)), 2)
    end
    local setter = class[setterNames[key]]
    if type(setter) ~= "function" then
        internalError("property accessor not found")
    end
    setter(handle, value)
end

return getProperty, setProperty
)lua";

void makeDispatchers(lua_State* L) {
    if (luaL_loadbuffer(L, PropertyDispatchers, sizeof PropertyDispatchers - 1, "=properties") != 0)
        lua_error(L);
    lua_call(L, 0, 2);
    lua_setfield(L, LUA_REGISTRYINDEX, PropertySetter);
    lua_setfield(L, LUA_REGISTRYINDEX, PropertyGetter);
}

// Collection disposes a handle the way dispose does, with the very same
// function value, so that scripts can compare or wrap the two as one.
void shareDisposeWithCollection(lua_State* L, int classIndex) {
    lua_getfield(L, classIndex, "dispose");
    lua_setfield(L, classIndex, "__gc");
}

// Publishes a class table as a global, or as field B of the global table A for "A.B".
void publish(lua_State* L, const char* name) {
    if (const char* dot = strchr(name, '.')) {
        lua_pushlstring(L, name, static_cast<size_t>(dot - name));
        lua_rawget(L, LUA_GLOBALSINDEX);
        if (!lua_istable(L, -1))
            luaL_error(L, "cannot register class '%s': no module table", name);
        lua_pushvalue(L, -2);
        lua_setfield(L, -2, dot + 1);
        lua_pop(L, 1);
    } else {
        lua_pushvalue(L, -1);
        lua_setglobal(L, name);
    }
}
} // namespace

void setup(lua_State* L) {
    lua_newtable(L);
    lua_newtable(L);
    lua_pushliteral(L, "kv");
    lua_setfield(L, -2, "__mode");
    lua_setmetatable(L, -2);
    lua_setfield(L, LUA_REGISTRYINDEX, ObjectMap);

    luaL_newmetatable(L, RootClass);
    lua_pushstring(L, RootClass);
    lua_setfield(L, -2, "type");
    const luaL_Reg rootFunctions[] = {
        {"__tostring", toString}, {"dispose", dispose}, {"isDisposed", isDisposed}, {nullptr, nullptr}};
    luaL_register(L, nullptr, rootFunctions);
    shareDisposeWithCollection(L, lua_gettop(L));
    lua_pop(L, 1);

    luaL_newmetatable(L, UInt64);
    const luaL_Reg uint64Functions[] = {{"__tostring", uint64ToString},
                                        {"__eq", uint64Equal},
                                        {"__lt", uint64Less},
                                        {"__le", uint64LessEqual},
                                        {nullptr, nullptr}};
    luaL_register(L, nullptr, uint64Functions);
    lua_pop(L, 1);

    makeDispatchers(L);
}

void registerClass(lua_State* L, const char* name, const char* base, std::initializer_list<Method> methods,
                   std::initializer_list<const char*> properties, ClassSlot& slot) {
    lua_getfield(L, LUA_REGISTRYINDEX, base ? base : RootClass);
    if (!lua_istable(L, -1))
        luaL_error(L, "cannot register class '%s': base class '%s' is not registered", name, base);
    int baseIndex = lua_gettop(L);

    luaL_newmetatable(L, name);
    int classIndex = lua_gettop(L);
    publish(L, name);
    slot.name = name;
    slotsByName()[name] = &slot;

    lua_pushstring(L, name);
    lua_setfield(L, classIndex, "type");
    lua_pushvalue(L, baseIndex);
    lua_setfield(L, classIndex, "baseclass");
    lua_pushvalue(L, classIndex);
    lua_setfield(L, classIndex, "__index");

    // Inherit by copying every function with a string (or number) key.
    lua_pushnil(L);
    while (lua_next(L, baseIndex)) {
        int keyType = lua_type(L, -2);
        if ((keyType == LUA_TSTRING || keyType == LUA_TNUMBER) && lua_isfunction(L, -1)) {
            lua_pushvalue(L, -2);
            lua_insert(L, -2);
            lua_rawset(L, classIndex);
        } else {
            lua_pop(L, 1);
        }
    }

    for (const Method& method : methods) {
        if (method.flat)
            pushFlatMethod(L, method.func, method.flat, method.direct, method.flatValues, method.flatArity,
                           method.flatProtected, slot, classIndex);
        else
            lua_pushcfunction(L, method.func);
        lua_setfield(L, classIndex, method.name);
    }
    shareDisposeWithCollection(L, classIndex);

    bool anyProperty = properties.size() > 0;
    lua_newtable(L);
    int propertiesIndex = lua_gettop(L);
    lua_getfield(L, baseIndex, "properties");
    if (lua_istable(L, -1)) {
        lua_pushnil(L);
        while (lua_next(L, -2)) {
            lua_pop(L, 1);
            lua_pushvalue(L, -1);
            lua_pushboolean(L, 1);
            lua_rawset(L, propertiesIndex);
            anyProperty = true;
        }
    }
    lua_pop(L, 1);
    for (const char* property : properties) {
        lua_pushboolean(L, 1);
        lua_setfield(L, propertiesIndex, property);
    }
    lua_setfield(L, classIndex, "properties");

    if (anyProperty) {
        lua_getfield(L, LUA_REGISTRYINDEX, PropertySetter);
        lua_setfield(L, classIndex, "__newindex");
        lua_getfield(L, LUA_REGISTRYINDEX, PropertyGetter);
        lua_setfield(L, classIndex, "__index");
    }
    lua_settop(L, baseIndex - 1);
}

bool isInstanceOf(lua_State* L, int index, const char* className) {
    return classChainReaches(L, index, className);
}

void pushHandle(lua_State* L, void* object, const ClassSlot& slot, void (*release)(void*)) {
    auto* handle = static_cast<Handle*>(lua_newuserdata(L, sizeof(Handle)));
    handle->object = object;
    handle->release = release;
    handle->exact = &slot;
    luaL_getmetatable(L, slot.name);
    lua_setmetatable(L, -2);

    lua_getfield(L, LUA_REGISTRYINDEX, ObjectMap);
    lua_pushlightuserdata(L, object);
    lua_pushvalue(L, -3);
    lua_rawset(L, -3);
    lua_pop(L, 1);
}

void pushHandle(lua_State* L, void* object, const char* className, void (*release)(void*)) {
    pushHandle(L, object, slotNamed(className), release);
}

bool pushMapped(lua_State* L, void* object) {
    lua_getfield(L, LUA_REGISTRYINDEX, ObjectMap);
    lua_pushlightuserdata(L, object);
    lua_rawget(L, -2);
    lua_remove(L, -2);
    auto* handle = static_cast<Handle*>(lua_touserdata(L, -1));
    if (handle && handle->object == object)
        return true;
    lua_pop(L, 1);
    return false;
}

int disposeHandle(lua_State* L) {
    return dispose(L);
}

void disposeHandleOf(lua_State* L, void* object) {
    if (!pushMapped(L, object))
        return;
    lua_pushcfunction(L, dispose);
    lua_insert(L, -2);
    lua_call(L, 1, 0);
}

bool invokeCatching(lua_State* L, lua_CFunction function, int& results) {
    try {
        results = function(L);
        return true;
    } catch (const core::Exception&) {
        return false;
    } catch (const std::bad_alloc&) {
        core::Exception("not enough memory");
        return false;
    }
}

void raiseHostError(lua_State* L) {
    luaL_where(L, 1);
    lua_pushstring(L, core::Exception::lastMessage());
    lua_concat(L, 2);
    lua_error(L);
    __builtin_unreachable();
}

int checkEnum(lua_State* L, int index, const EnumEntry* table) {
    const char* name = luaL_checkstring(L, index);
    for (const EnumEntry* entry = table; entry->name; ++entry) {
        if (strcmp(entry->name, name) == 0)
            return entry->value;
    }
    return luaL_argerror(L, index, "invalid enum");
}

void pushEnum(lua_State* L, int value, const EnumEntry* table) {
    for (const EnumEntry* entry = table; entry->name; ++entry) {
        if (entry->value == value) {
            lua_pushstring(L, entry->name);
            return;
        }
    }
    lua_pushliteral(L, "???");
}

std::string checkString(lua_State* L, int index) {
    size_t length = 0;
    const char* text = luaL_checklstring(L, index, &length);
    return std::string(text, length);
}

bool checkBoolean(lua_State* L, int index) {
    luaL_checktype(L, index, LUA_TBOOLEAN);
    return lua_toboolean(L, index) != 0;
}

bool optBoolean(lua_State* L, int index, bool fallback) {
    return lua_isnoneornil(L, index) ? fallback : checkBoolean(L, index);
}

void pushString(lua_State* L, const std::string& text) {
    lua_pushlstring(L, text.data(), text.size());
}

bool pushOption(lua_State* L, const char* name, int expectedType) {
    lua_getfield(L, 1, name);
    if (lua_isnil(L, -1)) {
        lua_pop(L, 1);
        return false;
    }
    if (expectedType != LUA_TNONE && lua_type(L, -1) != expectedType) {
        const char* message = lua_pushfstring(L, "field '%s': %s expected, got %s", name,
                                              lua_typename(L, expectedType), luaL_typename(L, -1));
        luaL_argerror(L, 1, message);
    }
    return true;
}

void readIntegerOption(lua_State* L, const char* name, int& value) {
    if (pushOption(L, name, LUA_TNUMBER)) {
        value = static_cast<int>(lua_tointeger(L, -1));
        lua_pop(L, 1);
    }
}

void readBooleanOption(lua_State* L, const char* name, bool& value) {
    if (pushOption(L, name, LUA_TBOOLEAN)) {
        value = lua_toboolean(L, -1) != 0;
        lua_pop(L, 1);
    }
}

void readStringOption(lua_State* L, const char* name, std::string& value) {
    if (pushOption(L, name, LUA_TSTRING)) {
        value = checkString(L, -1);
        lua_pop(L, 1);
    }
}

} // namespace bind
