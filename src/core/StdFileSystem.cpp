#include "core/StdFileSystem.h"

#include "core/Disk.h"
#include "core/Exception.h"

namespace core {

std::unique_ptr<File> StdFileSystem::open(const std::string& path) {
    if (!exists(path))
        return nullptr;
    FILE* stream = disk::openStream(path, "rb");
    // fopen succeeds on a directory on some systems; reading it would not.
    uint64_t size;
    if (stream && !disk::fileSize(path, size)) {
        fclose(stream);
        stream = nullptr;
    }
    if (!stream)
        throw FileOpenFailedException(path.c_str());
    return std::make_unique<StdFile>(stream, path);
}

std::unique_ptr<File> StdFileSystem::openWrite(const std::string& path) {
    FILE* stream = disk::openStream(path, "wb");
    if (!stream)
        throw FileOpenFailedException(path.c_str());
    return std::make_unique<StdFile>(stream, path);
}

bool StdFileSystem::exists(const std::string& path) {
    return disk::exists(path);
}

uint32_t StdFileSystem::length(const std::string& path) {
    uint64_t size;
    return disk::fileSize(path, size) ? static_cast<uint32_t>(size) : 0;
}

FileTime StdFileSystem::date(const std::string& path) {
    return disk::lastWriteTime(path);
}

StdFile::StdFile(FILE* stream, std::string path) : m_stream(stream), m_path(std::move(path)) {}

StdFile::~StdFile() {
    fclose(m_stream);
}

void StdFile::read(void* buffer, int64_t count) {
    if (count <= 0)
        return;
    if (fread(buffer, static_cast<size_t>(count), 1, m_stream) != 1)
        throw FileReadFailedException(m_path.c_str());
}

void StdFile::write(const void* buffer, int64_t count) {
    if (count <= 0)
        return;
    if (fwrite(buffer, static_cast<size_t>(count), 1, m_stream) != 1)
        throw FileWriteFailedException(m_path.c_str());
    m_length = -1;
}

void StdFile::seek(int64_t position) {
    if (fseeko(m_stream, position, SEEK_SET) != 0)
        throw FileSeekFailedException(m_path.c_str());
}

void StdFile::skip(int64_t delta) {
    if (fseeko(m_stream, delta, SEEK_CUR) != 0)
        throw FileSeekFailedException(m_path.c_str());
}

int64_t StdFile::getPosition() {
    return ftello(m_stream);
}

int64_t StdFile::getLength() {
    if (m_length < 0) {
        int64_t position = ftello(m_stream);
        fseeko(m_stream, 0, SEEK_END);
        m_length = ftello(m_stream);
        fseeko(m_stream, position, SEEK_SET);
    }
    return m_length;
}

} // namespace core
