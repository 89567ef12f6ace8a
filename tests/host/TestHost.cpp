// The host with a test-only module, `testhooks`, for script tests of parts that
// scripts cannot reach on their own yet: nodes without a scene, components
// and render entities without their engines, and the math conversions in both
// directions.
#include "app/Application.h"
#include "bindings/Binding.h"
#include "bindings/MathValues.h"
#include "engine/scene/Node.h"
#include "scene/BoxEntity.h"

#include <lua.hpp>

#include <string>
#include <vector>

namespace {

std::vector<std::string> events;

// A component that records its attach, detach and destruction.
struct TestComponent : engine::Component {
    std::string name;
    int type;
    TestComponent(Kind kind, std::string name, int type) : Component(kind), name(std::move(name)), type(type) {}
    ~TestComponent() override { events.push_back("destroy " + name); }
    void attach(engine::Node* node) override { events.push_back("attach " + name + " to " + node->name()); }
    void detach() override { events.push_back("detach " + name + " from " + node()->name()); }
    int entityType() const override { return type; }
};

} // namespace

QUILL_SCRIPT_CLASS(engine::Node, "Node")
QUILL_SCRIPT_CLASS(TestComponent, "TestComponent")

namespace {

int newNode(lua_State* L) {
    auto* node = new engine::Node;
    node->setName(luaL_optstring(L, 1, ""));
    // Owned by the script, like a node no scene holds.
    bind::pushNew(L, node);
    return 1;
}

// newComponent(class, name [, entity type]): a component in the slot of its class.
int newComponent(lua_State* L) {
    std::string className = luaL_checkstring(L, 1);
    std::string name = luaL_checkstring(L, 2);
    int type = static_cast<int>(luaL_optinteger(L, 3, -1));
    auto kind = className == "RigidBody"     ? engine::Component::RigidBodyKind
                : className == "SoundSource" ? engine::Component::SoundSourceKind
                                             : engine::Component::RenderEntityKind;
    bind::pushNewAs(L, new TestComponent(kind, name, type), lua_tostring(L, 1));
    return 1;
}

// attachBox(node, half size [, unbounded]): a stand-in render entity, a cube
// centred on the node, that joins the node's scene's spatial structure.
int attachBox(lua_State* L) {
    auto* node = bind::check<engine::Node>(L, 1);
    auto halfSize = static_cast<float>(luaL_checknumber(L, 2));
    bool unbounded = lua_toboolean(L, 3) != 0;
    node->setComponent(engine::Component::RenderEntityKind,
                       new engine::BoxEntity(engine::boxAround({}, halfSize), unbounded));
    return 0;
}

// takeEvents(): the recorded component events since the last call.
int takeEvents(lua_State* L) {
    lua_newtable(L);
    for (size_t i = 0; i < events.size(); ++i) {
        lua_pushstring(L, events[i].c_str());
        lua_rawseti(L, -2, static_cast<int>(i + 1));
    }
    events.clear();
    return 1;
}

// echo(kind, value...): reads the value as the host reads that kind, and
// gives back what the host would give a script (kinds the host never gives
// come back as plain tables).
int echo(lua_State* L) {
    std::string kind = luaL_checkstring(L, 1);
    if (kind == "vec2" || kind == "range") {
        engine::Vec2 v = kind == "vec2" ? bind::readVec2(L, 2) : bind::readRange(L, 2);
        lua_createtable(L, 2, 0);
        lua_pushnumber(L, v.x);
        lua_rawseti(L, -2, 1);
        lua_pushnumber(L, v.y);
        lua_rawseti(L, -2, 2);
    } else if (kind == "vec3") {
        bind::pushVec3(L, bind::readVec3(L, 2));
    } else if (kind == "vec3args") {
        bind::pushVec3(L, bind::readVec3Args(L, 2));
    } else if (kind == "vec4") {
        bind::pushVec4(L, bind::readVec4(L, 2));
    } else if (kind == "mat3") {
        bind::pushMat3(L, bind::readMat3(L, 2));
    } else if (kind == "mat4x3") {
        bind::pushMat4x3(L, bind::readMat4x3(L, 2));
    } else if (kind == "mat4") {
        bind::pushMat4(L, bind::readMat4(L, 2));
    } else if (kind == "box") {
        bind::pushBox(L, bind::readBox(L, 2));
    } else if (kind == "sphere") {
        engine::BoundingSphere sphere = bind::readSphere(L, 2);
        lua_createtable(L, 0, 2);
        bind::pushVec3(L, sphere.center);
        lua_setfield(L, -2, "pos");
        lua_pushnumber(L, sphere.radius);
        lua_setfield(L, -2, "radius");
    } else if (kind == "ray") {
        bind::pushRay(L, bind::readRay(L, 2));
    } else if (kind == "color") {
        bind::pushColor(L, bind::readColor(L, 2));
    } else {
        luaL_argerror(L, 1, "unknown kind");
    }
    return 1;
}

// The component classes belong to later parts of the engine; stand-ins are
// registered only where the host has none yet.
void registerStandIn(lua_State* L, const char* name, const char* base) {
    luaL_getmetatable(L, name);
    bool present = lua_istable(L, -1);
    lua_pop(L, 1);
    static bind::ClassSlot slots[8];
    static int used = 0;
    if (!present)
        bind::registerClass(L, name, base, {}, {}, slots[used++ % 8]);
}

void registerTestHooks(lua_State* L) {
    registerStandIn(L, "RenderEntity", nullptr);
    registerStandIn(L, "MeshEntity", "RenderEntity");
    registerStandIn(L, "LightEntity", "RenderEntity");
    registerStandIn(L, "ParticleEntity", "RenderEntity");
    registerStandIn(L, "RigidBody", nullptr);
    registerStandIn(L, "SoundSource", nullptr);
    const luaL_Reg hooks[] = {{"newNode", newNode},
                              {"newComponent", newComponent},
                              {"takeEvents", takeEvents},
                              {"attachBox", attachBox},
                              {"echo", echo},
                              {nullptr, nullptr}};
    luaL_register(L, "testhooks", hooks);
    lua_pop(L, 1);
}

} // namespace

int main() {
    Application app;
    app.extraRegistrations = registerTestHooks;
    app.run();
    return 0;
}
