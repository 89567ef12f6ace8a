#pragma once

// The component that makes a node visible to the renderer. While its node is
// in a scene the entity has a record in the scene's spatial structure, so the
// renderer finds it by its world bounds; unbounded entities pass every query.

#include "engine/scene/SpatialDS.h"

namespace engine {

class RenderEntity : public Component, public SpatialEntity {
public:
    enum Type { MeshEntityType = 0, LightEntityType = 1, ParticleEntityType = 2 };

    ~RenderEntity() override;

    // Joins the node's scene's spatial structure, when the node is in a scene.
    void attach(Node* node) override;
    // Leaves the spatial structure.
    void detach() override;

    // An all-zero box for unbounded entities.
    virtual BoundingBox getWorldBounds() = 0;
    // Queues the entity's debug shape.
    virtual void debugDraw() = 0;

    int entityType() const override { return m_type; }
    SpatialRecord* spatialRecord() const override { return m_record; }
    bool unbounded() const { return m_unbounded; }

    bool drawBoundBox() const { return m_drawBoundBox; }
    void setDrawBoundBox(bool draw) { m_drawBoundBox = draw; }
    bool hidden() const { return m_hidden; }
    void setHidden(bool hidden) { m_hidden = hidden; }
    // Added to the view depth when transparent entities are sorted.
    float sortOffset() const { return m_sortOffset; }
    void setSortOffset(float offset) { m_sortOffset = offset; }

    // What the spatial structures read.
    Node* spatialOwner() const override { return node(); }
    bool isUnbounded() const override { return m_unbounded; }
    BoundingBox worldBoundingBox() override { return getWorldBounds(); }

protected:
    RenderEntity(Type type, bool unbounded) : Component(RenderEntityKind), m_unbounded(unbounded), m_type(type) {}

    // The node's world transform, or identity while the entity has no node.
    Mat4x3 worldTransform() const;
    // Tells the spatial structure that the bounds changed.
    void boundsChanged();
    // The options every entity has (bound box drawing, hidden, sort offset).
    void copyOptionsFrom(const RenderEntity& other) {
        m_drawBoundBox = other.m_drawBoundBox;
        m_hidden = other.m_hidden;
        m_sortOffset = other.m_sortOffset;
    }

    bool m_unbounded;

private:
    SpatialNode* m_record = nullptr;
    Type m_type;
    bool m_drawBoundBox = false;
    bool m_hidden = false;
    float m_sortOffset = 0;
};

} // namespace engine
