#include "engine/scene/SimpleSpatialDS.h"

#include <algorithm>

namespace engine {

SpatialNode* SimpleSpatialDS::createRecord(SpatialEntity* entity) {
    m_records.push_back(std::make_unique<SimpleSpatialNode>(entity));
    return m_records.back().get();
}

void SimpleSpatialDS::destroyRecord(SpatialNode* record) {
    auto it = std::find_if(m_records.begin(), m_records.end(),
                           [record](const std::unique_ptr<SimpleSpatialNode>& r) { return r.get() == record; });
    if (it != m_records.end())
        m_records.erase(it);
}

void SimpleSpatialDS::query(const SpatialTest& test, NodeVisitor& visitor) {
    for (const auto& record : m_records) {
        SpatialEntity* entity = record->entity();
        if (entity->isUnbounded() || test.passes(entity->worldBoundingBox()))
            visitor.visit(entity->spatialOwner());
    }
}

} // namespace engine
