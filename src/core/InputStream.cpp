#include "core/InputStream.h"

#include <cstring>

namespace core {

std::string InputStream::readByteString(int64_t count) {
    std::string bytes;
    // Left empty for a count the stream will refuse, which it does before
    // writing anything.
    if (count > 0 && count <= availableBytes())
        bytes.resize(static_cast<size_t>(count));
    readBytes(bytes.data(), count);
    return bytes;
}

std::string InputStream::readString() {
    std::string text = readByteString(readSignedInt());
    size_t zero = text.find('\0');
    if (zero != std::string::npos)
        text.resize(zero);
    return text;
}

void InputStream::readFloats(float* values, int count) {
    for (int i = 0; i < count; ++i)
        values[i] = readFloat();
}

} // namespace core
