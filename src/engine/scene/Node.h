#pragma once

// A named transform in the scene graph. The local transform is the truth; the
// world transform and its inverse are caches recomputed on demand, and every
// change marks the node and its whole subtree stale at once.

#include "core/RefRegistry.h"
#include "engine/scene/Component.h"
#include "engine/scene/Matrix.h"

#include <string>

namespace engine {

class Scene;

class Node {
public:
    static constexpr int ComponentSlots = 3;

    Node() = default;
    explicit Node(Scene* scene) : m_scene(scene) {}
    // Leaves the parent, turns the children into roots and lets go of the
    // components. Virtual: cameras and listeners are deleted through Node.
    virtual ~Node();
    Node(const Node&) = delete;
    Node& operator=(const Node&) = delete;

    // --- hierarchy ---

    // Appends this node to the parent's children; no effect when it is already there.
    void addTo(Node* parent);
    // Unlinks from the parent; the node becomes a root.
    void remove();
    // Depth-first, this node first, children in order; null when none matches.
    Node* findNode(const std::string& name);

    Node* parent() const { return m_parent; }
    Node* firstChild() const { return m_firstChild; }
    Node* lastChild() const { return m_lastChild; }
    Node* nextSibling() const { return m_nextSibling; }
    Node* previousSibling() const { return m_previousSibling; }
    Scene* scene() const { return m_scene; }

    const std::string& name() const { return m_name; }
    void setName(const std::string& name) { m_name = name; }

    // --- local transform ---

    const Mat4x3& transform() const { return m_local; }
    const Vec3& position() const { return m_local.pos; }
    const Mat3& rotation() const { return m_local.rot; }

    void setPosition(const Vec3& position);
    void setRotation(const Mat3& rotation);
    void setRotation(float ax, float ay, float az, RotationOrder order);
    void setTransform(const Mat4x3& transform);
    // Moves in the parent's space.
    void move(const Vec3& delta);
    // Rotates about the parent's axes: rotation = rotation × m.
    void rotate(const Mat3& m);
    // Rotates about the node's own axis 0, 1 or 2: rotation = R(angle) × rotation.
    void rotateAbout(int axis, float angle);
    // local = local × t
    void transform(const Mat4x3& t);
    // Turns the local +Z axis toward a world point; the position stays.
    void lookAt(const Vec3& target);

    // --- world transform (recomputed when stale) ---

    const Mat4x3& worldTransform();
    const Mat4x3& worldInverse();
    Vec3 worldPosition() { return worldTransform().pos; }
    Mat3 worldRotation() { return worldTransform().rot; }

    // --- components ---

    // Detaches the old component, then attaches the new one (either may be null).
    void setComponent(int slot, Component* component);
    Component* component(int slot) const { return m_components[slot].get(); }
    // The render entity when it is a mesh (type 0) or light (type 1), else null.
    Component* meshEntity() const { return m_meshEntity; }
    Component* lightEntity() const { return m_lightEntity; }
    SpatialRecord* spatialRecord() const { return m_spatialRecord; }

    // --- destruction notice ---

    // Holders of plain node pointers outside the hierarchy (an animation
    // controller's node table) mark the nodes they hold; a marked node tells
    // every registered watcher before it goes, so nothing keeps a dangling
    // pointer. Unmarked nodes cost nothing.
    using DestructionWatcher = void (*)(Node* node);
    static void addDestructionWatcher(DestructionWatcher watcher);
    void markWatched() { m_watched = true; }

protected:
    // Called whenever the world transform goes stale; cameras drop derived matrices here.
    virtual void transformChanged() {}

private:
    void invalidate();
    Node* nextInSubtree(const Node* root) const;
    void updateWorld();
    void computeWorld();
    void unlink();

    std::string m_name;
    Node* m_parent = nullptr;
    Node* m_nextSibling = nullptr;
    Node* m_previousSibling = nullptr;
    Node* m_firstChild = nullptr;
    Node* m_lastChild = nullptr;
    Mat4x3 m_local;
    Mat4x3 m_world;
    Mat4x3 m_worldInverse;
    bool m_worldValid = false;
    core::CountedRef<Component> m_components[ComponentSlots];
    Component* m_meshEntity = nullptr;
    Component* m_lightEntity = nullptr;
    Scene* const m_scene = nullptr;
    SpatialRecord* m_spatialRecord = nullptr;
    bool m_watched = false;
};

} // namespace engine
