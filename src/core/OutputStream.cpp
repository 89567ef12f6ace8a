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

void OutputStream::writeSignedInts(const int32_t* values, size_t count) {
    if (!m_swap) {
        writeBytes(values, static_cast<int64_t>(count * sizeof(int32_t)));
        return;
    }
    for (size_t i = 0; i < count; ++i)
        writeSignedInt(values[i]);
}

} // namespace core
