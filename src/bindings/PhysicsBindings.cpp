// The script faces of the physics classes: engine, world, collision meshes
// and shapes, rigid bodies, materials and character controllers.
#include "bindings/Binding.h"
#include "bindings/MathValues.h"
#include "bindings/MeshBindings.h"
#include "bindings/NodeHandles.h"
#include "bindings/Registration.h"
#include "engine/physics/Physics.h"

QUILL_SCRIPT_CLASS(engine::PhysicsEngine, "PhysicsEngine")
QUILL_SCRIPT_CLASS(engine::DynamicsWorld, "DynamicsWorld")
QUILL_SCRIPT_CLASS(engine::CollisionMesh, "CollisionMesh")
QUILL_SCRIPT_CLASS(engine::CollisionShape, "CollisionShape")
QUILL_SCRIPT_CLASS(engine::RigidBody, "RigidBody")
QUILL_SCRIPT_CLASS(engine::PhysicsMaterial, "PhysicsMaterial")
QUILL_SCRIPT_CLASS(engine::CharacterController, "CharacterController")

namespace {

using engine::CharacterController;
using engine::CollisionMesh;
using engine::CollisionShape;
using engine::DynamicsWorld;
using engine::PhysicsEngine;
using engine::PhysicsMaterial;
using engine::RigidBody;
using engine::Vec3;

const bind::EnumEntry BodyFlags[] = {
    {"DisableCollision", engine::DisableCollision}, {"DisableGravity", engine::DisableGravity},
    {"FreezePosX", engine::FreezePosX},             {"FreezePosY", engine::FreezePosY},
    {"FreezePosZ", engine::FreezePosZ},             {"FreezeRotX", engine::FreezeRotX},
    {"FreezeRotY", engine::FreezeRotY},             {"FreezeRotZ", engine::FreezeRotZ},
    {nullptr, 0},
};

float checkFloat(lua_State* L, int index) {
    return static_cast<float>(luaL_checknumber(L, index));
}

int32_t checkInt(lua_State* L, int index) {
    return static_cast<int32_t>(luaL_checkinteger(L, index));
}

// --- PhysicsEngine ---

int active(lua_State* L) {
    bind::push(L, &PhysicsEngine::required());
    return 1;
}

// --- DynamicsWorld ---

DynamicsWorld* world(lua_State* L, int index = 1) {
    return bind::check<DynamicsWorld>(L, index);
}

int createWorld(lua_State* L) {
    bind::pushNew(L, PhysicsEngine::required().createDynamicsWorld());
    return 1;
}

int setGravity(lua_State* L) {
    world(L)->setGravity(bind::readVec3Args(L, 2));
    return 0;
}

// Both group operations take every argument before they judge the groups.
template <void (DynamicsWorld::*Operation)(int32_t, int32_t, bool)>
int enableForGroups(lua_State* L) {
    DynamicsWorld* self = world(L);
    int32_t group1 = checkInt(L, 2);
    int32_t group2 = checkInt(L, 3);
    bool enable = bind::checkBoolean(L, 4);
    if (group1 == group2)
        return luaL_error(L, "group1 must not be same as group2");
    (self->*Operation)(group1, group2, enable);
    return 0;
}

int raycastAnyShape(lua_State* L) {
    DynamicsWorld* self = world(L);
    engine::Ray ray = bind::readRay(L, 2);
    float maxDistance = checkFloat(L, 3);
    auto group = static_cast<int32_t>(luaL_optinteger(L, 4, -1));
    lua_pushboolean(L, self->raycastAnyShape(ray, maxDistance, group));
    return 1;
}

int getContactReport(lua_State* L) {
    const engine::ContactReport* report = world(L)->getContactReport();
    if (!report) {
        lua_pushnil(L);
        return 1;
    }
    lua_createtable(L, 0, 3);
    bind::pushNode(L, report->node1);
    lua_setfield(L, -2, "node1");
    bind::pushNode(L, report->node2);
    lua_setfield(L, -2, "node2");
    bind::pushVec3(L, report->sumNormalForce);
    lua_setfield(L, -2, "sumNormalForce");
    return 1;
}

// --- CollisionMesh ---

int createCollisionMesh(lua_State* L) {
    engine::Mesh* mesh = bind::check<engine::Mesh>(L, 1);
    bind::pushNew(L, CollisionMesh::fromMesh(*mesh));
    return 1;
}

int loadCollisionMesh(lua_State* L) {
    bind::push(L, CollisionMesh::loadByName(bind::checkString(L, 1)));
    return 1;
}

// --- CollisionShape ---

// Shapes are records; their script classes say which kind they are.
bind::ClassSlot planeShapeSlot{"PlaneShape"};
bind::ClassSlot boxShapeSlot{"BoxShape"};
bind::ClassSlot sphereShapeSlot{"SphereShape"};
bind::ClassSlot meshShapeSlot{"MeshShape"};

int createPlane(lua_State* L) {
    auto* shape = new CollisionShape;
    shape->type = CollisionShape::Plane;
    shape->vector = bind::readVec3(L, 1);
    shape->number = checkFloat(L, 2);
    bind::pushNewAs(L, shape, "PlaneShape");
    return 1;
}

int createBox(lua_State* L) {
    auto* shape = new CollisionShape;
    shape->type = CollisionShape::Box;
    shape->vector = bind::readVec3(L, 1);
    bind::pushNewAs(L, shape, "BoxShape");
    return 1;
}

int createSphere(lua_State* L) {
    float radius = checkFloat(L, 1);
    auto* shape = new CollisionShape;
    shape->type = CollisionShape::Sphere;
    shape->number = radius;
    bind::pushNewAs(L, shape, "SphereShape");
    return 1;
}

int createMeshShape(lua_State* L) {
    CollisionMesh* mesh = bind::check<CollisionMesh>(L, 1);
    auto* shape = new CollisionShape;
    shape->type = CollisionShape::MeshShape;
    shape->mesh = core::CountedRef<CollisionMesh>(mesh);
    bind::pushNewAs(L, shape, "MeshShape");
    return 1;
}

// --- RigidBody ---

RigidBody* body(lua_State* L) {
    return bind::check<RigidBody>(L, 1);
}

int createBody(lua_State* L) {
    DynamicsWorld* self = world(L);
    CollisionShape* shape = bind::check<CollisionShape>(L, 2);
    engine::BodyParameters parameters;
    std::string type = bind::checkString(L, 3);
    if (type == "static")
        parameters.type = engine::BodyType::Static;
    else if (type == "dynamic")
        parameters.type = engine::BodyType::Dynamic;
    else
        return luaL_argerror(L, 3, "invalid body type");
    parameters.mass = checkFloat(L, 4);
    if (parameters.type == engine::BodyType::Dynamic && parameters.mass <= 0)
        return luaL_argerror(L, 4, "invalid mass");
    parameters.group = checkInt(L, 5);
    bind::pushNew(L, self->createRigidBody(*shape, parameters));
    return 1;
}

int setMaterial(lua_State* L) {
    body(L)->setMaterial(bind::check<PhysicsMaterial>(L, 2));
    return 0;
}

int getMaterial(lua_State* L) {
    bind::push(L, body(L)->getMaterial());
    return 1;
}

int setBodyFlag(lua_State* L) {
    RigidBody* self = body(L);
    int flag = bind::checkEnum(L, 2, BodyFlags);
    self->setBodyFlag(flag, bind::checkBoolean(L, 3));
    return 0;
}

template <void (RigidBody::*Setter)(const Vec3&)>
int setBodyVector(lua_State* L) {
    (body(L)->*Setter)(bind::readVec3Args(L, 2));
    return 0;
}

template <Vec3 (RigidBody::*Getter)() const>
int getBodyVector(lua_State* L) {
    bind::pushVec3(L, (body(L)->*Getter)());
    return 1;
}

template <void (RigidBody::*Setter)(float)>
int setBodyNumber(lua_State* L) {
    (body(L)->*Setter)(checkFloat(L, 2));
    return 0;
}

template <float (RigidBody::*Getter)() const>
int getBodyNumber(lua_State* L) {
    lua_pushnumber(L, (body(L)->*Getter)());
    return 1;
}

// --- PhysicsMaterial ---

int createMaterial(lua_State* L) {
    bind::pushNew(L, world(L)->createPhysicsMaterial());
    return 1;
}

template <void (PhysicsMaterial::*Setter)(float)>
int setMaterialNumber(lua_State* L) {
    (bind::check<PhysicsMaterial>(L, 1)->*Setter)(checkFloat(L, 2));
    return 0;
}

template <float (PhysicsMaterial::*Getter)() const>
int getMaterialNumber(lua_State* L) {
    lua_pushnumber(L, (bind::check<PhysicsMaterial>(L, 1)->*Getter)());
    return 1;
}

// --- CharacterController ---

CharacterController* controller(lua_State* L) {
    return bind::check<CharacterController>(L, 1);
}

int createController(lua_State* L) {
    DynamicsWorld* self = world(L);
    engine::Node* node = bind::check<engine::Node>(L, 2);
    float first = checkFloat(L, 3);
    float second = checkFloat(L, 4);
    bind::pushNew(L, self->createCharacterController(node, first, second));
    return 1;
}

int setControllerPosition(lua_State* L) {
    controller(L)->setPosition(bind::readVec3Args(L, 2));
    return 0;
}

int getControllerPosition(lua_State* L) {
    bind::pushVec3(L, controller(L)->getPosition());
    return 1;
}

int move(lua_State* L) {
    CharacterController* self = controller(L);
    Vec3 displacement = bind::readVec3(L, 2);
    if (!lua_istable(L, 3)) {
        self->move(displacement, nullptr);
        return 0;
    }
    engine::MoveResult result;
    self->move(displacement, &result);
    lua_pushboolean(L, result.collisionSides);
    lua_setfield(L, 3, "CollisionSides");
    lua_pushboolean(L, result.collisionUp);
    lua_setfield(L, 3, "CollisionUp");
    lua_pushboolean(L, result.collisionDown);
    lua_setfield(L, 3, "CollisionDown");
    int count = result.contactCount < engine::MoveResult::MaxContacts ? result.contactCount
                                                                        : engine::MoveResult::MaxContacts;
    for (int i = 0; i < count; ++i) {
        const engine::MoveResult::Contact& contact = result.contacts[i];
        lua_createtable(L, 0, 3);
        bind::pushVec3(L, contact.position);
        lua_setfield(L, -2, "position");
        bind::pushVec3(L, contact.normal);
        lua_setfield(L, -2, "normal");
        bind::pushNode(L, contact.node);
        lua_setfield(L, -2, "node");
        lua_rawseti(L, 3, i + 1);
    }
    return 0;
}

int draw(lua_State* L) {
    controller(L)->draw();
    return 0;
}

} // namespace

void registerPhysics(lua_State* L) {
    using bind::guarded;
    bind::registerClass<PhysicsEngine>(L, nullptr, {{"active", guarded<active>}});
    bind::registerClass<DynamicsWorld>(
        L, nullptr,
        {
            {"create", guarded<createWorld>},
            {"setGravity", guarded<setGravity>},
            {"enableCollisions", guarded<enableForGroups<&DynamicsWorld::enableCollisions>>},
            {"enableContactReporting", guarded<enableForGroups<&DynamicsWorld::enableContactReporting>>},
            {"raycastAnyShape", guarded<raycastAnyShape>},
            {"getContactReport", guarded<getContactReport>},
        });
    bind::registerClass<CollisionMesh>(L, nullptr,
                                       {
                                           {"create", guarded<createCollisionMesh>},
                                           {"load", guarded<loadCollisionMesh>},
                                       });
    bind::registerClass<CollisionShape>(L, nullptr,
                                        {
                                            {"createPlane", guarded<createPlane>},
                                            {"createBox", guarded<createBox>},
                                            {"createSphere", guarded<createSphere>},
                                            {"createMesh", guarded<createMeshShape>},
                                        });
    for (bind::ClassSlot* slot : {&planeShapeSlot, &boxShapeSlot, &sphereShapeSlot, &meshShapeSlot})
        bind::registerClass(L, slot->name, "CollisionShape", {}, {}, *slot);
    bind::registerClass<RigidBody>(
        L, nullptr,
        {
            {"create", guarded<createBody>},
            {"setMaterial", guarded<setMaterial>},
            {"setMass", guarded<setBodyNumber<&RigidBody::setMass>>},
            {"setCenterOfMassOffset", guarded<setBodyVector<&RigidBody::setCenterOfMassOffset>>},
            {"setBodyFlag", guarded<setBodyFlag>},
            {"setPosition", guarded<setBodyVector<&RigidBody::setPosition>>},
            {"setLinearVelocity", guarded<setBodyVector<&RigidBody::setLinearVelocity>>},
            {"setAngularVelocity", guarded<setBodyVector<&RigidBody::setAngularVelocity>>},
            {"setLinearDamping", guarded<setBodyNumber<&RigidBody::setLinearDamping>>},
            {"setAngularDamping", guarded<setBodyNumber<&RigidBody::setAngularDamping>>},
            {"getMaterial", guarded<getMaterial>},
            {"getMass", guarded<getBodyNumber<&RigidBody::getMass>>},
            bind::vecMethod<guarded<getBodyVector<&RigidBody::getPosition>>, 1, true>("getPosition"),
            bind::vecMethod<guarded<getBodyVector<&RigidBody::getLinearVelocity>>, 1, true>("getLinearVelocity"),
            bind::vecMethod<guarded<getBodyVector<&RigidBody::getAngularVelocity>>, 1, true>("getAngularVelocity"),
            {"getLinearDamping", guarded<getBodyNumber<&RigidBody::getLinearDamping>>},
            {"getAngularDamping", guarded<getBodyNumber<&RigidBody::getAngularDamping>>},
            {"addForce", guarded<setBodyVector<&RigidBody::addForce>>},
            {"addVelocity", guarded<setBodyVector<&RigidBody::addVelocity>>},
        },
        {"Material", "Mass", "Position", "LinearVelocity", "AngularVelocity", "LinearDamping", "AngularDamping"});
    bind::registerClass<PhysicsMaterial>(
        L, nullptr,
        {
            {"create", guarded<createMaterial>},
            {"setRestitution", guarded<setMaterialNumber<&PhysicsMaterial::setRestitution>>},
            {"setStaticFriction", guarded<setMaterialNumber<&PhysicsMaterial::setStaticFriction>>},
            {"setDynamicFriction", guarded<setMaterialNumber<&PhysicsMaterial::setDynamicFriction>>},
            {"getRestitution", guarded<getMaterialNumber<&PhysicsMaterial::getRestitution>>},
            {"getStaticFriction", guarded<getMaterialNumber<&PhysicsMaterial::getStaticFriction>>},
            {"getDynamicFriction", guarded<getMaterialNumber<&PhysicsMaterial::getDynamicFriction>>},
        },
        {"Restitution", "StaticFriction", "DynamicFriction"});
    bind::registerClass<CharacterController>(L, nullptr,
                                             {
                                                 {"create", guarded<createController>},
                                                 {"setPosition", guarded<setControllerPosition>},
                                                 bind::vecMethod<guarded<getControllerPosition>, 1, true>("getPosition"),
                                                 {"move", guarded<move>},
                                                 {"draw", guarded<draw>},
                                             });
}
