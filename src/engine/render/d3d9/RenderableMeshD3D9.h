#pragma once

// A mesh in Direct3D 9 managed buffers (they survive a device reset). One
// interleaved stream: position, then whichever of normal, tangent, bitangent
// and texture coordinate the mesh has, then four bone index bytes and four
// bone weight bytes for skinned meshes.

#include "engine/render/RenderableMesh.h"
#include "engine/render/d3d9/D3DResources.h"

#include <memory>

namespace engine {

class RenderContextD3D9;

class RenderableMeshD3D9 final : public RenderableMesh {
public:
    struct Segment {
        core::CountedRef<Material> material;
        D3DPRIMITIVETYPE type = D3DPT_TRIANGLELIST;
        int firstIndex = 0;
        int count = 0; // primitives
    };

    RenderableMeshD3D9() = default;
    ~RenderableMeshD3D9() override;

    // Throws core::Exception without a device, or when an index lies outside
    // the vertex list (nothing is replaced then).
    void init(const Mesh& mesh, bool keepSourceData) override;
    Mesh* getSourceData() const override { return m_source.get(); }
    BoundingBox getBoundingBox() const override { return m_box; }
    std::vector<Material*> getMaterials() const override;
    bool isSkinned() const override { return m_skinned; }

    bool hasNormalMap() const { return m_normalMap; }
    int vertexCount() const { return m_vertexCount; }
    int stride() const { return m_stride; }
    const std::vector<Segment>& segments() const { return m_segments; }
    d3d::VertexDeclaration* declaration() const { return m_declaration.get(); }
    d3d::VertexBuffer* vertexBuffer() const { return m_vertices.get(); }
    d3d::IndexBuffer* indexBuffer() const { return m_indices.get(); }

    // The declaration, stream 0 and the indices, through the context's caches.
    void bind(RenderContextD3D9& context) const;
    void drawSegment(RenderContextD3D9& context, size_t index) const;

private:
    core::CountedRef<Mesh> m_source;
    std::unique_ptr<d3d::VertexDeclaration> m_declaration;
    std::unique_ptr<d3d::VertexBuffer> m_vertices;
    std::unique_ptr<d3d::IndexBuffer> m_indices;
    std::vector<Segment> m_segments;
    int m_vertexCount = 0;
    int m_stride = 0;
    bool m_normalMap = false;
    bool m_skinned = false;
    BoundingBox m_box{{0, 0, 0}, {0, 0, 0}};
};

} // namespace engine
