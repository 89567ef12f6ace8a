#include "engine/render/RenderableMesh.h"

#include "core/Exception.h"
#include "engine/render/Renderer.h"

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

std::unique_ptr<RenderableMesh> RenderableMesh::create(const Mesh& mesh, bool keepSourceData) {
    Renderer* renderer = Renderer::current();
    if (!renderer)
        throw core::Exception("engine not initialized");
    std::unique_ptr<RenderableMesh> renderable(renderer->createRenderableMesh());
    renderable->init(mesh, keepSourceData);
    return renderable;
}

RenderableMesh* RenderableMesh::find(const std::string& name) {
    for (RenderableMesh* mesh : registry())
        if (mesh->m_name == name)
            return mesh;
    return nullptr;
}

} // namespace engine
