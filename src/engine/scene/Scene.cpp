#include "engine/scene/Scene.h"

#include "engine/scene/QuadTreeSpatialDS.h"
#include "engine/scene/SimpleSpatialDS.h"

#include <algorithm>

namespace engine {

Scene::Scene(std::unique_ptr<SpatialDS> spatial) : m_spatial(std::move(spatial)) {}

Scene::~Scene() {
    for (Node* node : m_nodes)
        delete node;
    m_nodes.clear();
    m_spatial.reset();
}

Scene* Scene::createSimple() {
    return new Scene(std::make_unique<SimpleSpatialDS>());
}

Scene* Scene::createQuadTree(float size, int depth) {
    return new Scene(std::make_unique<QuadTreeSpatialDS>(size, depth));
}

Node* Scene::addNode() {
    auto* node = new Node(this);
    m_nodes.push_back(node);
    return node;
}

void Scene::removeNode(Node* node, bool recursive) {
    auto it = std::find(m_nodes.begin(), m_nodes.end(), node);
    if (it == m_nodes.end())
        return;  // not ours to destroy
    if (recursive) {
        // Each removal unlinks the child, so the first child moves up.
        while (Node* child = node->firstChild()) {
            if (contains(child))
                removeNode(child, true);
            else
                child->remove();  // a camera or listener placed under a scene node
        }
    }
    m_nodes.erase(std::find(m_nodes.begin(), m_nodes.end(), node));
    delete node;
}

Node* Scene::findNode(const std::string& name) const {
    for (Node* node : m_nodes) {
        if (node->name() == name)
            return node;
    }
    return nullptr;
}

bool Scene::contains(const Node* node) const {
    return std::find(m_nodes.begin(), m_nodes.end(), node) != m_nodes.end();
}

void Scene::visitAll(NodeVisitor& visitor) const {
    for (Node* node : m_nodes)
        visitor.visit(node);
}

} // namespace engine
