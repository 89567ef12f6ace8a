#pragma once

// A flat list of owned nodes and the spatial structure that indexes their
// render entities.

#include "engine/scene/Node.h"
#include "engine/scene/SpatialDS.h"

#include <memory>
#include <string>
#include <vector>

namespace engine {

class Scene {
public:
    explicit Scene(std::unique_ptr<SpatialDS> spatial);
    // Destroys the nodes in list order (their entities leave the structure),
    // then the structure.
    ~Scene();
    Scene(const Scene&) = delete;
    Scene& operator=(const Scene&) = delete;

    static Scene* createSimple();
    static Scene* createQuadTree(float size, int depth);

    Node* addNode();
    // Recursive: the children's subtrees go first. Otherwise the children
    // become roots and stay in the scene.
    void removeNode(Node* node, bool recursive);
    // The first node in list order with exactly this name; null when none.
    Node* findNode(const std::string& name) const;
    bool contains(const Node* node) const;
    void visitAll(NodeVisitor& visitor) const;
    const std::vector<Node*>& nodes() const { return m_nodes; }

    SpatialDS& spatial() { return *m_spatial; }

    void queryFrustum(const Plane* planes, int count, NodeVisitor& visitor) {
        m_spatial->queryFrustum(planes, count, visitor);
    }
    void queryRay(const Ray& ray, NodeVisitor& visitor) { m_spatial->queryRay(ray, visitor); }
    void querySphere(const BoundingSphere& sphere, NodeVisitor& visitor) { m_spatial->querySphere(sphere, visitor); }
    void queryBox(const BoundingBox& box, NodeVisitor& visitor) { m_spatial->queryBox(box, visitor); }

private:
    std::vector<Node*> m_nodes;
    std::unique_ptr<SpatialDS> m_spatial;
};

} // namespace engine
