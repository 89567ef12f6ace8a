#pragma once

// A quad tree over the X-Z plane. Each entity sits in the cell of the first
// level whose side is not larger than the entity, so queries need no splitting
// of entities across cells. Moves are only queued; the next query re-inserts
// them, and cell boxes shrink lazily, when a query first meets a stale cell.
// Entities whose bounds follow a pose are re-inserted before every query.

#include "engine/scene/SpatialDS.h"

#include <cstdint>
#include <vector>

namespace engine {

class QuadTreeSpatialDS final : public SpatialDSBase {
public:
    class QTEntity final : public SpatialNode {
    public:
        QTEntity(QuadTreeSpatialDS* owner, SpatialEntity* entity) : SpatialNode(entity), m_owner(owner) {}
        void update() override;

        bool isUnbounded() const { return m_unbounded; }
        int level() const { return m_level; }
        uint32_t cell() const { return m_cell; }
        const BoundingBox& box() const { return m_box; }

    private:
        friend class QuadTreeSpatialDS;
        QuadTreeSpatialDS* m_owner;
        BoundingBox m_box{{-FLT_MAX, -FLT_MAX, -FLT_MAX}, {FLT_MAX, FLT_MAX, FLT_MAX}};
        bool m_queued = false;
        bool m_posed = false;  // in the list of records whose bounds follow a pose
        size_t m_posedIndex = 0;
        bool m_unbounded = true;
        int m_level = 0;
        uint32_t m_cell = 0;
        size_t m_pendingIndex = 0;
        // Links in a cell's list or in the unbounded list.
        QTEntity* m_next = nullptr;
        QTEntity* m_previous = nullptr;
    };

    struct Cell {
        BoundingBox box;
        bool stale = false;
        int count = 0;  // entities in this cell and all below it
        QTEntity* head = nullptr;
    };

    // Covers the square of side size centred on the origin, with depth levels
    // (at least one). Throws core::Exception when the cells cannot be allocated.
    QuadTreeSpatialDS(float size, int depth);
    ~QuadTreeSpatialDS() override;

    SpatialNode* createRecord(SpatialEntity* entity) override;
    void destroyRecord(SpatialNode* record) override;

    // Low 8 bits of x to the even bits, low 8 bits of z to the odd bits.
    static uint32_t morton(uint32_t x, uint32_t z);

    float size() const { return m_size; }
    int depth() const { return m_depth; }
    const Cell& cell(int level, uint32_t index) const { return m_cells[m_levelStart[level] + index]; }

protected:
    void query(const SpatialTest& test, NodeVisitor& visitor) override;

private:
    Cell& cellAt(int level, uint32_t index) { return m_cells[m_levelStart[level] + index]; }
    void queue(QTEntity* record);
    void processPending();
    void requeuePosed();
    void insert(QTEntity* record);
    void remove(QTEntity* record);
    void appendUnbounded(QTEntity* record);
    void recompute(int level, uint32_t index);
    void visit(int level, uint32_t index, const SpatialTest& test, NodeVisitor& visitor);

    float m_size;
    int m_depth;
    std::vector<size_t> m_levelStart;
    std::vector<Cell> m_cells;
    QTEntity* m_unboundedHead = nullptr;
    QTEntity* m_unboundedTail = nullptr;
    // Destroyed records leave a null behind, so destruction never searches the list.
    std::vector<QTEntity*> m_pending;
    // Records whose bounds change without their node moving: queued again
    // before every query. Destroyed ones leave a null, as in m_pending.
    std::vector<QTEntity*> m_posed;
};

} // namespace engine
