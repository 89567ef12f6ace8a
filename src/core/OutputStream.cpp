#include "core/OutputStream.h"

#include <cstring>

namespace core {

void OutputStream::writeString(const std::string& text) {
    writeSignedInt(static_cast<int32_t>(text.size()));
    writeBytes(text.data(), static_cast<int64_t>(text.size()));
}

void OutputStream::writeString(const char* text) {
    size_t length = strlen(text);
    writeSignedInt(static_cast<int32_t>(length));
    writeBytes(text, static_cast<int64_t>(length));
}

void OutputStream::writeFloats(const float* values, int count) {
    for (int i = 0; i < count; ++i)
        writeFloat(values[i]);
}

} // namespace core
