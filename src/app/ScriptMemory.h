#pragma once

// The memory of a run's Lua state. Blocks of LargeBlock bytes and more (the
// strings of whole files, large tables) are kept when the state frees them, a
// few at a time, and handed out again: reading file after file then reuses
// pages the process already has instead of mapping fresh ones each time, whose
// faults cost more than filling them. Small blocks (tables, vecs, short
// strings) are recycled through free lists per size class, which is what
// keeps allocation-heavy scripts as fast as with Lua's own allocator; the
// sizes between come from the C library.

#include <lua.hpp>

#include <array>
#include <cstddef>

class ScriptMemory {
public:
    static constexpr size_t LargeBlock = size_t(256) << 10;
    // The most the kept blocks hold together.
    static constexpr size_t MaxKept = size_t(64) << 20;
    // Blocks up to this size come from the free lists, in steps of SmallStep.
    static constexpr size_t SmallBlock = 256;
    static constexpr size_t SmallStep = 16;

    ScriptMemory() = default;
    ScriptMemory(const ScriptMemory&) = delete;
    ScriptMemory& operator=(const ScriptMemory&) = delete;
    // Only after the state is closed.
    ~ScriptMemory();

    // A new state on this memory; null when the Lua library takes no
    // allocator of ours (the caller then makes one with its own).
    lua_State* newState();

    size_t keptBytes() const { return m_keptBytes; }

private:
    static void* allocate(void* self, void* block, size_t oldSize, size_t newSize);
    void* take(size_t size);
    void release(void* block);
    void* takeSmall(size_t size);
    void releaseSmall(void* block, size_t size);

    struct FreeBlock {
        FreeBlock* next;
    };
    std::array<FreeBlock*, SmallBlock / SmallStep> m_free{};

    struct Kept {
        void* block = nullptr;  // the start of the header
        size_t capacity = 0;
    };
    std::array<Kept, 4> m_kept{};
    size_t m_keptBytes = 0;
};
