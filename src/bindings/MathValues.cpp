#include "bindings/MathValues.h"

#include <cmath>

namespace bind {

namespace {

using namespace engine;

// Checks for a table and gives its absolute index, which stays valid while
// the readers push and pop fields.
int checkTable(lua_State* L, int index, const char* type) {
    if (index < 0 && index > LUA_REGISTRYINDEX)
        index = lua_gettop(L) + index + 1;
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

Vec3 vec3At(lua_State* L, int index) {
    return {element(L, index, 1), element(L, index, 2), element(L, index, 3)};
}

Vec4 vec4At(lua_State* L, int index) {
    return {element(L, index, 1), element(L, index, 2), element(L, index, 3), element(L, index, 4)};
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

// A byte from a script number: integral part, low eight bits; values outside
// the int range (and NaN) give 0 instead of undefined behaviour.
unsigned char toByte(lua_Number n) {
    if (!(n > -2147483648.0 && n < 2147483648.0))
        return 0;
    return static_cast<unsigned char>(static_cast<int>(n));
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

void pushRows(lua_State* L, const float (*rows)[4]) {
    pushConstructor(L, "mat");
    lua_getfield(L, -1, "create");
    lua_remove(L, -2);
    for (int i = 0; i < 4; ++i)
        callVec(L, rows[i][0], rows[i][1], rows[i][2], rows[i][3]);
    lua_call(L, 4, 1);
}

} // namespace

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
    unsigned char bytes[4];
    for (int i = 0; i < 4; ++i) {
        lua_rawgeti(L, index, i + 1);
        bytes[i] = toByte(lua_tonumber(L, -1));
        lua_pop(L, 1);
    }
    return {bytes[0], bytes[1], bytes[2], bytes[3]};
}

Vec3 readVec3Args(lua_State* L, int index) {
    if (lua_type(L, index) == LUA_TNUMBER) {
        return {static_cast<float>(luaL_checknumber(L, index)), static_cast<float>(luaL_checknumber(L, index + 1)),
                static_cast<float>(luaL_checknumber(L, index + 2))};
    }
    return readVec3(L, index);
}

void pushVec3(lua_State* L, const Vec3& v) {
    callVec(L, v.x, v.y, v.z, 0);
}

void pushVec4(lua_State* L, const Vec4& v) {
    callVec(L, v.x, v.y, v.z, v.w);
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
    callVec(L, color.r, color.g, color.b, color.a);
}

} // namespace bind
