// The script face of debug drawing: wire shapes and labels queued for the next
// rendered scene, callable at any time during a frame.
#include "bindings/Binding.h"
#include "bindings/MathValues.h"
#include "bindings/Registration.h"
#include "engine/draw/DebugDraw.h"

namespace {
// DebugDraw has functions only.
struct DebugDrawFunctions {};
} // namespace

QUILL_SCRIPT_CLASS(DebugDrawFunctions, "DebugDraw")

namespace {

namespace DebugDraw = engine::DebugDraw;

// Opaque white when absent.
uint32_t optColor(lua_State* L, int index) {
    if (lua_isnoneornil(L, index))
        return DebugDraw::White;
    engine::Color c = bind::readColor(L, index);
    return uint32_t(c.r) << 24 | uint32_t(c.g) << 16 | uint32_t(c.b) << 8 | uint32_t(c.a);
}

engine::Mat4x3 optTransform(lua_State* L, int index) {
    return lua_isnoneornil(L, index) ? engine::Mat4x3::identity() : bind::readMat4x3(L, index);
}

float number(lua_State* L, int index) {
    return static_cast<float>(luaL_checknumber(L, index));
}

int drawLine(lua_State* L) {
    engine::Vec3 from = bind::readVec3(L, 1), to = bind::readVec3(L, 2);
    DebugDraw::drawLine(from, to, optColor(L, 3));
    return 0;
}

int drawBox(lua_State* L) {
    engine::Vec3 min = bind::readVec3(L, 1), max = bind::readVec3(L, 2);
    engine::Mat4x3 transform = optTransform(L, 3);
    DebugDraw::drawBox(min, max, transform, optColor(L, 4));
    return 0;
}

int drawSphere(lua_State* L) {
    engine::Vec3 center = bind::readVec3(L, 1);
    float radius = number(L, 2);
    DebugDraw::drawSphere(center, radius, 4, optColor(L, 3));
    return 0;
}

int drawCapsule(lua_State* L) {
    float length = number(L, 1), radius = number(L, 2);
    engine::Mat4x3 transform = optTransform(L, 3);
    DebugDraw::drawCapsule(length, radius, transform, optColor(L, 4));
    return 0;
}

int drawBase(lua_State* L) {
    engine::Mat4x3 transform = bind::readMat4x3(L, 1);
    DebugDraw::drawBase(transform, static_cast<float>(luaL_optnumber(L, 2, 1.0)));
    return 0;
}

int drawText(lua_State* L) {
    std::string text = bind::checkString(L, 1);
    engine::Vec2 position = bind::readVec2(L, 2);
    DebugDraw::drawText(text, position, optColor(L, 3));
    return 0;
}

int drawText3D(lua_State* L) {
    std::string text = bind::checkString(L, 1);
    engine::Vec3 position = bind::readVec3(L, 2);
    DebugDraw::drawText3D(text, position, optColor(L, 3));
    return 0;
}

} // namespace

void registerDebugDraw(lua_State* L) {
    using bind::guarded;
    bind::registerClass<DebugDrawFunctions>(L, nullptr,
                                            {
                                                {"drawLine", guarded<drawLine>},
                                                {"drawBox", guarded<drawBox>},
                                                {"drawSphere", guarded<drawSphere>},
                                                {"drawCapsule", guarded<drawCapsule>},
                                                {"drawBase", guarded<drawBase>},
                                                {"drawText", guarded<drawText>},
                                                {"drawText3D", guarded<drawText3D>},
                                            });
}
