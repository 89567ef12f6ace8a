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

void checkMeshIndices(const Mesh& mesh) {
    for (int32_t index : mesh.getIndices())
        if (!mesh.isValidIndex(index))
            throw core::Exception("Invalid vertex index %d in a mesh of %d vertices", int(index),
                                  mesh.getVertexCount());
}

int bonesPerVertex(const Mesh& mesh) {
    const VertexArray& indices = mesh.getVertexArray(BoneIndexSlot);
    const VertexArray& weights = mesh.getVertexArray(BoneWeightSlot);
    if (!indices.present || !weights.present || indices.type != int32_t(ElementType::Int) ||
        weights.type != int32_t(ElementType::Float))
        return 0;
    return std::max(0, std::min(indices.components, weights.components));
}

void packBoneWeights(const float* weights, int bones, uint8_t out[4]) {
    int sum = 0;
    for (int k = 0; k < 4; ++k) {
        float scaled = k < bones ? weights[k] * 255.0f : 0.0f;
        out[k] = uint8_t(std::clamp(int(scaled), 0, 255));
        sum += out[k];
    }
    if (sum == 255)
        return;
    int last = out[3] ? 3 : out[2] ? 2 : out[1] ? 1 : 0;
    out[last] = uint8_t(out[last] + (255 - sum));
}

} // namespace engine
