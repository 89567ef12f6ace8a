#pragma once

// A render entity that draws a renderable mesh, segment i with material i.

#include "core/RefRegistry.h"
#include "engine/assets/Material.h"
#include "engine/assets/Skeleton.h"
#include "engine/render/RenderEntity.h"
#include "engine/render/RenderableMesh.h"

#include <cstdint>
#include <vector>

namespace engine {

class MeshEntity final : public RenderEntity {
public:
    enum Flags : uint32_t {
        CastShadow = 1,
        StaticShadow = 2,
        DrawNormals = 4,
        DrawTangents = 8,
        ManualBounds = 0x20,
    };

    // Without a mesh the entity is unbounded.
    explicit MeshEntity(RenderableMesh* mesh = nullptr);

    // A new entity with the same mesh, materials, skeleton, colour, flags and
    // render options, on no node.
    MeshEntity* copy() const;

    // With ManualBounds the stored box as it is; otherwise the mesh's box
    // through the node's world transform. A skinned mesh with bones covers its
    // pose instead: every vertex is a weighted mean of its bind position moved
    // by each of its bones, so the mesh's box moved by every bone's skinning
    // transform, all together, holds the posed mesh.
    BoundingBox getWorldBounds() override;
    // True while the bounds follow a skeleton's pose.
    bool hasPoseBounds() const override;
    // The world bounding box in white.
    void debugDraw() override;

    RenderableMesh* mesh() const { return m_mesh.get(); }
    // Takes the mesh's materials (none without a mesh) and re-files the entity.
    void setMesh(RenderableMesh* mesh);

    // Enables skinning when the mesh has bone data.
    Skeleton* skeleton() const { return m_skeleton.get(); }
    // Re-files the entity: its bounds now follow the skeleton's pose.
    void setSkeleton(Skeleton* skeleton);

    // One per segment; a null entry or a missing one draws with the default material.
    const std::vector<core::CountedRef<Material>>& materials() const { return m_materials; }
    // Every existing entry becomes the material; the list keeps its length.
    void setMaterial(Material* material);
    void setMaterials(const std::vector<Material*>& materials);

    const Vec3& emissiveColor() const { return m_emissiveColor; }
    void setEmissiveColor(const Vec3& color) { m_emissiveColor = color; }

    uint32_t flags() const { return m_flags; }
    bool hasFlag(uint32_t flag) const { return (m_flags & flag) != 0; }
    void setFlag(uint32_t flag, bool on) { m_flags = on ? m_flags | flag : m_flags & ~flag; }

    // World-space bounds used from now on instead of the mesh's.
    void setManualBounds(const BoundingBox& bounds);
    const BoundingBox& manualBounds() const { return m_manualBounds; }

private:
    core::CountedRef<RenderableMesh> m_mesh;
    core::CountedRef<Skeleton> m_skeleton;
    std::vector<core::CountedRef<Material>> m_materials;
    Vec3 m_emissiveColor{0, 0, 0};
    uint32_t m_flags = CastShadow;
    BoundingBox m_manualBounds{{0, 0, 0}, {0, 0, 0}};
};

} // namespace engine
