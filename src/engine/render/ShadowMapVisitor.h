#pragma once

// Gathers the shadow casters a light's face can see: mesh entities with a
// mesh and the cast shadow flag that are not hidden.

#include "engine/scene/SpatialDS.h"

#include <vector>

namespace engine {

class MeshEntity;

class ShadowMapVisitor final : public NodeVisitor {
public:
    void visit(Node* node) override;

    // Emptied between queries; the storage stays.
    void clear() { m_entities.clear(); }
    const std::vector<MeshEntity*>& entities() const { return m_entities; }

private:
    std::vector<MeshEntity*> m_entities;
};

} // namespace engine
