#include "app/ScriptMemory.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace {

// A large block starts with its capacity; the state sees what follows.
constexpr size_t HeaderSize = 16;

size_t& capacityOf(void* block) {
    return *reinterpret_cast<size_t*>(static_cast<char*>(block) - HeaderSize);
}

// The free list of blocks of size bytes (1 to SmallBlock).
size_t smallClass(size_t size) {
    return (size - 1) / ScriptMemory::SmallStep;
}

} // namespace

ScriptMemory::~ScriptMemory() {
    for (Kept& kept : m_kept)
        std::free(kept.block);
    for (FreeBlock* list : m_free) {
        while (list) {
            FreeBlock* next = list->next;
            std::free(list);
            list = next;
        }
    }
}

void* ScriptMemory::takeSmall(size_t size) {
    FreeBlock*& list = m_free[smallClass(size)];
    if (FreeBlock* block = list) {
        list = block->next;
        return block;
    }
    return std::malloc((smallClass(size) + 1) * SmallStep);
}

void ScriptMemory::releaseSmall(void* block, size_t size) {
    FreeBlock*& list = m_free[smallClass(size)];
    auto* freed = static_cast<FreeBlock*>(block);
    freed->next = list;
    list = freed;
}


lua_State* ScriptMemory::newState() {
    return lua_newstate(&ScriptMemory::allocate, this);
}

// Lua gives the exact old size of every block it frees or resizes, so the
// size alone tells a large block from a small one.
void* ScriptMemory::allocate(void* self, void* block, size_t oldSize, size_t newSize) {
    auto* memory = static_cast<ScriptMemory*>(self);
    bool wasLarge = block && oldSize >= LargeBlock;
    bool large = newSize >= LargeBlock;
    bool wasSmall = block && oldSize > 0 && oldSize <= SmallBlock;
    bool small = newSize > 0 && newSize <= SmallBlock;
    if (wasSmall || small) {
        if (wasSmall && small && smallClass(oldSize) == smallClass(newSize))
            return block;
        void* moved = nullptr;
        if (newSize > 0) {
            moved = small ? memory->takeSmall(newSize) : allocate(self, nullptr, 0, newSize);
            if (!moved)
                return nullptr;
            if (block)
                std::memcpy(moved, block, std::min(oldSize, newSize));
        }
        if (wasSmall)
            memory->releaseSmall(block, oldSize);
        else if (block)
            allocate(self, block, oldSize, 0);
        return moved;
    }
    if (!wasLarge && !large) {
        if (newSize == 0) {
            std::free(block);
            return nullptr;
        }
        return std::realloc(block, newSize);
    }
    if (newSize == 0) {
        memory->release(block);
        return nullptr;
    }
    if (wasLarge && large && capacityOf(block) >= newSize)
        return block;
    void* moved = large ? memory->take(newSize) : std::malloc(newSize);
    if (!moved)
        return nullptr;
    if (block) {
        std::memcpy(moved, block, std::min(oldSize, newSize));
        if (wasLarge)
            memory->release(block);
        else
            std::free(block);
    }
    return moved;
}

// The smallest kept block that fits without wasting more than its size, or a
// new one.
void* ScriptMemory::take(size_t size) {
    Kept* best = nullptr;
    for (Kept& kept : m_kept) {
        if (kept.block && kept.capacity >= size && kept.capacity / 2 <= size &&
            (!best || kept.capacity < best->capacity))
            best = &kept;
    }
    if (best) {
        char* start = static_cast<char*>(best->block);
        m_keptBytes -= best->capacity;
        *best = {};
        return start + HeaderSize;
    }
    auto* start = static_cast<char*>(std::malloc(HeaderSize + size));
    if (!start)
        return nullptr;
    *reinterpret_cast<size_t*>(start) = size;
    return start + HeaderSize;
}

// Kept when there is room, replacing the smallest kept block when this one is
// larger; freed otherwise.
void ScriptMemory::release(void* block) {
    size_t capacity = capacityOf(block);
    char* start = static_cast<char*>(block) - HeaderSize;
    Kept* slot = nullptr;
    for (Kept& kept : m_kept) {
        if (!kept.block) {
            slot = &kept;
            break;
        }
        if (!slot || kept.capacity < slot->capacity)
            slot = &kept;
    }
    if (slot->block && slot->capacity >= capacity) {
        std::free(start);
        return;
    }
    size_t after = m_keptBytes - slot->capacity + capacity;
    if (after > MaxKept) {
        std::free(start);
        return;
    }
    std::free(slot->block);
    m_keptBytes = after;
    *slot = {start, capacity};
}
