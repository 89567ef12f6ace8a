// The script face of engine::Node.
#include "bindings/Binding.h"
#include "bindings/MathValues.h"
#include "bindings/NodeHandles.h"
#include "bindings/Registration.h"
#include "engine/scene/Camera.h"

#include <cstring>

void bind::pushNode(lua_State* L, engine::Node* node) {
    // Cameras are shared like other engine objects; plain nodes belong to
    // their scene or model, and scripts only borrow them.
    if (auto* camera = dynamic_cast<engine::Camera*>(node))
        bind::pushAs(L, camera, "Camera");
    else
        bind::push(L, node, bind::Ownership::Borrowed);
}

namespace {

using bind::pushNode;
using engine::Node;

Node* self(lua_State* L) {
    return bind::check<Node>(L, 1);
}

const bind::EnumEntry RotationOrders[] = {
    {"xyz", int(engine::RotationOrder::XYZ)}, {"xzy", int(engine::RotationOrder::XZY)},
    {"yxz", int(engine::RotationOrder::YXZ)}, {"yzx", int(engine::RotationOrder::YZX)},
    {"zxy", int(engine::RotationOrder::ZXY)}, {"zyx", int(engine::RotationOrder::ZYX)},
    {nullptr, 0},
};

// --- components ---

// The component classes are registered with their own parts of the engine;
// they derive from engine::Component as their first base, so a handle's object
// pointer is the component's address. The check goes by class name.
struct ComponentClass {
    const char* name;
};
ComponentClass renderEntityClass{"RenderEntity"};
ComponentClass rigidBodyClass{"RigidBody"};
ComponentClass soundSourceClass{"SoundSource"};

// A component argument of the class, or null for nil.
engine::Component* optComponent(lua_State* L, int index, ComponentClass& type) {
    if (lua_isnoneornil(L, index))
        return nullptr;
    if (!bind::isInstanceOf(L, index, type.name))
        luaL_typerror(L, index, type.name);
    auto* handle = static_cast<bind::Handle*>(lua_touserdata(L, index));
    if (!handle->object)
        luaL_argerror(L, index, "object disposed");
    return static_cast<engine::Component*>(handle->object);
}

void pushComponent(lua_State* L, engine::Component* component, const char* className) {
    bind::pushAs(L, component, className);
}

// --- hierarchy ---

int addTo(lua_State* L) {
    Node* node = self(L);
    node->addTo(bind::check<Node>(L, 2));
    lua_settop(L, 2);
    return 1;
}

int remove(lua_State* L) {
    self(L)->remove();
    lua_settop(L, 1);
    return 1;
}

int getParent(lua_State* L) {
    pushNode(L, self(L)->parent());
    return 1;
}

int getChildren(lua_State* L) {
    Node* node = self(L);
    lua_newtable(L);
    int i = 0;
    for (Node* child = node->firstChild(); child; child = child->nextSibling()) {
        pushNode(L, child);
        lua_rawseti(L, -2, ++i);
    }
    return 1;
}

int findNode(lua_State* L) {
    Node* node = self(L);
    pushNode(L, node->findNode(bind::checkString(L, 2)));
    return 1;
}

int setName(lua_State* L) {
    Node* node = self(L);
    node->setName(bind::checkString(L, 2));
    return 0;
}

int getName(lua_State* L) {
    bind::pushString(L, self(L)->name());
    return 1;
}

// --- transforms ---

int setPosition(lua_State* L) {
    Node* node = self(L);
    node->setPosition(bind::readVec3Args(L, 2));
    return 0;
}

int setRotation(lua_State* L) {
    Node* node = self(L);
    if (lua_gettop(L) == 2) {
        node->setRotation(bind::readMat3(L, 2));
        return 0;
    }
    auto ax = static_cast<float>(luaL_checknumber(L, 2));
    auto ay = static_cast<float>(luaL_checknumber(L, 3));
    auto az = static_cast<float>(luaL_checknumber(L, 4));
    int order = 0;
    if (!lua_isnoneornil(L, 5)) {
        const char* name = luaL_checkstring(L, 5);
        order = -1;
        for (const bind::EnumEntry* entry = RotationOrders; entry->name; ++entry) {
            if (strcmp(entry->name, name) == 0)
                order = entry->value;
        }
        if (order < 0)
            luaL_argerror(L, 5, "invalid rotation order");
    }
    node->setRotation(ax, ay, az, static_cast<engine::RotationOrder>(order));
    return 0;
}

// Node::transform also names the function that applies one.
engine::Mat4x3 getTransform(Node& node) {
    return node.transform();
}

int setTransform(lua_State* L) {
    Node* node = self(L);
    node->setTransform(bind::readMat4x3(L, 2));
    return 0;
}

int move(lua_State* L) {
    Node* node = self(L);
    node->move(bind::readVec3Args(L, 2));
    return 0;
}

int rotate(lua_State* L) {
    Node* node = self(L);
    node->rotate(bind::readMat3(L, 2));
    return 0;
}

int rotateAbout(lua_State* L) {
    Node* node = self(L);
    lua_Integer axis = luaL_checkinteger(L, 2);
    auto angle = static_cast<float>(luaL_checknumber(L, 3));
    if (axis < 0 || axis > 2)
        luaL_error(L, "invalid base vector index");
    node->rotateAbout(static_cast<int>(axis), angle);
    return 0;
}

int transform(lua_State* L) {
    Node* node = self(L);
    node->transform(bind::readMat4x3(L, 2));
    return 0;
}

int lookAt(lua_State* L) {
    Node* node = self(L);
    node->lookAt(bind::readVec3Args(L, 2));
    return 0;
}

// --- components ---

int setRenderEntity(lua_State* L) {
    Node* node = self(L);
    node->setComponent(engine::Component::RenderEntityKind, optComponent(L, 2, renderEntityClass));
    return 0;
}

int setRigidBody(lua_State* L) {
    Node* node = self(L);
    node->setComponent(engine::Component::RigidBodyKind, optComponent(L, 2, rigidBodyClass));
    return 0;
}

int setSoundSource(lua_State* L) {
    Node* node = self(L);
    node->setComponent(engine::Component::SoundSourceKind, optComponent(L, 2, soundSourceClass));
    return 0;
}

int getRenderEntity(lua_State* L) {
    engine::Component* entity = self(L)->component(engine::Component::RenderEntityKind);
    if (!entity) {
        lua_pushnil(L);
        return 1;
    }
    static const char* const classes[] = {"MeshEntity", "LightEntity", "ParticleEntity"};
    int type = entity->entityType();
    if (type < 0 || type > 2)
        luaL_error(L, "unknown render entity type");
    pushComponent(L, entity, classes[type]);
    return 1;
}

int getRigidBody(lua_State* L) {
    pushComponent(L, self(L)->component(engine::Component::RigidBodyKind), rigidBodyClass.name);
    return 1;
}

int getSoundSource(lua_State* L) {
    pushComponent(L, self(L)->component(engine::Component::SoundSourceKind), soundSourceClass.name);
    return 1;
}

} // namespace

void registerNode(lua_State* L) {
    using bind::guarded;
    bind::registerClass<Node>(L, nullptr,
                              {
                                  {"addTo", guarded<addTo>},
                                  {"remove", remove},
                                  {"getParent", getParent},
                                  {"getChildren", getChildren},
                                  {"findNode", findNode},
                                  {"setName", setName},
                                  {"getName", getName},
                                  {"setPosition", setPosition},
                                  bind::getter<&Node::position>("getPosition"),
                                  {"setRotation", setRotation},
                                  bind::getter<&Node::rotation>("getRotation"),
                                  {"setTransform", setTransform},
                                  bind::getter<getTransform>("getTransform"),
                                  bind::getter<&Node::worldPosition>("getWorldPosition"),
                                  bind::getter<&Node::worldRotation>("getWorldRotation"),
                                  bind::getter<&Node::worldTransform>("getLocalToWorldMatrix"),
                                  bind::getter<&Node::worldInverse>("getWorldToLocalMatrix"),
                                  {"move", move},
                                  {"rotate", rotate},
                                  {"rotateAbout", rotateAbout},
                                  {"transform", transform},
                                  {"lookAt", lookAt},
                                  // Components run their own attach and detach: they may throw.
                                  {"setRenderEntity", guarded<setRenderEntity>},
                                  {"setRigidBody", guarded<setRigidBody>},
                                  {"setSoundSource", guarded<setSoundSource>},
                                  {"getRenderEntity", getRenderEntity},
                                  {"getRigidBody", getRigidBody},
                                  {"getSoundSource", getSoundSource},
                              },
                              {"Name", "Position", "Rotation", "Transform", "RenderEntity", "RigidBody", "SoundSource"});
}
