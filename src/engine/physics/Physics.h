#pragma once

// The physics interfaces: engine, dynamics world, rigid body, physics
// material, character controller and collision mesh, with the plain records
// they exchange. Scripts reach them through the engine the engine systems
// made. Only the inert engine exists (PhysicsNull.h): it accepts every call,
// stores nothing and simulates nothing.

#include "core/RefRegistry.h"
#include "engine/scene/Bounds.h"
#include "engine/scene/Component.h"

#include <cstdint>
#include <string>

namespace engine {

class Mesh;
class Node;
class CollisionMesh;

enum class PhysicsEngineKind { Null = 0, PhysX = 1 };

// A collision shape: its type and the data that type uses.
struct CollisionShape {
    enum Type { Plane = 0, Box = 1, Sphere = 2, MeshShape = 3 };

    Type type = Plane;
    Vec3 vector;             // the plane's normal or the box's size
    float number = 0;        // the plane's distance or the sphere's radius
    // Counted, so that a shape outlives no mesh it names.
    core::CountedRef<CollisionMesh> mesh;
};

enum class BodyType { Static = 0, Dynamic = 1 };

struct BodyParameters {
    BodyType type = BodyType::Static;
    float mass = 0;
    int32_t group = 0;
};

// Bits of RigidBody::setBodyFlag.
enum BodyFlag : int32_t {
    DisableCollision = 1,
    DisableGravity = 2,
    FreezePosX = 4,
    FreezePosY = 8,
    FreezePosZ = 16,
    FreezeRotX = 32,
    FreezeRotY = 64,
    FreezeRotZ = 128,
};

struct ContactReport {
    Node* node1 = nullptr;
    Node* node2 = nullptr;
    Vec3 sumNormalForce;
};

// What a character controller's move met.
struct MoveResult {
    static constexpr int MaxContacts = 32;
    struct Contact {
        Node* node = nullptr;
        Vec3 position;
        Vec3 normal;
    };

    bool collisionSides = false;
    bool collisionUp = false;
    bool collisionDown = false;
    Contact contacts[MaxContacts];
    int32_t contactCount = 0;
};

class PhysicsMaterial {
public:
    virtual ~PhysicsMaterial() = default;
    virtual void setRestitution(float value) = 0;
    virtual void setStaticFriction(float value) = 0;
    virtual void setDynamicFriction(float value) = 0;
    virtual float getRestitution() const = 0;
    virtual float getStaticFriction() const = 0;
    virtual float getDynamicFriction() const = 0;
};

// A body in a node's rigid-body slot.
class RigidBody : public Component {
public:
    RigidBody() : Component(RigidBodyKind) {}

    virtual void setMaterial(PhysicsMaterial* material) = 0;
    virtual void setMass(float mass) = 0;
    virtual void setCenterOfMassOffset(const Vec3& offset) = 0;
    virtual void setBodyFlag(int32_t flag, bool on) = 0;
    virtual void setPosition(const Vec3& position) = 0;
    virtual void setLinearVelocity(const Vec3& velocity) = 0;
    virtual void setAngularVelocity(const Vec3& velocity) = 0;
    virtual void setLinearDamping(float damping) = 0;
    virtual void setAngularDamping(float damping) = 0;
    virtual PhysicsMaterial* getMaterial() const = 0;
    virtual float getMass() const = 0;
    virtual Vec3 getPosition() const = 0;
    virtual Vec3 getLinearVelocity() const = 0;
    virtual Vec3 getAngularVelocity() const = 0;
    virtual float getLinearDamping() const = 0;
    virtual float getAngularDamping() const = 0;
    virtual void addForce(const Vec3& force) = 0;
    virtual void addVelocity(const Vec3& velocity) = 0;
};

class CharacterController {
public:
    virtual ~CharacterController() = default;
    virtual void setPosition(const Vec3& position) = 0;
    virtual Vec3 getPosition() const = 0;
    // result may be null.
    virtual void move(const Vec3& displacement, MoveResult* result) = 0;
    virtual void draw() = 0;
};

// Collision geometry built from a mesh or loaded from a file. Every one is in
// the process-wide registry from construction to destruction.
class CollisionMesh {
public:
    CollisionMesh();
    virtual ~CollisionMesh();
    CollisionMesh(const CollisionMesh&) = delete;
    CollisionMesh& operator=(const CollisionMesh&) = delete;

    virtual void buildFromMesh(Mesh& mesh, int32_t flag) = 0;
    virtual void load(const std::string& fileName) = 0;

    const std::string& name() const { return m_name; }

    // The first registered mesh with exactly this name, or null.
    static CollisionMesh* find(const std::string& name);
    // A registered mesh of this name, or a new one loaded through the current
    // engine. Throws "engine not initialized" without an engine.
    static CollisionMesh* loadByName(const std::string& name);
    static CollisionMesh* fromMesh(Mesh& mesh);

protected:
    std::string m_name;  // empty until an implementation's load sets it
};

class DynamicsWorld {
public:
    virtual ~DynamicsWorld() = default;
    virtual RigidBody* createRigidBody(const CollisionShape& shape, const BodyParameters& parameters) = 0;
    virtual PhysicsMaterial* createPhysicsMaterial() = 0;
    virtual CharacterController* createCharacterController(Node* node, float first, float second) = 0;
    virtual void setGravity(const Vec3& gravity) = 0;
    virtual void enableCollisions(int32_t group1, int32_t group2, bool enable) = 0;
    virtual void enableContactReporting(int32_t group1, int32_t group2, bool enable) = 0;
    virtual bool raycastAnyShape(const Ray& ray, float maxDistance, int32_t group) = 0;
    // Brackets a frame's rendering: the simulation runs between the two.
    virtual void beginSimulation() = 0;
    virtual void endSimulation() = 0;
    // The contact to report, or null.
    virtual const ContactReport* getContactReport() = 0;
};

class PhysicsEngine {
public:
    // The engine of the process, made by createPhysicsEngine; null before that.
    static PhysicsEngine* current();
    // The same, or the host error "engine not initialized".
    static PhysicsEngine& required();

    PhysicsEngine();
    virtual ~PhysicsEngine();
    PhysicsEngine(const PhysicsEngine&) = delete;
    PhysicsEngine& operator=(const PhysicsEngine&) = delete;

    virtual DynamicsWorld* createDynamicsWorld() = 0;
    virtual CollisionMesh* createCollisionMesh() = 0;
};

// Builds the engine of the kind and makes it current; throws core::Exception
// "Invalid physics engine" for a kind without an implementation.
PhysicsEngine* createPhysicsEngine(PhysicsEngineKind kind);

} // namespace engine
