#pragma once

#include <cstdint>
#include <cstring>

namespace core {

// The order of multi-byte values in a stream or file. Default means the host's
// order, which is little-endian.
enum class ByteOrder { Default = 0, LittleEndian = 1, BigEndian = 2 };

inline bool needsSwap(ByteOrder order) {
    return order == ByteOrder::BigEndian;
}

// Reverses the bytes of a 2-, 4- or 8-byte value as a whole.
inline void swapBytes(void* value, int size) {
    auto* bytes = static_cast<uint8_t*>(value);
    for (int i = 0, j = size - 1; i < j; ++i, --j) {
        uint8_t byte = bytes[i];
        bytes[i] = bytes[j];
        bytes[j] = byte;
    }
}

inline uint32_t readLittleEndian32(const uint8_t* bytes) {
    return static_cast<uint32_t>(bytes[0]) | static_cast<uint32_t>(bytes[1]) << 8 |
           static_cast<uint32_t>(bytes[2]) << 16 | static_cast<uint32_t>(bytes[3]) << 24;
}

inline void writeLittleEndian32(uint8_t* bytes, uint32_t value) {
    bytes[0] = static_cast<uint8_t>(value);
    bytes[1] = static_cast<uint8_t>(value >> 8);
    bytes[2] = static_cast<uint8_t>(value >> 16);
    bytes[3] = static_cast<uint8_t>(value >> 24);
}

} // namespace core
