#pragma once

// What a node can carry: a render entity, a rigid body or a sound source, each
// in its own slot. Components are shared through counted references, so a
// script handle and the node that carries a component keep it alive together.

namespace engine {

class Node;

// An entry in a scene's spatial structure; told when its node has moved.
class SpatialRecord {
public:
    virtual void update() = 0;

protected:
    ~SpatialRecord() = default;
};

class Component {
public:
    // The slot a component goes into.
    enum Kind { RenderEntityKind = 0, RigidBodyKind = 1, SoundSourceKind = 2 };

    explicit Component(Kind kind) : m_kind(kind) {}
    virtual ~Component() = default;
    Component(const Component&) = delete;
    Component& operator=(const Component&) = delete;

    // Called after the component has been placed in a node's slot.
    virtual void attach(Node* node) { (void)node; }
    // Called before the component leaves its slot.
    virtual void detach() {}

    // Render entities report their entity type (0 mesh, 1 light, 2 particle)
    // and, while attached in a scene, their spatial record.
    virtual int entityType() const { return -1; }
    virtual SpatialRecord* spatialRecord() const { return nullptr; }

    Node* node() const { return m_node; }
    Kind kind() const { return m_kind; }

private:
    friend class Node;
    Node* m_node = nullptr;
    Kind m_kind;
};

} // namespace engine
