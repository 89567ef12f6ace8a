#pragma once

#include <cstddef>
#include <cstdint>

namespace core {

enum class InflateStatus {
    Ok,
    DataError,    // corrupt, or the stream ended before it filled the output
    BufferError,  // the stream holds more than the output
    MemoryError,
};

// Inflates a whole zlib stream into exactly outSize bytes at out, in one go
// (libdeflate where the build has it, zlib otherwise). Anything but a stream
// that ends having written exactly outSize bytes is an error.
InflateStatus inflateWhole(const uint8_t* stream, size_t streamSize, uint8_t* out, size_t outSize);

} // namespace core
