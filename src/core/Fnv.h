#pragma once

#include <cstddef>
#include <cstdint>

namespace core {

// FNV-1a, 32 bits.
inline uint32_t fnv1a32(const void* data, size_t size) {
    const auto* bytes = static_cast<const unsigned char*>(data);
    uint32_t h = 2166136261u;
    for (size_t i = 0; i < size; ++i) {
        h ^= bytes[i];
        h *= 16777619u;
    }
    return h;
}

// The 8-bit bucket index of the host's hash maps.
inline unsigned foldToBucket(uint32_t h) {
    return (h ^ (h >> 8)) & 255u;
}

} // namespace core
