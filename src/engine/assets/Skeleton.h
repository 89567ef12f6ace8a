#pragma once

// The bones that deform a skinned mesh: each a node and the inverse of its
// bind transform, which maps the mesh's space into the bone's space as it was
// when the mesh was bound. A bone may have no node (a file's -1).

#include "engine/scene/Matrix.h"

#include <vector>

namespace engine {

class Node;

struct Bone {
    Node* node = nullptr;
    Mat4x3 inverseBind;
};

class Skeleton {
public:
    // A destroyed bone node leaves its bone without a node.
    explicit Skeleton(std::vector<Bone> bones = {});
    ~Skeleton();
    Skeleton(const Skeleton&) = delete;
    Skeleton& operator=(const Skeleton&) = delete;

    const std::vector<Bone>& bones() const { return m_bones; }
    std::vector<Bone>& bones() { return m_bones; }

    // The matrix of each bone that moves a vertex from the mesh's space to
    // the target space as the bone's node now stands: inverse bind × the
    // node's world transform × target space. A bone without a node gives the
    // identity (its vertices stay as bound). Fills out, reusing its storage.
    void skinningMatrices(const Mat4x3& targetSpace, std::vector<Mat4x3>& out) const;

    // Takes a destroyed node out of the bones.
    void forget(const Node* node);

private:
    std::vector<Bone> m_bones;
    std::vector<Node*> m_held;  // the bone nodes as constructed, watched for destruction
};

} // namespace engine
