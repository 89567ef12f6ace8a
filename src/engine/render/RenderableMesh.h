#pragma once

// The GPU-side copy of a mesh, made by the current renderer's backend. It is
// immutable once made, except that init may replace its whole contents.
// Renderable meshes are shared by name through a process-wide registry.

#include "core/RefRegistry.h"
#include "engine/assets/Mesh.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace engine {

class RenderableMesh {
public:
    RenderableMesh();
    virtual ~RenderableMesh();
    RenderableMesh(const RenderableMesh&) = delete;
    RenderableMesh& operator=(const RenderableMesh&) = delete;

    // A new renderable mesh of the current renderer, filled from the mesh;
    // throws "engine not initialized" without a renderer.
    static std::unique_ptr<RenderableMesh> create(const Mesh& mesh, bool keepSourceData);

    // The registered renderable mesh of that exact name, or null.
    static RenderableMesh* find(const std::string& name);

    // Builds the GPU copy: the segments, the bounding box and, when asked, a
    // copy of the mesh as source data. Throws core::Exception when the mesh
    // cannot be uploaded.
    virtual void init(const Mesh& mesh, bool keepSourceData) = 0;
    // The kept copy of the mesh, or null.
    virtual Mesh* getSourceData() const = 0;
    virtual BoundingBox getBoundingBox() const = 0;
    // One per segment, in segment order; null for a segment without one.
    virtual std::vector<Material*> getMaterials() const = 0;
    // Whether the vertices carry bone indices and weights, so that a skeleton
    // bends them when drawn.
    virtual bool isSkinned() const { return false; }

    const std::string& getName() const { return m_name; }
    void setName(std::string name) { m_name = std::move(name); }

private:
    std::string m_name;
};

// What the backends share when they upload a mesh.

// Throws "Invalid vertex index %d in a mesh of %d vertices" for the first
// index outside the vertices.
void checkMeshIndices(const Mesh& mesh);
// The bones per vertex when the mesh carries usable bone data: 32-bit indices
// and float weights with at least one bone each; 0 otherwise.
int bonesPerVertex(const Mesh& mesh);
// Four bone weights as bytes that sum to 255: each trunc(weight × 255), the
// difference added to the last non-zero byte. Bones past the count weigh 0.
void packBoneWeights(const float* weights, int bones, uint8_t out[4]);

} // namespace engine
