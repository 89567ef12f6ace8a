#include "engine/render/MeshEntity.h"

#include "engine/draw/DebugDraw.h"
#include "engine/scene/Node.h"

namespace engine {

MeshEntity::MeshEntity(RenderableMesh* mesh) : RenderEntity(MeshEntityType, true) {
    setMesh(mesh);
}

MeshEntity* MeshEntity::copy() const {
    auto* entity = new MeshEntity(m_mesh.get());
    entity->copyOptionsFrom(*this);
    entity->m_skeleton = m_skeleton;
    entity->m_materials = m_materials;
    entity->m_emissiveColor = m_emissiveColor;
    entity->m_flags = m_flags;
    entity->m_manualBounds = m_manualBounds;
    return entity;
}

BoundingBox MeshEntity::getWorldBounds() {
    if (hasFlag(ManualBounds))
        return m_manualBounds;
    if (!m_mesh)
        return {{0, 0, 0}, {0, 0, 0}};
    if (!hasPoseBounds())
        return transform(m_mesh->getBoundingBox(), worldTransform());
    BoundingBox bounds;
    for (const Bone& bone : m_skeleton->bones()) {
        // A bone without a node leaves its vertices as bound, where the node puts the mesh.
        Mat4x3 skinning = bone.node ? bone.inverseBind * bone.node->worldTransform() : worldTransform();
        BoundingBox moved = transform(m_mesh->getBoundingBox(), skinning);
        bounds.add(moved.min);
        bounds.add(moved.max);
    }
    return bounds;
}

bool MeshEntity::hasPoseBounds() const {
    return !hasFlag(ManualBounds) && m_mesh && m_mesh->isSkinned() && m_skeleton && !m_skeleton->bones().empty();
}

void MeshEntity::setSkeleton(Skeleton* skeleton) {
    m_skeleton = core::CountedRef<Skeleton>(skeleton);
    boundsChanged();
}

void MeshEntity::debugDraw() {
    DebugDraw::drawBox(getWorldBounds(), 0xFFFFFFFF);
}

void MeshEntity::setMesh(RenderableMesh* mesh) {
    m_mesh = core::CountedRef<RenderableMesh>(mesh);
    m_materials.clear();
    if (mesh) {
        for (Material* material : mesh->getMaterials())
            m_materials.emplace_back(material);
    }
    m_unbounded = mesh == nullptr;
    boundsChanged();
}

void MeshEntity::setMaterial(Material* material) {
    for (auto& entry : m_materials)
        entry = core::CountedRef<Material>(material);
}

void MeshEntity::setMaterials(const std::vector<Material*>& materials) {
    m_materials.clear();
    for (Material* material : materials)
        m_materials.emplace_back(material);
}

void MeshEntity::setManualBounds(const BoundingBox& bounds) {
    m_flags |= ManualBounds;
    m_manualBounds = bounds;
    // Re-filed at once, so queries see the new box without waiting for the node to move.
    boundsChanged();
}

} // namespace engine
