#pragma once

// The surface distribution of a mesh: for each triangle the share of the
// total area of it and every triangle before it, so that a uniform draw picks
// a triangle in proportion to its area.

#include "core/RefRegistry.h"
#include "engine/assets/Mesh.h"

#include <vector>

namespace engine {

class MeshCDF {
public:
    // Reads the positions and the index list as they are now; a mesh without
    // positions gives no triangles.
    explicit MeshCDF(Mesh* mesh);
    MeshCDF(const MeshCDF&) = delete;
    MeshCDF& operator=(const MeshCDF&) = delete;

    Mesh* mesh() const { return m_mesh.get(); }
    // Ascending, one entry per triangle, the last 1 (all 0 when no triangle
    // has an area).
    const std::vector<float>& distribution() const { return m_cdf; }
    // Whether the triangles have an area to share out.
    bool usable() const { return m_usable; }
    // The first triangle whose entry is above u, or 0 when none is.
    int pick(float u) const;

private:
    core::CountedRef<Mesh> m_mesh;
    std::vector<float> m_cdf;
    bool m_usable = false;
};

} // namespace engine
