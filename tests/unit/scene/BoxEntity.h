#pragma once

// A stand-in render entity: a box in its node's space, or unbounded. It joins
// its scene's spatial structure on attach as render entities do.

#include "engine/scene/Scene.h"

namespace engine {

struct BoxEntity final : Component, SpatialEntity {
    BoundingBox localBox;
    bool unbounded = false;
    SpatialDS* structure = nullptr;
    SpatialNode* record = nullptr;

    explicit BoxEntity(const BoundingBox& box, bool isUnbounded = false)
        : Component(RenderEntityKind), localBox(box), unbounded(isUnbounded) {}

    void attach(Node* node) override {
        if (node->scene())
            join(node->scene()->spatial());
    }
    void detach() override {
        if (record)
            structure->destroyRecord(record);
        record = nullptr;
    }
    void join(SpatialDS& spatial) {
        structure = &spatial;
        record = spatial.createRecord(this);
    }
    int entityType() const override { return 0; }
    SpatialRecord* spatialRecord() const override { return record; }

    Node* spatialOwner() const override { return node(); }
    bool isUnbounded() const override { return unbounded; }
    BoundingBox worldBoundingBox() override { return transform(localBox, node()->worldTransform()); }
};

inline BoundingBox boxAround(const Vec3& center, float halfSize) {
    Vec3 h{halfSize, halfSize, halfSize};
    return {center - h, center + h};
}

// A scene node carrying a box entity centred on the node.
inline Node* addBox(Scene& scene, const Vec3& position, float halfSize, bool unbounded = false) {
    Node* node = scene.addNode();
    node->setPosition(position);
    node->setComponent(Component::RenderEntityKind, new BoxEntity(boxAround({}, halfSize), unbounded));
    return node;
}

} // namespace engine
