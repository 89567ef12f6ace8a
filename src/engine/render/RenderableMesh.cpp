#include "engine/render/RenderableMesh.h"

#include <algorithm>

namespace engine {

namespace {

std::vector<RenderableMesh*>& registry() {
    static auto* meshes = new std::vector<RenderableMesh*>;
    return *meshes;
}

} // namespace

RenderableMesh::RenderableMesh() {
    registry().push_back(this);
}

RenderableMesh::~RenderableMesh() {
    auto& meshes = registry();
    meshes.erase(std::find(meshes.begin(), meshes.end(), this));
}

RenderableMesh* RenderableMesh::find(const std::string& name) {
    for (RenderableMesh* mesh : registry())
        if (mesh->m_name == name)
            return mesh;
    return nullptr;
}

} // namespace engine
