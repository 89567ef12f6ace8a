#include "core/FileStreams.h"

#include "core/Exception.h"

namespace core {

FileInputStream::FileInputStream(const std::string& path, ByteOrder order)
    : InputStream(order), m_file(openFile(path)), m_path(path), m_length(m_file->getLength()) {}

void FileInputStream::readBytes(void* buffer, int64_t count) {
    if (count < 0 || count > availableBytes())
        throw FileReadFailedException(m_path.c_str());
    m_file->read(buffer, count);
    m_position += count;
}

void FileInputStream::skip(int64_t delta) {
    m_file->skip(delta);
    m_position = m_file->getPosition();
}

void FileInputStream::seek(int64_t position) {
    m_file->seek(position);
    m_position = m_file->getPosition();
}

FileOutputStream::FileOutputStream(const std::string& path, ByteOrder order)
    : OutputStream(order), m_file(createFile(path)), m_path(path) {}

void FileOutputStream::writeBytes(const void* buffer, int64_t count) {
    m_file->write(buffer, count);
}

} // namespace core
