#include "engine/particles/MeshCDF.h"

#include <algorithm>
#include <cmath>

namespace engine {

MeshCDF::MeshCDF(Mesh* mesh) : m_mesh(mesh) {
    const Vec3* p = mesh ? mesh->vec3Array(PositionSlot) : nullptr;
    if (!p)
        return;
    const std::vector<int32_t>& indices = mesh->getIndices();
    size_t triangles = indices.size() / 3;
    m_cdf.resize(triangles, 0.0f);
    double total = 0;
    for (size_t t = 0; t < triangles; ++t) {
        int32_t i0 = indices[t * 3], i1 = indices[t * 3 + 1], i2 = indices[t * 3 + 2];
        // An index outside the vertices gives its triangle no area rather than a read past the array.
        if (!mesh->isValidIndex(i0) || !mesh->isValidIndex(i1) || !mesh->isValidIndex(i2))
            continue;
        m_cdf[t] = length(cross(p[i1] - p[i0], p[i2] - p[i0]));
        total += m_cdf[t];
    }
    // Without any area there is nothing to normalise: every entry stays 0
    // and picks fall back to the first triangle.
    if (!(total > 0) || !std::isfinite(total)) {
        std::fill(m_cdf.begin(), m_cdf.end(), 0.0f);
        return;
    }
    double sum = 0;
    for (float& entry : m_cdf) {
        sum += entry / total;
        entry = float(sum);
    }
    m_cdf.back() = 1.0f;
    m_usable = true;
}

int MeshCDF::pick(float u) const {
    auto it = std::upper_bound(m_cdf.begin(), m_cdf.end(), u);
    return it == m_cdf.end() ? 0 : int(it - m_cdf.begin());
}

} // namespace engine
