#include "core/Cipher.h"

#include <utility>

namespace core {

void rc4Drop768(const uint8_t* in, uint8_t* out, size_t size, const uint8_t* key, size_t keyLength) {
    // Word-sized state and indices: byte-sized ones make the compiler stall on
    // partial registers in the loop.
    uint32_t s[256];
    for (uint32_t i = 0; i < 256; ++i)
        s[i] = i;
    uint32_t j = 0;
    for (uint32_t i = 0; i < 256; ++i) {
        j = (j + s[i] + key[i % keyLength]) & 255;
        std::swap(s[i], s[j]);
    }

    uint32_t i = 0;
    j = 0;
    for (int n = 0; n < 768; ++n) {
        i = (i + 1) & 255;
        j = (j + s[i]) & 255;
        std::swap(s[i], s[j]);
    }
    for (size_t n = 0; n < size; ++n) {
        i = (i + 1) & 255;
        uint32_t si = s[i];
        j = (j + si) & 255;
        uint32_t sj = s[j];
        s[i] = sj;
        s[j] = si;
        out[n] = static_cast<uint8_t>(in[n] ^ s[(si + sj) & 255]);
    }
}

} // namespace core
