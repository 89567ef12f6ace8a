#pragma once

// The index a scene keeps of its render entities, by world bounding box, and
// the interfaces it is built on. Queries report the owning nodes through a
// visitor, so a caller decides what to gather.

#include "engine/scene/Bounds.h"
#include "engine/scene/Component.h"

namespace engine {

class Node;

class NodeVisitor {
public:
    virtual void visit(Node* node) = 0;

protected:
    ~NodeVisitor() = default;
};

// What a spatial structure needs of a render entity.
class SpatialEntity {
public:
    virtual Node* spatialOwner() const = 0;
    // Unbounded entities (ambient and directional lights) pass every query.
    virtual bool isUnbounded() const = 0;
    virtual BoundingBox worldBoundingBox() = 0;
    // Bounds that change without the owner moving (a skinned mesh follows its
    // bone nodes, which need not be below the owner): structures that keep
    // boxes ask again before every query.
    virtual bool hasPoseBounds() const { return false; }

protected:
    ~SpatialEntity() = default;
};

// One entity's entry in a structure; update() is called when its node moves.
class SpatialNode : public SpatialRecord {
public:
    explicit SpatialNode(SpatialEntity* entity) : m_entity(entity) {}
    virtual ~SpatialNode() = default;
    SpatialNode(const SpatialNode&) = delete;
    SpatialNode& operator=(const SpatialNode&) = delete;

    SpatialEntity* entity() const { return m_entity; }

private:
    SpatialEntity* m_entity;
};

class SpatialDS {
public:
    virtual ~SpatialDS() = default;

    virtual SpatialNode* createRecord(SpatialEntity* entity) = 0;
    virtual void destroyRecord(SpatialNode* record) = 0;

    // Inside a plane is n·p >= d.
    virtual void queryFrustum(const Plane* planes, int count, NodeVisitor& visitor) = 0;
    virtual void queryRay(const Ray& ray, NodeVisitor& visitor) = 0;
    virtual void querySphere(const BoundingSphere& sphere, NodeVisitor& visitor) = 0;
    virtual void queryBox(const BoundingBox& box, NodeVisitor& visitor) = 0;
};

// The four query shapes as one test on a box, so each structure writes its
// walk once.
struct SpatialTest {
    enum Kind { Frustum, Ray, Sphere, Box };
    explicit SpatialTest(Kind testKind) : kind(testKind) {}

    Kind kind;
    const Plane* planes = nullptr;
    int planeCount = 0;
    engine::Ray ray;
    BoundingSphere sphere;
    BoundingBox box;

    bool passes(const BoundingBox& b) const {
        switch (kind) {
        case Frustum:
            return insidePlanes(planes, planeCount, b);
        case Ray:
            return intersects(ray, b);
        case Sphere:
            return intersects(sphere, b);
        case Box:
            return intersects(box, b);
        }
        return false;
    }
};

// A structure that runs every query through one walk.
class SpatialDSBase : public SpatialDS {
public:
    void queryFrustum(const Plane* planes, int count, NodeVisitor& visitor) override {
        SpatialTest test(SpatialTest::Frustum);
        test.planes = planes;
        test.planeCount = count;
        query(test, visitor);
    }
    void queryRay(const Ray& ray, NodeVisitor& visitor) override {
        SpatialTest test(SpatialTest::Ray);
        test.ray = ray;
        query(test, visitor);
    }
    void querySphere(const BoundingSphere& sphere, NodeVisitor& visitor) override {
        SpatialTest test(SpatialTest::Sphere);
        test.sphere = sphere;
        query(test, visitor);
    }
    void queryBox(const BoundingBox& box, NodeVisitor& visitor) override {
        SpatialTest test(SpatialTest::Box);
        test.box = box;
        query(test, visitor);
    }

protected:
    virtual void query(const SpatialTest& test, NodeVisitor& visitor) = 0;
};

} // namespace engine
