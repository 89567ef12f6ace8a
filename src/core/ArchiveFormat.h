#pragma once

#include "core/ByteOrder.h"

#include <cstdint>

// The layout of a data archive: the magic "GRA2", a signed 32-bit entry count,
// that many 20-byte directory entries, then the entry data wherever the
// directory says. Every integer is 32-bit little-endian.
namespace core::archive {

constexpr uint32_t Magic = 0x32415247;  // "GRA2"
constexpr uint32_t HeaderSize = 8;
constexpr uint32_t EntrySize = 20;

constexpr uint32_t Compressed = 0x1;
constexpr uint32_t Encrypted = 0x10000;

struct Entry {
    uint32_t hash;          // FNV-1a of the path bytes as the lookup presents them
    uint32_t offset;        // of the stored bytes, from the start of the archive
    uint32_t storedLength;  // 0: the same as length
    uint32_t length;        // of the content once decoded
    uint32_t flags;

    uint32_t storedSize() const { return storedLength ? storedLength : length; }
};

} // namespace core::archive
