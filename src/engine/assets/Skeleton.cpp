#include "engine/assets/Skeleton.h"

#include "engine/scene/Node.h"

namespace engine {

void Skeleton::skinningMatrices(const Mat4x3& targetSpace, std::vector<Mat4x3>& out) const {
    out.resize(m_bones.size());
    for (size_t k = 0; k < m_bones.size(); ++k) {
        const Bone& bone = m_bones[k];
        out[k] = bone.node ? bone.inverseBind * bone.node->worldTransform() * targetSpace : Mat4x3::identity();
    }
}

} // namespace engine
