#pragma once

#include <cstddef>
#include <cstdint>

namespace core {

// The archive's stream cipher: RC4 with the first 768 keystream bytes thrown
// away. It is its own inverse. The key must hold at least one byte. in and out
// may be the same buffer.
void rc4Drop768(const uint8_t* in, uint8_t* out, size_t size, const uint8_t* key, size_t keyLength);

} // namespace core
