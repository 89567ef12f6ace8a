#pragma once

// A model is a template: a hierarchy of named nodes, outside any scene, whose
// nodes may carry a mesh entity (with an optional skeleton) or a light entity.
// Scripts load a model once and instantiate copies of it into scenes. Models
// are shared by name through a process-wide registry.

#include <memory>
#include <string>
#include <vector>

namespace core {
class InputStream;
class OutputStream;
} // namespace core

namespace engine {

class Mesh;
class Node;
class Scene;

class Model {
public:
    Model();
    // Destroys the nodes, which lets go of their entities.
    ~Model();
    Model(const Model&) = delete;
    Model& operator=(const Model&) = delete;

    // The registered model of that exact name, or null.
    static Model* find(const std::string& name);
    // The registered model of that name, or one read from the native file
    // after the model asset processor has brought it up to date. Throws
    // core::Exception when it cannot be loaded.
    static Model* load(const std::string& name, bool keepSourceData);

    const std::string& name() const { return m_name; }
    void setName(std::string name) { m_name = std::move(name); }

    // A new plain node: the first becomes the root, every later one starts as
    // a child of the root.
    Node* addNode();
    Node* root() const { return m_nodes.empty() ? nullptr : m_nodes.front().get(); }
    int nodeCount() const { return int(m_nodes.size()); }
    Node* node(int index) const { return m_nodes[size_t(index)].get(); }

    // Copies the nodes into the scene with copies of their entities (sharing
    // the renderable meshes); a skeleton's bones move to the copied nodes.
    // Returns the copy of the root, or null for an empty model.
    Node* instantiate(Scene& scene) const;

private:
    std::string m_name;
    std::vector<std::unique_ptr<Node>> m_nodes;
};

// Builds a model from an MDL1 stream, uploading each mesh through the current
// renderer, with a copy of the mesh kept as source data when asked. A model
// that fails half way is destroyed with its nodes.
std::unique_ptr<Model> readModel(core::InputStream& stream, bool keepSourceData);

// Writes the model as MDL1. Mesh entities need their renderable mesh's source
// data: without it the writer throws core::Exception "No source data".
void writeModel(core::OutputStream& stream, const Model& model);

// Writes the whole file in memory first, so that a model that cannot be
// written leaves an existing file as it was.
void saveModel(const Model& model, const std::string& path);

} // namespace engine
