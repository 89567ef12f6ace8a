#pragma once

// The plain list: every query tests every entity on its current bounds.

#include "engine/scene/SpatialDS.h"

#include <memory>
#include <vector>

namespace engine {

class SimpleSpatialDS final : public SpatialDSBase {
public:
    class SimpleSpatialNode final : public SpatialNode {
    public:
        using SpatialNode::SpatialNode;
        void update() override {}
    };

    SpatialNode* createRecord(SpatialEntity* entity) override;
    void destroyRecord(SpatialNode* record) override;

    size_t size() const { return m_records.size(); }

protected:
    void query(const SpatialTest& test, NodeVisitor& visitor) override;

private:
    std::vector<std::unique_ptr<SimpleSpatialNode>> m_records;
};

} // namespace engine
