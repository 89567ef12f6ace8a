#include "engine/render/RenderEntity.h"

#include "engine/scene/Scene.h"

namespace engine {

RenderEntity::~RenderEntity() {
    // A node always detaches its components first; this covers entities
    // destroyed some other way while still in a structure.
    detach();
}

void RenderEntity::attach(Node* node) {
    if (node->scene() && !m_record)
        m_record = node->scene()->spatial().createRecord(this);
}

void RenderEntity::detach() {
    if (m_record && node() && node()->scene())
        node()->scene()->spatial().destroyRecord(m_record);
    m_record = nullptr;
}

Mat4x3 RenderEntity::worldTransform() const {
    return node() ? node()->worldTransform() : Mat4x3::identity();
}

void RenderEntity::boundsChanged() {
    if (m_record)
        m_record->update();
}

} // namespace engine
