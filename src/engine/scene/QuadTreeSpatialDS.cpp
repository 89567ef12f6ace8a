#include "engine/scene/QuadTreeSpatialDS.h"

#include "core/Exception.h"

#include <algorithm>
#include <new>

namespace engine {

namespace {

// The cell block is refused beyond 2 GiB, a 32-bit process's whole heap: with
// overcommitted memory a larger block would not fail here but kill the process
// when its cells are first written.
constexpr uint64_t MaxCellBytes = uint64_t(1) << 31;
constexpr uint64_t MaxCells = MaxCellBytes / sizeof(QuadTreeSpatialDS::Cell);

// Plain comparisons: this runs for every record of every stale cell, and the
// library's fmin and fmax are calls. A NaN bound is passed over.
void grow(BoundingBox& box, const BoundingBox& by) {
    box.min.x = by.min.x < box.min.x ? by.min.x : box.min.x;
    box.min.y = by.min.y < box.min.y ? by.min.y : box.min.y;
    box.min.z = by.min.z < box.min.z ? by.min.z : box.min.z;
    box.max.x = by.max.x > box.max.x ? by.max.x : box.max.x;
    box.max.y = by.max.y > box.max.y ? by.max.y : box.max.y;
    box.max.z = by.max.z > box.max.z ? by.max.z : box.max.z;
}

uint32_t clampedCoordinate(float position, float half, float side, uint32_t count) {
    float f = (half + position) / side;
    // Also catches NaN.
    if (!(f >= 0))
        return 0;
    if (f >= float(count))
        return count - 1;
    return std::min(static_cast<uint32_t>(f), count - 1);
}

} // namespace

void QuadTreeSpatialDS::QTEntity::update() {
    m_owner->queue(this);
}

QuadTreeSpatialDS::QuadTreeSpatialDS(float size, int depth) : m_size(size), m_depth(std::max(depth, 1)) {
    uint64_t total = 0;
    uint64_t levelCells = 1;
    for (int level = 0; level < m_depth; ++level) {
        if (levelCells > MaxCells || total > MaxCells)
            throw core::Exception("out of memory allocating a quad tree of depth %d", depth);
        m_levelStart.push_back(static_cast<size_t>(total));
        total += levelCells;
        levelCells *= 4;
    }
    if (total > MaxCells)
        throw core::Exception("out of memory allocating a quad tree of depth %d", depth);
    try {
        m_cells.resize(static_cast<size_t>(total));
    } catch (const std::bad_alloc&) {
        throw core::Exception("out of memory allocating a quad tree of depth %d", depth);
    }
}

QuadTreeSpatialDS::~QuadTreeSpatialDS() {
    // Records outlive the tree only when entities were not detached first.
    for (QTEntity* record : m_pending) {
        if (record)
            record->m_queued = false;
    }
    for (QTEntity* record : m_posed) {
        if (record)
            record->m_posed = false;
    }
    while (m_unboundedHead)
        destroyRecord(m_unboundedHead);
    for (Cell& cell : m_cells) {
        while (cell.head) {
            QTEntity* record = cell.head;
            cell.head = record->m_next;
            delete record;
        }
    }
}

uint32_t QuadTreeSpatialDS::morton(uint32_t x, uint32_t z) {
    uint64_t bx = x & 0xff, bz = z & 0xff;
    uint64_t even = ((bx * 0x0101010101010101ULL & 0x8040201008040201ULL) * 0x0102040810204081ULL >> 49) & 0x5555;
    uint64_t odd = ((bz * 0x0101010101010101ULL & 0x8040201008040201ULL) * 0x0102040810204081ULL >> 48) & 0xAAAA;
    return static_cast<uint32_t>(even | odd);
}

SpatialNode* QuadTreeSpatialDS::createRecord(SpatialEntity* entity) {
    auto* record = new QTEntity(this, entity);
    appendUnbounded(record);
    return record;
}

void QuadTreeSpatialDS::destroyRecord(SpatialNode* spatialNode) {
    auto* record = static_cast<QTEntity*>(spatialNode);
    if (record->m_queued)
        m_pending[record->m_pendingIndex] = nullptr;
    if (record->m_posed)
        m_posed[record->m_posedIndex] = nullptr;
    remove(record);
    delete record;
}

void QuadTreeSpatialDS::queue(QTEntity* record) {
    if (record->m_queued)
        return;
    record->m_queued = true;
    record->m_pendingIndex = m_pending.size();
    m_pending.push_back(record);
}

void QuadTreeSpatialDS::processPending() {
    for (QTEntity* record : m_pending) {
        if (!record)
            continue;
        remove(record);
        record->m_unbounded = record->entity()->isUnbounded();
        if (!record->m_unbounded)
            record->m_box = record->entity()->worldBoundingBox();
        insert(record);
        record->m_queued = false;
        if (!record->m_posed && record->entity()->hasPoseBounds()) {
            record->m_posed = true;
            record->m_posedIndex = m_posed.size();
            m_posed.push_back(record);
        }
    }
    m_pending.clear();
}

void QuadTreeSpatialDS::requeuePosed() {
    for (QTEntity* record : m_posed) {
        if (!record)
            continue;
        record->m_posed = false;
        queue(record);
    }
    m_posed.clear();
}

void QuadTreeSpatialDS::appendUnbounded(QTEntity* record) {
    record->m_next = nullptr;
    record->m_previous = m_unboundedTail;
    (m_unboundedTail ? m_unboundedTail->m_next : m_unboundedHead) = record;
    m_unboundedTail = record;
}

void QuadTreeSpatialDS::insert(QTEntity* record) {
    if (record->m_unbounded) {
        appendUnbounded(record);
        return;
    }
    const BoundingBox& box = record->m_box;
    Vec3 extent = box.max - box.min;
    float ext = std::max({extent.x, extent.y, extent.z});

    int level = 0;
    float side = m_size;
    if (m_size > ext) {
        while (level < m_depth - 1) {
            side /= 2;
            ++level;
            if (side <= ext)
                break;
        }
    }
    uint32_t count = 1u << std::min(level, 31);
    Vec3 center = box.center();
    float half = m_size / 2;
    uint32_t x = clampedCoordinate(center.x, half, side, count);
    uint32_t z = clampedCoordinate(center.z, half, side, count);
    uint32_t index = morton(x, z);

    record->m_level = level;
    record->m_cell = index;
    Cell& home = cellAt(level, index);
    record->m_previous = nullptr;
    record->m_next = home.head;
    if (home.head)
        home.head->m_previous = record;
    home.head = record;

    for (;; --level, index /= 4) {
        Cell& cell = cellAt(level, index);
        if (cell.count++ == 0)
            cell.box = box;
        else
            grow(cell.box, box);
        if (level == 0)
            break;
    }
}

void QuadTreeSpatialDS::remove(QTEntity* record) {
    QTEntity* next = record->m_next;
    QTEntity* previous = record->m_previous;
    record->m_next = nullptr;
    record->m_previous = nullptr;
    if (record->m_unbounded) {
        (previous ? previous->m_next : m_unboundedHead) = next;
        (next ? next->m_previous : m_unboundedTail) = previous;
        return;
    }
    int level = record->m_level;
    uint32_t index = record->m_cell;
    (previous ? previous->m_next : cellAt(level, index).head) = next;
    if (next)
        next->m_previous = previous;
    for (;; --level, index /= 4) {
        Cell& cell = cellAt(level, index);
        --cell.count;
        cell.stale = true;
        if (level == 0)
            break;
    }
}

void QuadTreeSpatialDS::recompute(int level, uint32_t index) {
    Cell& cell = cellAt(level, index);
    cell.box = BoundingBox{};
    for (QTEntity* record = cell.head; record; record = record->m_next)
        grow(cell.box, record->m_box);
    if (level < m_depth - 1) {
        for (uint32_t child = index * 4; child < index * 4 + 4; ++child) {
            if (cellAt(level + 1, child).stale)
                recompute(level + 1, child);
            grow(cell.box, cellAt(level + 1, child).box);
        }
    }
    cell.stale = false;
}

void QuadTreeSpatialDS::visit(int level, uint32_t index, const SpatialTest& test, NodeVisitor& visitor) {
    Cell& cell = cellAt(level, index);
    if (cell.count == 0 || !test.passes(cell.box))
        return;
    if (cell.stale) {
        recompute(level, index);
        if (!test.passes(cell.box))
            return;
    }
    for (QTEntity* record = cell.head; record; record = record->m_next) {
        if (test.passes(record->m_box))
            visitor.visit(record->entity()->spatialOwner());
    }
    if (level < m_depth - 1) {
        for (uint32_t child = index * 4; child < index * 4 + 4; ++child)
            visit(level + 1, child, test, visitor);
    }
}

void QuadTreeSpatialDS::query(const SpatialTest& test, NodeVisitor& visitor) {
    requeuePosed();
    processPending();
    for (QTEntity* record = m_unboundedHead; record; record = record->m_next)
        visitor.visit(record->entity()->spatialOwner());
    visit(0, 0, test, visitor);
}

} // namespace engine
