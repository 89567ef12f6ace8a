#pragma once

// A mesh in OpenGL vertex and index buffers. One interleaved vertex buffer:
// the position, then whichever of normal, tangent, bitangent and texture
// coordinate the mesh has, then four bone index bytes and four bone weight
// bytes for skinned meshes. Vertex colours are not uploaded.

#include "engine/render/RenderableMesh.h"

#include <cstdint>

namespace engine {

// Byte offsets into one vertex; -1 for what the vertex does not carry.
struct VertexLayoutGL {
    int vertexCount = 0;
    int stride = 0;
    int normal = -1;
    int tangent = -1;
    int bitangent = -1;
    int texcoord = -1;
    int boneIndices = -1;
    int boneWeights = -1;
};

class RenderableMeshGL final : public RenderableMesh {
public:
    struct Segment {
        core::CountedRef<Material> material;
        unsigned mode = 0;  // GL primitive mode
        int firstIndex = 0;
        int count = 0;      // primitives
    };

    RenderableMeshGL() = default;
    ~RenderableMeshGL() override;

    // Throws core::Exception when no OpenGL context is live, or when an index
    // lies outside the vertex list (nothing is replaced then).
    void init(const Mesh& mesh, bool keepSourceData) override;
    Mesh* getSourceData() const override { return m_source.get(); }
    BoundingBox getBoundingBox() const override { return m_box; }
    std::vector<Material*> getMaterials() const override;

    const VertexLayoutGL& layout() const { return m_layout; }
    int indexSize() const { return m_indexSize; }
    bool isSkinned() const override { return m_skinned; }
    const std::vector<Segment>& segments() const { return m_segments; }
    unsigned vertexBuffer() const { return m_vertexBuffer; }
    unsigned indexBuffer() const { return m_indexBuffer; }

    // Binds the buffers and points the vertex attributes into them; the
    // attributes the mesh lacks are disabled.
    void bind() const;
    // Draws one segment of the bound mesh.
    void drawSegment(size_t index) const;
    // Binds, draws every segment, then disables attributes 0 to 9 and unbinds.
    void draw() const;
    // Disables attributes 0 to 9 and unbinds the vertex and index buffers.
    static void unbind();

private:
    void releaseBuffers();

    core::CountedRef<Mesh> m_source;
    unsigned m_vertexBuffer = 0;
    unsigned m_indexBuffer = 0;
    uint64_t m_generation = 0;  // of the context that made the buffers
    int m_indexSize = 2;
    std::vector<Segment> m_segments;
    VertexLayoutGL m_layout;
    BoundingBox m_box{{0, 0, 0}, {0, 0, 0}};
    bool m_skinned = false;
};

} // namespace engine
