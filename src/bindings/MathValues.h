#pragma once

// The script form of the math types. Scripts own their vec and mat types; the
// host reads them structurally (array elements 1..4 raw, rows and fields by
// name, 0 for anything missing or not a number) and builds them by calling the
// global vec(x, y, z, w) and mat.create(row0, row1, row2, row3), whatever the
// globals hold: quill's own from the start of a run, or a game's replacements.
// A global a script has cleared is quill's own again at its next use.

#include "engine/scene/Bounds.h"

#include <lua.hpp>

namespace bind {

struct ClassSlot;
struct Handle;

// Each reader raises the argument type error naming the script type ("vec",
// "mat", "box", "sphere", "ray", "range", "color") when the value at index is
// not a table.
engine::Vec2 readVec2(lua_State* L, int index);
engine::Vec3 readVec3(lua_State* L, int index);
engine::Vec4 readVec4(lua_State* L, int index);
engine::Mat3 readMat3(lua_State* L, int index);
engine::Mat4x3 readMat4x3(lua_State* L, int index);
engine::Mat4 readMat4(lua_State* L, int index);
engine::BoundingBox readBox(lua_State* L, int index);
engine::BoundingSphere readSphere(lua_State* L, int index);
engine::Ray readRay(lua_State* L, int index);
// Two floats, e.g. a minimum and a maximum.
engine::Vec2 readRange(lua_State* L, int index);
engine::Color readColor(lua_State* L, int index);
// One entry of a colour table as readColor makes it a byte.
unsigned char colorByte(double n);

// Three numbers at index, index + 1, index + 2, or a vec at index.
engine::Vec3 readVec3Args(lua_State* L, int index);

void pushVec3(lua_State* L, const engine::Vec3& v);  // vec(x, y, z, 0)
void pushVec4(lua_State* L, const engine::Vec4& v);
void pushMat3(lua_State* L, const engine::Mat3& m);  // as a mat with zero translation
void pushMat4x3(lua_State* L, const engine::Mat4x3& m);
void pushMat4(lua_State* L, const engine::Mat4& m);
void pushBox(lua_State* L, const engine::BoundingBox& box);  // {pos = center, hsize = half size}
void pushRay(lua_State* L, const engine::Ray& ray);          // {pos, dir}
void pushColor(lua_State* L, const engine::Color& color);    // vec(r, g, b, a)

inline void pushValue(lua_State* L, const engine::Vec3& v) { pushVec3(L, v); }
inline void pushValue(lua_State* L, const engine::Vec4& v) { pushVec4(L, v); }
inline void pushValue(lua_State* L, const engine::Color& c) { pushColor(L, c); }
inline void pushValue(lua_State* L, const engine::Mat3& m) { pushMat3(L, m); }
inline void pushValue(lua_State* L, const engine::Mat4x3& m) { pushMat4x3(L, m); }
inline void pushValue(lua_State* L, const engine::Mat4& m) { pushMat4(L, m); }

// The numbers of a value in the order the push functions give them to the
// constructors (a vec's four, a mat's rows); gives their count.
int flatten(const engine::Vec3& v, float* out);
int flatten(const engine::Vec4& v, float* out);
int flatten(const engine::Color& c, float* out);
int flatten(const engine::Mat3& m, float* out);
int flatten(const engine::Mat4x3& m, float* out);
int flatten(const engine::Mat4& m, float* out);

// Pushes the function a class holds for a method with a flat form (Method in
// Binding.h) of the class of slot, whose class table is at classIndex: called
// with arity arguments, it builds the vec (values 4) or mat (16) from the flat
// or direct form's numbers while the globals are quill's own, and runs the
// plain form otherwise.
void pushFlatMethod(lua_State* L, lua_CFunction plain, lua_CFunction flat,
                    int (*direct)(const Handle*, float*, double, double, double), int values, int arity, bool protect,
                    const ClassSlot& slot, int classIndex);

// Called once quill's library has made the globals vec and mat: remembers them,
// so that while they stay in place the push functions above build their
// tables directly instead of calling into the script.
void rememberOwnMath(lua_State* L);

} // namespace bind
