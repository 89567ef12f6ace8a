// The script faces of engine::Camera and the script-created camera controls.
#include "bindings/Binding.h"
#include "bindings/MathValues.h"
#include "bindings/NodeHandles.h"
#include "bindings/Registration.h"
#include "engine/scene/CameraControls.h"

QUILL_SCRIPT_CLASS(engine::Camera, "Camera")
QUILL_SCRIPT_CLASS(engine::CameraControlsEx, "CameraControls")

namespace {

using engine::Camera;
using engine::CameraControlsEx;

Camera* self(lua_State* L) {
    return bind::check<Camera>(L, 1);
}

float number(lua_State* L, int index) {
    return static_cast<float>(luaL_checknumber(L, index));
}

int create(lua_State* L) {
    float fov = number(L, 1), aspect = number(L, 2), nearZ = number(L, 3), farZ = number(L, 4);
    bind::pushNew(L, Camera::perspective(fov, aspect, nearZ, farZ));
    return 1;
}

int setProjectionMatrix(lua_State* L) {
    Camera* camera = self(L);
    camera->setProjection(bind::readMat4(L, 2));
    return 0;
}

int getPlane(lua_State* L) {
    Camera* camera = self(L);
    lua_Integer index = luaL_checkinteger(L, 2);
    if (index < 1 || index > Camera::PlaneCount)
        luaL_argerror(L, 2, "invalid plane index");
    const engine::Plane& plane = camera->plane(static_cast<int>(index - 1));
    lua_createtable(L, 0, 2);
    bind::pushVec3(L, plane.n);
    lua_setfield(L, -2, "n");
    lua_pushnumber(L, plane.d);
    lua_setfield(L, -2, "d");
    return 1;
}

int getNear(lua_State* L) {
    lua_pushnumber(L, self(L)->nearDistance());
    return 1;
}

int getFar(lua_State* L) {
    lua_pushnumber(L, self(L)->farDistance());
    return 1;
}

int getViewRay(lua_State* L) {
    Camera* camera = self(L);
    bind::pushRay(L, camera->viewRay(bind::readVec2(L, 2)));
    return 1;
}

int getWorldRay(lua_State* L) {
    Camera* camera = self(L);
    bind::pushRay(L, camera->worldRay(bind::readVec2(L, 2)));
    return 1;
}

int projectWorldPoint(lua_State* L) {
    Camera* camera = self(L);
    engine::Vec3 screen = camera->projectWorldPoint(bind::readVec3(L, 2));
    if (screen.z < 0)
        lua_pushnil(L);
    else
        bind::pushVec3(L, screen);
    return 1;
}

// --- CameraControls ---

CameraControlsEx* controls(lua_State* L) {
    return bind::check<CameraControlsEx>(L, 1);
}

Camera* optCamera(lua_State* L, int index) {
    return lua_isnoneornil(L, index) ? nullptr : bind::check<Camera>(L, index);
}

int createControls(lua_State* L) {
    Camera* camera = optCamera(L, 1);
    auto scale = static_cast<float>(luaL_optnumber(L, 2, 1));
    bind::pushNew(L, new CameraControlsEx(camera, scale));
    return 1;
}

int setCamera(lua_State* L) {
    CameraControlsEx* self = controls(L);
    self->setCamera(optCamera(L, 2));
    return 0;
}

int getCamera(lua_State* L) {
    Camera* camera = controls(L)->camera();
    if (!camera || !bind::pushMapped(L, camera))
        lua_pushnil(L);
    return 1;
}

int setScale(lua_State* L) {
    CameraControlsEx* self = controls(L);
    self->setScale(number(L, 2));
    return 0;
}

int getScale(lua_State* L) {
    lua_pushnumber(L, controls(L)->scale());
    return 1;
}

int update(lua_State* L) {
    CameraControlsEx* self = controls(L);
    self->update(number(L, 2));
    return 0;
}

} // namespace

void registerCamera(lua_State* L) {
    bind::registerClass<Camera>(L, "Node",
                                {
                                    {"create", create},
                                    {"setProjectionMatrix", setProjectionMatrix},
                                    bind::getter<&Camera::projection>("getProjectionMatrix"),
                                    bind::getter<&Camera::inverseProjection>("getInverseProjectionMatrix"),
                                    bind::getter<&Camera::viewProjection>("getViewProjectionMatrix"),
                                    bind::getter<&Camera::inverseViewProjection>("getInverseViewProjectionMatrix"),
                                    {"getPlane", getPlane},
                                    {"getNear", getNear},
                                    {"getFar", getFar},
                                    {"getViewRay", getViewRay},
                                    {"getWorldRay", getWorldRay},
                                    bind::vecMethod<projectWorldPoint, 2>("projectWorldPoint"),
                                });
}

void registerCameraControls(lua_State* L) {
    bind::registerClass<CameraControlsEx>(L, nullptr,
                                          {
                                              {"create", createControls},
                                              {"setCamera", setCamera},
                                              {"getCamera", getCamera},
                                              {"setScale", setScale},
                                              {"getScale", getScale},
                                              {"update", update},
                                          });
}
