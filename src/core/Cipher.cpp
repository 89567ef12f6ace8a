#include "core/Cipher.h"

#include <utility>

namespace core {

void rc4Drop768(const uint8_t* in, uint8_t* out, size_t size, const uint8_t* key, size_t keyLength) {
    uint8_t s[256];
    for (int i = 0; i < 256; ++i)
        s[i] = static_cast<uint8_t>(i);
    uint8_t j = 0;
    for (int i = 0; i < 256; ++i) {
        j = static_cast<uint8_t>(j + s[i] + key[i % keyLength]);
        std::swap(s[i], s[j]);
    }

    uint8_t i = 0;
    j = 0;
    for (int n = 0; n < 768; ++n) {
        ++i;
        j = static_cast<uint8_t>(j + s[i]);
        std::swap(s[i], s[j]);
    }
    for (size_t n = 0; n < size; ++n) {
        ++i;
        j = static_cast<uint8_t>(j + s[i]);
        std::swap(s[i], s[j]);
        out[n] = in[n] ^ s[static_cast<uint8_t>(s[i] + s[j])];
    }
}

} // namespace core
