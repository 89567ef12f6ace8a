#include "core/ByteArrayStreams.h"

#include "core/Exception.h"

#include <algorithm>

namespace core {

namespace {
const std::string& memoryName() {
    static const std::string name = "<memory>";
    return name;
}
} // namespace

ByteArrayInputStream::ByteArrayInputStream(const void* data, int64_t length, bool copy, ByteOrder order)
    : InputStream(order), m_start(static_cast<const uint8_t*>(data)), m_length(length) {
    if (copy) {
        m_owned.reset(new uint8_t[length > 0 ? length : 1]);
        if (length > 0)
            memcpy(m_owned.get(), data, static_cast<size_t>(length));
        m_start = m_owned.get();
    }
    m_cursor = m_start;
}

void ByteArrayInputStream::throwNotEnough() {
    throw Exception("not enough bytes to read");
}

void ByteArrayInputStream::readBytes(void* buffer, int64_t count) {
    if (count < 0 || count > availableBytes())
        throwNotEnough();
    if (count > 0)
        memcpy(buffer, m_cursor, static_cast<size_t>(count));
    m_cursor += count;
}

void ByteArrayInputStream::seek(int64_t position) {
    if (position < 0 || position > m_length)
        throw Exception("Seek out of range");
    m_cursor = m_start + position;
}

const std::string& ByteArrayInputStream::getFilename() const {
    return memoryName();
}

void ByteArrayOutputStream::seek(int64_t position) {
    if (position < 0 || position > static_cast<int64_t>(m_data.size()))
        throw Exception("Seek out of range");
    m_cursor = static_cast<size_t>(position);
}

const std::string& ByteArrayOutputStream::getFilename() const {
    return memoryName();
}

void ByteArrayOutputStream::writeBytes(const void* buffer, int64_t count) {
    if (count <= 0)
        return;
    size_t end = m_cursor + static_cast<size_t>(count);
    if (end > m_data.size()) {
        if (end > m_data.capacity())
            m_data.reserve(std::max(end, m_data.capacity() + m_data.capacity() / 2));
        m_data.resize(end);  // new bytes are zero
    }
    memcpy(m_data.data() + m_cursor, buffer, static_cast<size_t>(count));
    m_cursor = end;
}

} // namespace core
