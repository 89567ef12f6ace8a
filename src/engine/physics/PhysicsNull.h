#pragma once

// The inert physics engine: every call returns at once, setters keep nothing
// and getters answer zero.

#include "engine/physics/Physics.h"

namespace engine {

class PhysicsMaterialNull final : public PhysicsMaterial {
public:
    void setRestitution(float) override {}
    void setStaticFriction(float) override {}
    void setDynamicFriction(float) override {}
    float getRestitution() const override { return 0; }
    float getStaticFriction() const override { return 0; }
    float getDynamicFriction() const override { return 0; }
};

class RigidBodyNull final : public RigidBody {
public:
    void setMaterial(PhysicsMaterial*) override {}
    void setMass(float) override {}
    void setCenterOfMassOffset(const Vec3&) override {}
    void setBodyFlag(int32_t, bool) override {}
    void setPosition(const Vec3&) override {}
    void setLinearVelocity(const Vec3&) override {}
    void setAngularVelocity(const Vec3&) override {}
    void setLinearDamping(float) override {}
    void setAngularDamping(float) override {}
    PhysicsMaterial* getMaterial() const override { return nullptr; }
    float getMass() const override { return 0; }
    Vec3 getPosition() const override { return {}; }
    Vec3 getLinearVelocity() const override { return {}; }
    Vec3 getAngularVelocity() const override { return {}; }
    float getLinearDamping() const override { return 0; }
    float getAngularDamping() const override { return 0; }
    void addForce(const Vec3&) override {}
    void addVelocity(const Vec3&) override {}
};

class CharacterControllerNull final : public CharacterController {
public:
    void setPosition(const Vec3&) override {}
    Vec3 getPosition() const override { return {}; }
    void move(const Vec3&, MoveResult*) override {}
    void draw() override {}
};

class CollisionMeshNull final : public CollisionMesh {
public:
    void buildFromMesh(Mesh&, int32_t) override {}
    void load(const std::string&) override {}
};

class DynamicsWorldNull final : public DynamicsWorld {
public:
    RigidBody* createRigidBody(const CollisionShape&, const BodyParameters&) override { return new RigidBodyNull; }
    PhysicsMaterial* createPhysicsMaterial() override { return new PhysicsMaterialNull; }
    CharacterController* createCharacterController(Node*, float, float) override {
        return new CharacterControllerNull;
    }
    void setGravity(const Vec3&) override {}
    void enableCollisions(int32_t, int32_t, bool) override {}
    void enableContactReporting(int32_t, int32_t, bool) override {}
    bool raycastAnyShape(const Ray&, float, int32_t) override { return false; }
    void beginSimulation() override {}
    void endSimulation() override {}
    const ContactReport* getContactReport() override { return nullptr; }
};

class PhysicsEngineNull final : public PhysicsEngine {
public:
    DynamicsWorld* createDynamicsWorld() override { return new DynamicsWorldNull; }
    CollisionMesh* createCollisionMesh() override { return new CollisionMeshNull; }
};

} // namespace engine
