#include "engine/render/ShadowMapVisitor.h"

#include "engine/render/MeshEntity.h"
#include "engine/scene/Node.h"

namespace engine {

void ShadowMapVisitor::visit(Node* node) {
    auto* entity = static_cast<MeshEntity*>(node->meshEntity());
    if (entity && entity->mesh() && entity->hasFlag(MeshEntity::CastShadow) && !entity->hidden())
        m_entities.push_back(entity);
}

} // namespace engine
