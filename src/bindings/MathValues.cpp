#include "bindings/MathValues.h"

#include "bindings/Binding.h"

#include <cmath>

namespace bind {

namespace {

using namespace engine;

// The absolute form of a stack index, which stays valid while the readers
// push and pop fields.
int absolute(lua_State* L, int index) {
    return index < 0 && index > LUA_REGISTRYINDEX ? lua_gettop(L) + index + 1 : index;
}

// Checks for a table and gives its absolute index.
int checkTable(lua_State* L, int index, const char* type) {
    index = absolute(L, index);
    if (!lua_istable(L, index))
        luaL_typerror(L, index, type);
    return index;
}

// Element i of the table at index, read raw; 0 when missing or not a number.
float element(lua_State* L, int index, int i) {
    lua_rawgeti(L, index, i);
    float value = static_cast<float>(lua_tonumber(L, -1));
    lua_pop(L, 1);
    return value;
}

// The elements are pushed together and popped at once: every call into the
// Lua API counts on paths that read a vec per primitive.
Vec3 vec3At(lua_State* L, int index) {
    index = absolute(L, index);
    lua_rawgeti(L, index, 1);
    lua_rawgeti(L, index, 2);
    lua_rawgeti(L, index, 3);
    Vec3 v{float(lua_tonumber(L, -3)), float(lua_tonumber(L, -2)), float(lua_tonumber(L, -1))};
    lua_pop(L, 3);
    return v;
}

Vec4 vec4At(lua_State* L, int index) {
    index = absolute(L, index);
    lua_rawgeti(L, index, 1);
    lua_rawgeti(L, index, 2);
    lua_rawgeti(L, index, 3);
    lua_rawgeti(L, index, 4);
    Vec4 v{float(lua_tonumber(L, -4)), float(lua_tonumber(L, -3)), float(lua_tonumber(L, -2)),
           float(lua_tonumber(L, -1))};
    lua_pop(L, 4);
    return v;
}

// Pushes field name of the table at index; a value that is not a table is a
// malformed container, reported as the container's type.
void pushTableField(lua_State* L, int index, const char* name, const char* type) {
    lua_getfield(L, index, name);
    if (!lua_istable(L, -1))
        luaL_typerror(L, index, type);
}

Vec3 vec3Field(lua_State* L, int index, const char* name, const char* type) {
    pushTableField(L, index, name, type);
    Vec3 v = vec3At(L, -1);
    lua_pop(L, 1);
    return v;
}

Vec4 vec4Field(lua_State* L, int index, const char* name) {
    pushTableField(L, index, name, "mat");
    Vec4 v = vec4At(L, -1);
    lua_pop(L, 1);
    return v;
}


// The script's constructor global; quill's own library when the game has none.
void pushConstructor(lua_State* L, const char* global) {
    lua_getglobal(L, global);
    if (!lua_isnil(L, -1))
        return;
    lua_pop(L, 1);
    lua_getglobal(L, "require");
    lua_pushstring(L, global);
    lua_call(L, 1, 1);
    lua_pushvalue(L, -1);
    lua_setglobal(L, global);
}

void callVec(lua_State* L, float x, float y, float z, float w) {
    pushConstructor(L, "vec");
    lua_pushnumber(L, x);
    lua_pushnumber(L, y);
    lua_pushnumber(L, z);
    lua_pushnumber(L, w);
    lua_call(L, 4, 1);
}

void callMat(lua_State* L, const float (*rows)[4]) {
    pushConstructor(L, "mat");
    lua_getfield(L, -1, "create");
    lua_remove(L, -2);
    for (int i = 0; i < 4; ++i)
        callVec(L, rows[i][0], rows[i][1], rows[i][2], rows[i][3]);
    lua_call(L, 4, 1);
}

// Calling vec and mat.create from C costs five Lua calls for a matrix. While
// the globals are still quill's own library, the host builds the very tables
// those functions would (same layout, same metatables) itself; a game's own
// vec or mat, or one whose constructor was swapped, is still called.
//
// The registry keeps, under the address of ownMathKey, a table of what quill's
// library was when it started, and the strings the checks use, interned once.
const char ownMathKey = 0;

enum OwnMathSlot {
    VecModule = 1, // the vec table
    VecCallMeta,   // its metatable, whose __call builds a vec
    VecCall,
    VecMeta,       // the metatable of every vec
    MatModule,
    MatCreate,
    MatMeta,
    NameVec,
    NameMat,
    NameCreate,
    NameCall,
    NameX, // x, y, z, w follow in order
    OwnMathSlots = NameX + 3
};

// The table of ownMathKey, made empty when the state has none yet: method
// wrappers made before quill's library runs hold it from the start.
void pushOwnMathTable(lua_State* L) {
    lua_pushlightuserdata(L, const_cast<char*>(&ownMathKey));
    lua_rawget(L, LUA_REGISTRYINDEX);
    if (lua_istable(L, -1))
        return;
    lua_pop(L, 1);
    lua_createtable(L, OwnMathSlots, 0);
    lua_pushlightuserdata(L, const_cast<char*>(&ownMathKey));
    lua_pushvalue(L, -2);
    lua_rawset(L, LUA_REGISTRYINDEX);
}

// Pushes the table of ownMathKey; false (and nothing pushed) when this state
// has none, as in a state that never ran quill's library.
bool pushOwnMath(lua_State* L) {
    lua_pushlightuserdata(L, const_cast<char*>(&ownMathKey));
    lua_rawget(L, LUA_REGISTRYINDEX);
    if (lua_istable(L, -1))
        return true;
    lua_pop(L, 1);
    return false;
}

// Whether the value at index equals the slot of the table at own (raw).
bool isSlot(lua_State* L, int index, int own, int slot) {
    index = absolute(L, index);
    lua_rawgeti(L, own, slot);
    bool same = lua_rawequal(L, index, -1) != 0;
    lua_pop(L, 1);
    return same;
}

// Whether global vec (raw read) is still quill's own, and builds as it did.
bool vecIsOwn(lua_State* L, int own) {
    lua_rawgeti(L, own, NameVec);
    lua_rawget(L, LUA_GLOBALSINDEX);
    bool same = isSlot(L, -1, own, VecModule) && lua_getmetatable(L, -1);
    if (same) {
        same = isSlot(L, -1, own, VecCallMeta);
        if (same) {
            lua_rawgeti(L, own, NameCall);
            lua_rawget(L, -2);
            same = isSlot(L, -1, own, VecCall);
            lua_pop(L, 1);
        }
        lua_pop(L, 1);
    }
    lua_pop(L, 1);
    return same;
}

bool matIsOwn(lua_State* L, int own) {
    if (!vecIsOwn(L, own))
        return false;
    lua_rawgeti(L, own, NameMat);
    lua_rawget(L, LUA_GLOBALSINDEX);
    bool same = isSlot(L, -1, own, MatModule);
    if (same) {
        lua_rawgeti(L, own, NameCreate);
        lua_rawget(L, -2);
        same = isSlot(L, -1, own, MatCreate);
        lua_pop(L, 1);
    }
    lua_pop(L, 1);
    return same;
}

// {x, y, z, w} with the vec metatable, as vec(x, y, z, w) makes it.
void newVec(lua_State* L, int own, float x, float y, float z, float w) {
    lua_createtable(L, 4, 0);
    lua_pushnumber(L, x);
    lua_rawseti(L, -2, 1);
    lua_pushnumber(L, y);
    lua_rawseti(L, -2, 2);
    lua_pushnumber(L, z);
    lua_rawseti(L, -2, 3);
    lua_pushnumber(L, w);
    lua_rawseti(L, -2, 4);
    lua_rawgeti(L, own, VecMeta);
    lua_setmetatable(L, -2);
}

// While a flat form of a method runs (callFlat), its vec or mat is pushed as
// plain numbers, and this records what was pushed so that the call can tell
// whether its result is exactly that.
struct FlatState {
    bool active = false;
    int pushes = 0;  // vecs and mats pushed flat
    int values = 0;  // numbers in the last of them
    int top = 0;     // the stack top after it
};
FlatState flat;

void flatPushed(lua_State* L, int values) {
    ++flat.pushes;
    flat.values = values;
    flat.top = lua_gettop(L);
}

void pushVec(lua_State* L, float x, float y, float z, float w) {
    if (flat.active) {
        lua_pushnumber(L, x);
        lua_pushnumber(L, y);
        lua_pushnumber(L, z);
        lua_pushnumber(L, w);
        flatPushed(L, 4);
        return;
    }
    if (pushOwnMath(L)) {
        int own = lua_gettop(L);
        if (vecIsOwn(L, own)) {
            newVec(L, own, x, y, z, w);
            lua_remove(L, own);
            return;
        }
        lua_pop(L, 1);
    }
    callVec(L, x, y, z, w);
}

void pushRows(lua_State* L, const float (*rows)[4]) {
    if (flat.active) {
        for (int i = 0; i < 4; ++i) {
            for (int j = 0; j < 4; ++j)
                lua_pushnumber(L, rows[i][j]);
        }
        flatPushed(L, 16);
        return;
    }
    if (pushOwnMath(L)) {
        int own = lua_gettop(L);
        if (matIsOwn(L, own)) {
            // The fields in the order mat.create's constructor sets them.
            lua_createtable(L, 0, 4);
            for (int i = 0; i < 4; ++i) {
                lua_rawgeti(L, own, NameX + i);
                newVec(L, own, rows[i][0], rows[i][1], rows[i][2], rows[i][3]);
                lua_rawset(L, -3);
            }
            lua_rawgeti(L, own, MatMeta);
            lua_setmetatable(L, -2);
            lua_remove(L, own);
            return;
        }
        lua_pop(L, 1);
    }
    callMat(L, rows);
}

// The Lua side of the flat methods: while vec and mat are quill's own, the
// numbers of the flat form become a table through the library's own
// constructors, in Lua that the JIT compiler traces and allocates cheaply
// (after the call into C it carries on in a trace stitched to the caller's).
// Anything else (a game's own vec, another number of arguments, a flat form
// that declined or raised) ends in a tail call of the plain binding with the
// very same arguments, so that its results and errors, down to the function
// name and the caller's position, are what they are without the wrapper.
//
// The function the script calls takes any arguments: it only counts them. The
// one it tail-calls takes exactly the method's arguments, so that the trace
// after the C call returns from an ordinary frame (LuaJIT cannot yet return
// from a vararg frame in a stitched trace).
//
// A method with a direct form calls that through the FFI instead, once self is
// a full userdata whose class is the method's class or derives from it (the
// classes seen are remembered per method) and the other arguments are numbers:
// the whole call then stays in the caller's trace. Without the FFI library
// every method takes the flat form.
const char FlatMethods[] = R"lua(
local loadstring, format, concat, select, rawget, getmetatable, setmetatable, type, pcall, require =
    loadstring, string.format, table.concat, select, rawget, getmetatable, setmetatable, type, pcall, require
local globals, own = ...
local VecModule, VecCallMeta, VecCall, MatModule, MatCreate = 1, 2, 3, 5, 6

local hasFfi, ffi = pcall(require, "ffi")
local directType, out
if hasFfi then
    directType = ffi.typeof("int (*)(void *, float *, double, double, double)")
    out = ffi.new("float[16]")
end

local function vecIsOwn()
    local module = own[VecModule]
    if module == nil or rawget(globals, "vec") ~= module then return false end
    local meta = getmetatable(module)
    return meta == own[VecCallMeta] and rawget(meta, "__call") == own[VecCall]
end

local function matIsOwn()
    local module = own[MatModule]
    return module ~= nil and vecIsOwn() and rawget(globals, "mat") == module
        and rawget(module, "create") == own[MatCreate]
end

local function buildVec(x, y, z, w)
    return own[VecCall](own[VecModule], x, y, z, w)
end

local function buildMat(a, b, c, d, e, f, g, h, i, j, k, l, m, n, o, p)
    local row, module = own[VecCall], own[VecModule]
    return own[MatCreate](row(module, a, b, c, d), row(module, e, f, g, h), row(module, i, j, k, l),
        row(module, m, n, o, p))
end

-- Whether a metatable is the class table or one of its derived classes.
local function acceptsOf(class)
    return setmetatable({}, { __mode = "k", __index = function(accepts, meta)
        if type(meta) ~= "table" then return false end
        local current = meta
        while current ~= class and type(current) == "table" do current = rawget(current, "baseclass") end
        accepts[meta] = current == class
        return current == class
    end })
end

-- The function scripts call, after either form's run.
local dispatch = [[
return function(...)
    if select("#", ...) == %d and isOwn() then return run(...) end
    return plain(...)
end
]]

local template = [[
local select, isOwn, build, flat, plain = ...
local function run(%s)
    local %s = flat(%s)
    if r1 ~= nil then
        local value = build(%s) -- not a tail call: the trace could not return from it
        return value
    end
    return plain(%s)
end
]] .. dispatch

local directTemplate = [[
local select, type, getmetatable, isOwn, build, call, out, accepts, plain = ...
local function run(%s)
    if type(p1) == "userdata" and accepts[getmetatable(p1)]%s and call(p1, out, %s) ~= 0 then
        local value = build(%s)
        return value
    end
    return plain(%s)
end
]] .. dispatch

local function names(prefix, first, last, from)
    local list = {}
    for i = first, last do list[#list + 1] = format(prefix, i - (from or 0)) end
    return concat(list, ", ")
end

local makers, directMakers = {}, {}
return function(values, arity, flat, plain, direct, class)
    local isOwn, build = vecIsOwn, buildVec
    if values == 16 then isOwn, build = matIsOwn, buildMat end
    local key = values * 100 + arity
    if direct ~= nil and hasFfi and arity <= 4 then
        local maker = directMakers[key]
        if not maker then
            local checks = {}
            for i = 2, arity do checks[#checks + 1] = format(' and type(p%d) == "number"', i) end
            local arguments = arity > 1 and names("p%d", 2, arity) or ""
            for _ = arity, 3 do arguments = arguments .. (arguments == "" and "0" or ", 0") end
            local params = names("p%d", 1, arity)
            maker = assert(loadstring(format(directTemplate, params, concat(checks), arguments,
                names("out[%d]", 1, values, 1), params, arity), "=flat methods"))
            directMakers[key] = maker
        end
        return maker(select, type, getmetatable, isOwn, build, ffi.cast(directType, direct), out, acceptsOf(class),
            plain)
    end
    local maker = makers[key]
    if not maker then
        local params, results = names("p%d", 1, arity), names("r%d", 1, values)
        maker = assert(loadstring(format(template, params, results, params, results, params, arity), "=flat methods"))
        makers[key] = maker
    end
    return maker(select, isOwn, build, flat, plain)
end
)lua";

const char* const FlatMethodMaker = "quill.flat_method_maker";

// The flat form as the wrapper calls it. A protected method runs under a
// protected call, and an error gives no results, after which the wrapper runs
// the plain form to raise it from the script's own call. Any other only needs
// self to be a live handle of its class, which is checked first (as the
// binding's own check would) without raising.
int protectedFlat(lua_State* L) {
    lua_pushvalue(L, lua_upvalueindex(1));
    lua_insert(L, 1);
    if (lua_pcall(L, lua_gettop(L) - 1, LUA_MULTRET, 0) != 0)
        return 0;
    return lua_gettop(L);
}

int selfCheckedFlat(lua_State* L) {
    auto* handle = static_cast<Handle*>(lua_touserdata(L, 1));
    const auto* slot = static_cast<const ClassSlot*>(lua_touserdata(L, lua_upvalueindex(2)));
    if (!handle || lua_objlen(L, 1) != sizeof(Handle) || !handle->object)
        return 0;
    if (handle->exact != slot && !isInstanceOf(L, 1, slot->name))
        return 0;
    return lua_tocfunction(L, lua_upvalueindex(1))(L);
}

} // namespace

int callFlat(lua_State* L, lua_CFunction function, int values) {
    // Restored however the binding ends (a Lua error unwinds through here);
    // where it could not be, the plain form clears it before anything else.
    struct Restore {
        FlatState saved;
        ~Restore() { flat = saved; }
    } restore{flat};
    flat = {true, 0, 0, 0};
    int results = function(L);
    bool one = results == 1 && flat.pushes == 1 && flat.values == values && lua_gettop(L) == flat.top;
    return one ? values : 0;
}

int callPlain(lua_State* L, lua_CFunction function) {
    flat.active = false;
    return function(L);
}

void pushFlatMethod(lua_State* L, lua_CFunction plain, lua_CFunction flatForm,
                    int (*direct)(const Handle*, float*, double, double, double), int values, int arity, bool protect,
                    const ClassSlot& slot, int classIndex) {
    classIndex = absolute(L, classIndex);
    lua_getfield(L, LUA_REGISTRYINDEX, FlatMethodMaker);
    if (!lua_isfunction(L, -1)) {
        lua_pop(L, 1);
        if (luaL_loadbuffer(L, FlatMethods, sizeof FlatMethods - 1, "=flat methods") != 0)
            lua_error(L);
        lua_pushvalue(L, LUA_GLOBALSINDEX);
        pushOwnMathTable(L);
        lua_call(L, 2, 1);
        lua_pushvalue(L, -1);
        lua_setfield(L, LUA_REGISTRYINDEX, FlatMethodMaker);
    }
    lua_pushinteger(L, values);
    lua_pushinteger(L, arity);
    lua_pushcfunction(L, flatForm);
    if (!protect) {
        lua_pushlightuserdata(L, const_cast<ClassSlot*>(&slot));
        lua_pushcclosure(L, selfCheckedFlat, 2);
    } else {
        lua_pushcclosure(L, protectedFlat, 1);
    }
    lua_pushcfunction(L, plain);
    if (direct)
        lua_pushlightuserdata(L, reinterpret_cast<void*>(direct));
    else
        lua_pushnil(L);
    lua_pushvalue(L, classIndex);
    lua_call(L, 6, 1);
}

Vec2 readVec2(lua_State* L, int index) {
    index = checkTable(L, index, "vec");
    return {element(L, index, 1), element(L, index, 2)};
}

Vec3 readVec3(lua_State* L, int index) {
    index = checkTable(L, index, "vec");
    return vec3At(L, index);
}

Vec4 readVec4(lua_State* L, int index) {
    index = checkTable(L, index, "vec");
    return vec4At(L, index);
}

Mat3 readMat3(lua_State* L, int index) {
    index = checkTable(L, index, "mat");
    return {{vec3Field(L, index, "x", "mat"), vec3Field(L, index, "y", "mat"), vec3Field(L, index, "z", "mat")}};
}

Mat4x3 readMat4x3(lua_State* L, int index) {
    Mat3 rotation = readMat3(L, index);
    return {rotation, vec3Field(L, index, "w", "mat")};
}

Mat4 readMat4(lua_State* L, int index) {
    index = checkTable(L, index, "mat");
    Mat4 m;
    const char* names[] = {"x", "y", "z", "w"};
    for (int i = 0; i < 4; ++i) {
        Vec4 row = vec4Field(L, index, names[i]);
        m.m[i][0] = row.x;
        m.m[i][1] = row.y;
        m.m[i][2] = row.z;
        m.m[i][3] = row.w;
    }
    return m;
}

BoundingBox readBox(lua_State* L, int index) {
    index = checkTable(L, index, "box");
    Vec3 pos = vec3Field(L, index, "pos", "box");
    Vec3 halfSize = vec3Field(L, index, "hsize", "box");
    return {pos - halfSize, pos + halfSize};
}

BoundingSphere readSphere(lua_State* L, int index) {
    index = checkTable(L, index, "sphere");
    BoundingSphere sphere;
    sphere.center = vec3Field(L, index, "pos", "sphere");
    lua_getfield(L, index, "radius");
    sphere.radius = static_cast<float>(lua_tonumber(L, -1));
    lua_pop(L, 1);
    return sphere;
}

Ray readRay(lua_State* L, int index) {
    index = checkTable(L, index, "ray");
    return {vec3Field(L, index, "pos", "ray"), vec3Field(L, index, "dir", "ray")};
}

Vec2 readRange(lua_State* L, int index) {
    index = checkTable(L, index, "range");
    return {element(L, index, 1), element(L, index, 2)};
}

Color readColor(lua_State* L, int index) {
    index = checkTable(L, index, "color");
    lua_rawgeti(L, index, 1);
    lua_rawgeti(L, index, 2);
    lua_rawgeti(L, index, 3);
    lua_rawgeti(L, index, 4);
    Color color{colorByte(lua_tonumber(L, -4)), colorByte(lua_tonumber(L, -3)), colorByte(lua_tonumber(L, -2)),
                colorByte(lua_tonumber(L, -1))};
    lua_pop(L, 4);
    return color;
}

Vec3 readVec3Args(lua_State* L, int index) {
    if (lua_type(L, index) == LUA_TNUMBER) {
        return {static_cast<float>(luaL_checknumber(L, index)), static_cast<float>(luaL_checknumber(L, index + 1)),
                static_cast<float>(luaL_checknumber(L, index + 2))};
    }
    return readVec3(L, index);
}

void pushVec3(lua_State* L, const Vec3& v) {
    pushVec(L, v.x, v.y, v.z, 0);
}

void pushVec4(lua_State* L, const Vec4& v) {
    pushVec(L, v.x, v.y, v.z, v.w);
}

void pushMat3(lua_State* L, const Mat3& m) {
    pushMat4x3(L, {m, {}});
}

void pushMat4x3(lua_State* L, const Mat4x3& m) {
    pushMat4(L, Mat4::fromMat4x3(m));
}

void pushMat4(lua_State* L, const Mat4& m) {
    pushRows(L, m.m);
}

void pushBox(lua_State* L, const BoundingBox& box) {
    lua_createtable(L, 0, 2);
    pushVec3(L, box.center());
    lua_setfield(L, -2, "pos");
    pushVec3(L, box.halfSize());
    lua_setfield(L, -2, "hsize");
}

void pushRay(lua_State* L, const Ray& ray) {
    lua_createtable(L, 0, 2);
    pushVec3(L, ray.pos);
    lua_setfield(L, -2, "pos");
    pushVec3(L, ray.dir);
    lua_setfield(L, -2, "dir");
}

void pushColor(lua_State* L, const Color& color) {
    pushVec(L, color.r, color.g, color.b, color.a);
}

int flatten(const Vec3& v, float* out) {
    return flatten(Vec4{v.x, v.y, v.z, 0}, out);
}

int flatten(const Vec4& v, float* out) {
    out[0] = v.x;
    out[1] = v.y;
    out[2] = v.z;
    out[3] = v.w;
    return 4;
}

int flatten(const Color& c, float* out) {
    return flatten(Vec4{float(c.r), float(c.g), float(c.b), float(c.a)}, out);
}

int flatten(const Mat3& m, float* out) {
    return flatten(Mat4x3{m, {}}, out);
}

// The rows of Mat4::fromMat4x3, written straight out.
int flatten(const Mat4x3& m, float* out) {
    for (int i = 0; i < 3; ++i)
        flatten(m.rot.row[i], out + 4 * i);
    flatten(Vec4{m.pos.x, m.pos.y, m.pos.z, 1}, out + 12);
    return 16;
}

int flatten(const Mat4& m, float* out) {
    for (int i = 0; i < 4; ++i) {
        for (int j = 0; j < 4; ++j)
            out[i * 4 + j] = m.m[i][j];
    }
    return 16;
}

// Integral part, low eight bits; values outside the int range (and NaN) give
// 0 instead of undefined behaviour.
unsigned char colorByte(double n) {
    if (!(n > -2147483648.0 && n < 2147483648.0))
        return 0;
    return static_cast<unsigned char>(static_cast<int>(n));
}

void rememberOwnMath(lua_State* L) {
    pushOwnMathTable(L);
    int own = lua_gettop(L);
    const char* names[] = {"vec", "mat", "create", "__call", "x", "y", "z", "w"};
    for (int i = 0; i < 8; ++i) {
        lua_pushstring(L, names[i]);
        lua_rawseti(L, own, NameVec + i);
    }
    lua_getglobal(L, "vec");
    lua_getmetatable(L, -1);
    lua_getfield(L, -1, "__call");
    lua_getfield(L, -3, "metatable");
    lua_rawseti(L, own, VecMeta);
    lua_rawseti(L, own, VecCall);
    lua_rawseti(L, own, VecCallMeta);
    lua_rawseti(L, own, VecModule);
    lua_getglobal(L, "mat");
    lua_getfield(L, -1, "create");
    lua_getfield(L, -2, "metatable");
    lua_rawseti(L, own, MatMeta);
    lua_rawseti(L, own, MatCreate);
    lua_rawseti(L, own, MatModule);
    lua_settop(L, own - 1);
}

} // namespace bind
