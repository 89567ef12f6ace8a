#include "engine/scene/Node.h"

#include "core/Exception.h"

#include <vector>

namespace engine {

// The node after this one in a pre-order walk of root's subtree, or null at
// the end. Sibling links stand in for a stack, so deep chains cost no recursion.
Node* Node::nextInSubtree(const Node* root) const {
    if (m_firstChild)
        return m_firstChild;
    const Node* node = this;
    while (node != root && !node->m_nextSibling)
        node = node->m_parent;
    return node == root ? nullptr : node->m_nextSibling;
}

namespace {

std::vector<Node::DestructionWatcher>& destructionWatchers() {
    static auto* watchers = new std::vector<Node::DestructionWatcher>;
    return *watchers;
}

} // namespace

void Node::addDestructionWatcher(DestructionWatcher watcher) {
    destructionWatchers().push_back(watcher);
}

Node::~Node() {
    if (m_watched)
        for (DestructionWatcher watcher : destructionWatchers())
            watcher(this);
    unlink();
    while (Node* child = m_firstChild)
        child->remove();
    for (core::CountedRef<Component>& slot : m_components) {
        if (Component* component = slot.get()) {
            component->detach();
            component->m_node = nullptr;
        }
        slot.reset();
    }
    m_meshEntity = nullptr;
    m_lightEntity = nullptr;
    m_spatialRecord = nullptr;
}

void Node::unlink() {
    if (!m_parent)
        return;
    (m_previousSibling ? m_previousSibling->m_nextSibling : m_parent->m_firstChild) = m_nextSibling;
    (m_nextSibling ? m_nextSibling->m_previousSibling : m_parent->m_lastChild) = m_previousSibling;
    m_parent = nullptr;
    m_nextSibling = nullptr;
    m_previousSibling = nullptr;
}

void Node::addTo(Node* parent) {
    if (parent == m_parent)
        return;
    // A node inside its own subtree would make every walk of the tree endless.
    // Only a node with children can meet itself above the new parent, so
    // growing a chain at its tip stays linear.
    bool loops = parent == this;
    for (const Node* ancestor = parent; m_firstChild && ancestor && !loops; ancestor = ancestor->m_parent)
        loops = ancestor == this;
    if (loops)
        throw core::Exception("a node cannot be added to itself or to one of its descendants");
    unlink();
    if (parent) {
        m_parent = parent;
        m_previousSibling = parent->m_lastChild;
        (m_previousSibling ? m_previousSibling->m_nextSibling : parent->m_firstChild) = this;
        parent->m_lastChild = this;
    }
    invalidate();
}

void Node::remove() {
    unlink();
    invalidate();
}

Node* Node::findNode(const std::string& name) {
    for (Node* node = this; node; node = node->nextInSubtree(this)) {
        if (node->m_name == name)
            return node;
    }
    return nullptr;
}

void Node::setPosition(const Vec3& position) {
    m_local.pos = position;
    invalidate();
}

void Node::setRotation(const Mat3& rotation) {
    m_local.rot = rotation;
    invalidate();
}

void Node::setRotation(float ax, float ay, float az, RotationOrder order) {
    setRotation(Mat3::fromEuler(ax, ay, az, order));
}

void Node::setTransform(const Mat4x3& transform) {
    m_local = transform;
    invalidate();
}

void Node::move(const Vec3& delta) {
    m_local.pos += delta;
    invalidate();
}

void Node::rotate(const Mat3& m) {
    m_local.rot = m_local.rot * m;
    invalidate();
}

void Node::rotateAbout(int axis, float angle) {
    m_local.rot = Mat3::rotationAbout(axis, angle) * m_local.rot;
    invalidate();
}

void Node::transform(const Mat4x3& t) {
    m_local = m_local * t;
    invalidate();
}

void Node::lookAt(const Vec3& target) {
    Mat3 rotation = Mat3::basisFromDirection(target - worldPosition());
    // The basis is wanted in world space; carry it back into the parent's.
    if (m_parent)
        rotation = rotation * m_parent->worldInverse().rot;
    m_local.rot = rotation;
    invalidate();
}

// Marks the whole subtree stale, parents before their children.
void Node::invalidate() {
    for (Node* node = this; node; node = node->nextInSubtree(this)) {
        node->m_worldValid = false;
        node->transformChanged();
        if (node->m_spatialRecord)
            node->m_spatialRecord->update();
    }
}

const Mat4x3& Node::worldTransform() {
    if (!m_worldValid)
        updateWorld();
    return m_world;
}

const Mat4x3& Node::worldInverse() {
    if (!m_worldValid)
        updateWorld();
    return m_worldInverse;
}

// A stale node's descendants are stale too, and a valid node's ancestors are
// valid; so the stale ancestors form one path, recomputed from the top down.
void Node::updateWorld() {
    if (m_parent && !m_parent->m_worldValid) {
        static thread_local std::vector<Node*> path;
        path.clear();
        for (Node* node = m_parent; node && !node->m_worldValid; node = node->m_parent)
            path.push_back(node);
        for (auto it = path.rbegin(); it != path.rend(); ++it)
            (*it)->computeWorld();
    }
    computeWorld();
}

// The parent's world transform must be up to date.
void Node::computeWorld() {
    m_world = m_parent ? m_local * m_parent->m_world : m_local;
    m_worldInverse = inverse(m_world);
    m_worldValid = true;
}

void Node::setComponent(int slot, Component* component) {
    // Hold the newcomer first: taking it from another node must not free it.
    core::CountedRef<Component> incoming(component);
    if (component && component->m_node && component->m_node != this) {
        Node* owner = component->m_node;
        for (int i = 0; i < ComponentSlots; ++i) {
            if (owner->m_components[i].get() == component)
                owner->setComponent(i, nullptr);
        }
    }

    if (Component* old = m_components[slot].get()) {
        old->detach();
        old->m_node = nullptr;
    }
    m_components[slot] = std::move(incoming);
    if (component) {
        component->m_node = this;
        component->attach(this);
    }
    if (slot == Component::RenderEntityKind) {
        int type = component ? component->entityType() : -1;
        m_meshEntity = type == 0 ? component : nullptr;
        m_lightEntity = type == 1 ? component : nullptr;
        m_spatialRecord = component ? component->spatialRecord() : nullptr;
    }
    invalidate();
}

} // namespace engine
