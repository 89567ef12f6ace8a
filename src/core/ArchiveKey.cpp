#include "core/ArchiveKey.h"

#include "core/ByteOrder.h"

#include <cstdint>

namespace core {

std::string mainArchiveKey() {
    const uint32_t words[4] = {0x7a61e3c1, 0x0b94d25f, 0xe83c6a17, 0x5cf0b749};
    std::string key(16, '\0');
    for (int i = 0; i < 4; ++i)
        writeLittleEndian32(reinterpret_cast<uint8_t*>(key.data()) + 4 * i, words[i]);
    return key;
}

} // namespace core
