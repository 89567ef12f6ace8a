#include "engine/assets/Skeleton.h"

#include "engine/scene/NodeHolders.h"

#include <algorithm>

namespace engine {

Skeleton::Skeleton(std::vector<Bone> bones) : m_bones(std::move(bones)) {
    for (const Bone& bone : m_bones)
        if (bone.node && std::find(m_held.begin(), m_held.end(), bone.node) == m_held.end()) {
            m_held.push_back(bone.node);
            NodeHolders<Skeleton>::hold(bone.node, this);
        }
}

Skeleton::~Skeleton() {
    for (Node* node : m_held)
        NodeHolders<Skeleton>::release(node, this);
}

void Skeleton::forget(const Node* node) {
    for (Bone& bone : m_bones)
        if (bone.node == node)
            bone.node = nullptr;
    m_held.erase(std::find(m_held.begin(), m_held.end(), node));
}

void Skeleton::skinningMatrices(const Mat4x3& targetSpace, std::vector<Mat4x3>& out) const {
    out.resize(m_bones.size());
    for (size_t k = 0; k < m_bones.size(); ++k) {
        const Bone& bone = m_bones[k];
        out[k] = bone.node ? bone.inverseBind * bone.node->worldTransform() * targetSpace : Mat4x3::identity();
    }
}

} // namespace engine
