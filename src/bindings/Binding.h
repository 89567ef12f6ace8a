#pragma once

// The script binding framework: handles, class tables, the object map, counted
// ownership, properties, enumerations, and the one place where a host exception
// becomes a Lua error.

#include "bindings/MathValues.h"
#include "core/Exception.h"
#include "core/RefRegistry.h"

#include <lua.hpp>

#include <initializer_list>
#include <functional>
#include <optional>
#include <string>
#include <type_traits>

namespace bind {

// What a script holds for a host object: a full userdata with this layout whose
// metatable is the class table.
struct ClassSlot;
struct Handle {
    void* object;             // null once disposed
    void (*release)(void*);   // called once on dispose or collection; may be null
    const ClassSlot* exact;   // the handle's own class, for the quick class check
};

// The script class of a C++ type, declared once per type with QUILL_SCRIPT_CLASS.
template <class T>
struct ClassName;

#define QUILL_SCRIPT_CLASS(Type, Name)                                                                                 \
    template <>                                                                                                        \
    struct bind::ClassName<Type> {                                                                                     \
        static constexpr const char* value = Name;                                                                     \
    };

// The identity of a script class on the C++ side. A handle records the slot of
// its own class, so that checking a handle of exactly the expected class needs
// no table lookups; anything else takes the walk up the class tables.
struct ClassSlot {
    const char* name = nullptr;
};

template <class T>
ClassSlot& slotOf() {
    static ClassSlot slot{ClassName<T>::value};
    return slot;
}

// --- set-up and registration ---

// Creates the object map, the root class and the uint64 metatable. First of all
// registrations in a new Lua state.
void setup(lua_State* L);

// One function of a class. A method whose one result is a vec or a mat also
// has a flat form, which pushes the value's numbers instead of the table
// (vecMethod, matMethod below); the class then holds a small Lua function that
// builds the table from them, since tables built by traced Lua code cost far
// less than tables built through the C API.
//
// Such a method may also have a direct form: a plain C function that the Lua
// function calls through the FFI, which the JIT compiler keeps inside the
// script's trace, where any call of a lua_CFunction ends it. It gets self's
// handle (its class already checked) and up to three number arguments, and
// writes the value's numbers into out; 0 leaves the call to the plain form,
// which raises whatever error the call deserves.
using DirectForm = int (*)(const Handle* self, float* out, double a, double b, double c);

struct Method {
    const char* name;
    lua_CFunction func;
    lua_CFunction flat = nullptr;
    int flatValues = 0;  // 4 for a vec, 16 for a mat
    int flatArity = 0;   // the arguments, self included, of the calls that take the flat form
    bool flatProtected = false;
    DirectForm direct = nullptr;
};

// Runs a binding with its vec or mat result pushed as its numbers; gives that
// many results, or 0 when the binding did anything else (returned nil, or
// pushed its vecs inside a table), in which case the caller runs the plain
// binding instead. Defined with the math values.
int callFlat(lua_State* L, lua_CFunction function, int values);
// The plain form: a binding with its tables built as usual.
int callPlain(lua_State* L, lua_CFunction function);

template <lua_CFunction Function, int Values>
int flatForm(lua_State* L) {
    return callFlat(L, Function, Values);
}

template <lua_CFunction Function>
int plainForm(lua_State* L) {
    return callPlain(L, Function);
}

// What a value function is: R (T& self, double...), where R is a math value
// or a std::optional of one (empty declines), or a member function of T
// without arguments giving a math value.
template <class F>
struct ValueFunction;
template <class R, class T, class... Arguments>
struct ValueFunction<R (*)(T&, Arguments...)> {
    using Object = T;
    using Result = R;
    static constexpr int arguments = sizeof...(Arguments);
};
template <class R, class T>
struct ValueFunction<R (T::*)()> {
    using Object = T;
    using Result = std::decay_t<R>;
    static constexpr int arguments = 0;
};
template <class R, class T>
struct ValueFunction<R (T::*)() const> : ValueFunction<R (T::*)()> {};

template <class R>
int flattenResult(const R& result, float* out) {
    return flatten(result, out);
}
template <class R>
int flattenResult(const std::optional<R>& result, float* out) {
    return result ? flatten(*result, out) : 0;
}

template <auto Value>
int directForm(const Handle* self, float* out, double a, double b, double c) noexcept;

// A method whose only result is one vec (pushVec3, pushVec4, pushColor) or one
// mat (pushMat3, pushMat4x3, pushMat4), called with Arity arguments (self
// included; calls with another number take the plain form). It may return
// something else, such as nil, but must not call into Lua or make Lua values
// other than its result (no collection may run scripts while its vecs push
// flat). Unless Protected, it must not raise once self is a live handle of
// the class it is registered with (as a method of self alone that cannot fail). A Protected one runs under a protected call and,
// when it raises, runs again as the plain form, so it must not change anything
// before its checks are done.
//
// Direct, when given, is a value function giving the same value as Function
// for number arguments (see ValueFunction), and the method's direct form.
template <lua_CFunction Function, int Arity = 1, bool Protected = (Arity > 1), auto Direct = nullptr>
Method vecMethod(const char* name) {
    Method method{name, &plainForm<Function>, &flatForm<Function, 4>, 4, Arity, Protected};
    if constexpr (!std::is_null_pointer_v<decltype(Direct)>)
        method.direct = &directForm<Direct>;
    return method;
}

template <lua_CFunction Function, int Arity = 1, bool Protected = (Arity > 1), auto Direct = nullptr>
Method matMethod(const char* name) {
    Method method{name, &plainForm<Function>, &flatForm<Function, 16>, 16, Arity, Protected};
    if constexpr (!std::is_null_pointer_v<decltype(Direct)>)
        method.direct = &directForm<Direct>;
    return method;
}

// A method of self alone whose result is what the value function Value gives
// for it: both its plain and its direct form come from Value.
template <auto Value>
int getterForm(lua_State* L);

template <auto Value>
Method getter(const char* name) {
    using Result = typename ValueFunction<decltype(Value)>::Result;
    constexpr bool isMat = std::is_same_v<Result, engine::Mat3> || std::is_same_v<Result, engine::Mat4x3> ||
                           std::is_same_v<Result, engine::Mat4>;
    if constexpr (isMat)
        return matMethod<&getterForm<Value>, 1, false, Value>(name);
    else
        return vecMethod<&getterForm<Value>, 1, false, Value>(name);
}

// Registers a class: copies the base's functions and properties, adds its own.
// A null base means the root class.
void registerClass(lua_State* L, const char* name, const char* base, std::initializer_list<Method> methods,
                   std::initializer_list<const char*> properties, ClassSlot& slot);

template <class T>
void registerClass(lua_State* L, const char* base, std::initializer_list<Method> methods,
                   std::initializer_list<const char*> properties = {}) {
    registerClass(L, ClassName<T>::value, base, methods, properties, slotOf<T>());
}

// --- class checks ---

bool isInstanceOf(lua_State* L, int index, const char* className);

// The object of a handle of the class (or a derived class); null when the value
// is not one. A disposed handle raises "object disposed".
template <class T>
T* test(lua_State* L, int index) {
    auto* handle = static_cast<Handle*>(lua_touserdata(L, index));
    bool exact = handle && lua_objlen(L, index) == sizeof(Handle) && handle->exact == &slotOf<T>();
    if (!exact && !isInstanceOf(L, index, ClassName<T>::value))
        return nullptr;
    if (!handle->object)
        luaL_argerror(L, index, "object disposed");
    return static_cast<T*>(handle->object);
}

// As test, but anything else raises the type error naming the class.
template <class T>
T* check(lua_State* L, int index) {
    T* object = test<T>(L, index);
    if (!object)
        luaL_typerror(L, index, ClassName<T>::value);
    return object;
}

// --- pushing objects ---

enum class Ownership {
    Counted,   // the handle holds one count in the reference registry
    Plain,     // the handle deletes the object
    Borrowed,  // someone else owns the object
};

template <class T>
void releaseCounted(void* object) {
    if (core::refRelease(object))
        delete static_cast<T*>(object);
}

template <class T>
void releasePlain(void* object) {
    delete static_cast<T*>(object);
}

// A new handle for the object, recorded in the object map.
void pushHandle(lua_State* L, void* object, const char* className, void (*release)(void*));
void pushHandle(lua_State* L, void* object, const ClassSlot& slot, void (*release)(void*));

// The live handle of an object if there is one; false (nothing pushed) otherwise.
bool pushMapped(lua_State* L, void* object);

template <class T>
void (*releaseFunction(Ownership ownership))(void*) {
    switch (ownership) {
    case Ownership::Counted:
        return &releaseCounted<T>;
    case Ownership::Plain:
        return &releasePlain<T>;
    case Ownership::Borrowed:
        break;
    }
    return nullptr;
}

// A new handle of the object's own script class.
template <class T>
void pushNew(lua_State* L, T* object, Ownership ownership = Ownership::Counted) {
    if (ownership == Ownership::Counted)
        core::refAcquire(object);
    pushHandle(L, object, slotOf<T>(), releaseFunction<T>(ownership));
}

// A new handle of a script class named at run time, for objects whose dynamic
// type has a script class of its own (a camera held as a node).
template <class T>
void pushNewAs(lua_State* L, T* object, const char* className, Ownership ownership = Ownership::Counted) {
    if (ownership == Ownership::Counted)
        core::refAcquire(object);
    pushHandle(L, object, className, releaseFunction<T>(ownership));
}

// An existing object: nil for null, its live handle, or a new one.
template <class T>
void push(lua_State* L, T* object, Ownership ownership = Ownership::Counted) {
    if (!object)
        lua_pushnil(L);
    else if (!pushMapped(L, object))
        pushNew(L, object, ownership);
}

template <class T>
void pushAs(lua_State* L, T* object, const char* className, Ownership ownership = Ownership::Counted) {
    if (!object)
        lua_pushnil(L);
    else if (!pushMapped(L, object))
        pushNewAs(L, object, className, ownership);
}

// --- disposal, for classes that own the objects of other handles ---

// The root class's dispose (argument 1: the handle).
int disposeHandle(lua_State* L);
// Disposes the live handle of an object, if it has one.
void disposeHandleOf(lua_State* L, void* object);

// --- host exceptions ---

// Runs a binding; returns false when it threw a host exception.
bool invokeCatching(lua_State* L, lua_CFunction function, int& results);
// Raises the message of the last host exception as a Lua error.
[[noreturn]] void raiseHostError(lua_State* L);

// Wraps a binding so that a thrown core::Exception becomes a Lua error carrying
// its message. The error is raised only after the C++ scope is left.
template <lua_CFunction Function>
int guarded(lua_State* L) {
    int results = 0;
    if (!invokeCatching(L, Function, results))
        raiseHostError(L);
    return results;
}

// Wraps a binding so that a thrown core::Exception makes it return nil and the
// exception's message instead of raising.
template <lua_CFunction Function>
int nilOnFailure(lua_State* L) {
    int results = 0;
    if (invokeCatching(L, Function, results))
        return results;
    lua_pushnil(L);
    lua_pushstring(L, core::Exception::lastMessage());
    return 2;
}

// --- enumerations ---

struct EnumEntry {
    const char* name;   // a null name ends the table
    int value;
};

// The value named by a string argument, or the argument error "invalid enum".
int checkEnum(lua_State* L, int index, const EnumEntry* table);
// The name of a value, or "???".
void pushEnum(lua_State* L, int value, const EnumEntry* table);

// --- arguments ---

// A string argument with its exact bytes.
std::string checkString(lua_State* L, int index);
// A boolean argument: a value of another type (nil too) is a type error.
bool checkBoolean(lua_State* L, int index);
// An optional boolean: absent or nil gives the fallback; another type is an error.
bool optBoolean(lua_State* L, int index, bool fallback);

void pushString(lua_State* L, const std::string& text);

// --- option tables (the table is argument 1) ---

// Pushes the named field and returns true, or pushes nothing and returns false
// when it is nil. A value of another type than expected (LUA_TNONE: any) is
// the argument error "field 'name': <type> expected, got <type>".
bool pushOption(lua_State* L, const char* name, int expectedType);
// Reads an integer or boolean field into value when it is present.
void readIntegerOption(lua_State* L, const char* name, int& value);
void readBooleanOption(lua_State* L, const char* name, bool& value);
void readStringOption(lua_State* L, const char* name, std::string& value);

template <auto Value>
int directForm(const Handle* self, float* out, double a, double b, double c) noexcept {
    using F = ValueFunction<decltype(Value)>;
    if (!self->object)
        return 0;
    auto& object = *static_cast<typename F::Object*>(self->object);
    // Nothing may unwind into the script's compiled code: a failure declines,
    // and the plain form reports it.
    try {
        if constexpr (F::arguments == 0)
            return flattenResult(std::invoke(Value, object), out);
        else if constexpr (F::arguments == 1)
            return flattenResult(Value(object, a), out);
        else if constexpr (F::arguments == 2)
            return flattenResult(Value(object, a, b), out);
        else
            return flattenResult(Value(object, a, b, c), out);
    } catch (...) {
        return 0;
    }
}

template <auto Value>
int getterForm(lua_State* L) {
    using F = ValueFunction<decltype(Value)>;
    pushValue(L, std::invoke(Value, *check<typename F::Object>(L, 1)));
    return 1;
}

} // namespace bind
