#include "core/ArchiveFileSystem.h"

#include "core/Cipher.h"
#include "core/Compression.h"
#include "core/Exception.h"
#include "core/Fnv.h"

#include <cstring>

namespace core {

namespace {
// A stored form the archive cannot have been built with: the bytes lie outside
// the file, or a form without compression whose two lengths disagree.
bool storedFormFits(const archive::Entry& entry, uint64_t fileSize) {
    uint64_t end = static_cast<uint64_t>(entry.offset) + entry.storedSize();
    if (end > fileSize)
        return false;
    if (!(entry.flags & archive::Compressed))
        return entry.storedLength == 0 || entry.storedLength == entry.length;
    return true;
}
} // namespace

ArchiveFileSystem::ArchiveFileSystem(const std::string& path) : m_path(path), m_file(path) {
    uint8_t header[archive::HeaderSize];
    if (!m_file.readAt(0, header, 4))
        throw FileReadFailedException(path.c_str());
    if (readLittleEndian32(header) != archive::Magic)
        throw BrokenArchiveException(path.c_str());
    if (!m_file.readAt(4, header + 4, 4))
        throw FileReadFailedException(path.c_str());
    auto count = static_cast<int32_t>(readLittleEndian32(header + 4));
    if (count <= 0)
        return;

    // Checked before allocating, so a wild count cannot ask for gigabytes.
    uint64_t directorySize = static_cast<uint64_t>(count) * archive::EntrySize;
    if (archive::HeaderSize + directorySize > m_file.size())
        throw FileReadFailedException(path.c_str());
    std::vector<uint8_t> directory(directorySize);
    if (!m_file.readAt(archive::HeaderSize, directory.data(), directory.size()))
        throw FileReadFailedException(path.c_str());

    m_entries.resize(static_cast<size_t>(count));
    for (size_t i = 0; i < m_entries.size(); ++i) {
        const uint8_t* fields = directory.data() + i * archive::EntrySize;
        archive::Entry& entry = m_entries[i];
        entry.hash = readLittleEndian32(fields);
        entry.offset = readLittleEndian32(fields + 4);
        entry.storedLength = readLittleEndian32(fields + 8);
        entry.length = readLittleEndian32(fields + 12);
        entry.flags = readLittleEndian32(fields + 16);
        if (!storedFormFits(entry, m_file.size()))
            throw BrokenArchiveException(path.c_str());
    }
    if (sizeof(void*) >= 8)
        m_whole = std::make_shared<const MappedView>(m_file.map(0, static_cast<size_t>(m_file.size())));
}

std::shared_ptr<const MappedView> ArchiveFileSystem::viewOf(const archive::Entry& entry) const {
    if (m_whole)
        return m_whole;
    return std::make_shared<const MappedView>(m_file.map(entry.offset, entry.storedSize()));
}

const archive::Entry* ArchiveFileSystem::find(const std::string& path) const {
    uint32_t hash = fnv1a32(path.data(), path.size());
    for (const archive::Entry& entry : m_entries) {
        if (entry.hash == hash)
            return &entry;
    }
    return nullptr;
}

std::unique_ptr<File> ArchiveFileSystem::open(const std::string& path) {
    const archive::Entry* entry = find(path);
    return entry ? openEntry(*entry, path) : nullptr;
}

std::unique_ptr<File> ArchiveFileSystem::openEntry(const archive::Entry& entry, const std::string& path) {
    uint32_t size = entry.storedSize();
    std::shared_ptr<const MappedView> view = viewOf(entry);
    const uint8_t* stored = view->data() + (m_whole ? entry.offset : 0);
    if (!(entry.flags & (archive::Compressed | archive::Encrypted)))
        return std::make_unique<ArchiveFile>(path, std::move(view), stored, size);

    std::unique_ptr<uint8_t[]> deciphered;
    if (entry.flags & archive::Encrypted) {
        if (m_key.empty())
            throw FileOpenFailedException(path.c_str());
        deciphered.reset(new uint8_t[size]);
        rc4Drop768(stored, deciphered.get(), size, reinterpret_cast<const uint8_t*>(m_key.data()), m_key.size());
        stored = deciphered.get();
    }
    if (!(entry.flags & archive::Compressed))
        return std::make_unique<ArchiveFile>(path, std::move(deciphered), size);

    // The header must agree with the directory, or the directory's length
    // would describe bytes that were never decoded.
    uint32_t length;
    if (!compressedLength(stored, size, length) || length != entry.length)
        throw BrokenArchiveException(m_path.c_str());
    if (!plausibleInflatedLength(size - 4, length))
        throw Exception("corrupted or incomplete data (Z_DATA_ERROR)");
    std::unique_ptr<uint8_t[]> content(new uint8_t[length ? length : 1]);
    inflateExactly(stored + 4, size - 4, content.get(), length);
    return std::make_unique<ArchiveFile>(path, std::move(content), length);
}

std::unique_ptr<File> ArchiveFileSystem::openWrite(const std::string&) {
    return nullptr;
}

bool ArchiveFileSystem::exists(const std::string& path) {
    return find(path) != nullptr;
}

uint32_t ArchiveFileSystem::length(const std::string& path) {
    const archive::Entry* entry = find(path);
    return entry ? entry->length : 0;
}

FileTime ArchiveFileSystem::date(const std::string&) {
    return 0;
}

ArchiveFile::ArchiveFile(std::string path, std::shared_ptr<const MappedView> view, const uint8_t* data, int64_t size)
    : m_path(std::move(path)), m_view(std::move(view)), m_data(data), m_size(size) {}

ArchiveFile::ArchiveFile(std::string path, std::unique_ptr<uint8_t[]> buffer, int64_t size)
    : m_path(std::move(path)), m_buffer(std::move(buffer)), m_data(m_buffer.get()), m_size(size) {}

void ArchiveFile::read(void* buffer, int64_t count) {
    if (count < 0 || count > m_size - m_position)
        throw FileReadFailedException(m_path.c_str());
    if (count > 0)
        memcpy(buffer, m_data + m_position, static_cast<size_t>(count));
    m_position += count;
}

void ArchiveFile::write(const void*, int64_t) {
    throw FileWriteFailedException(m_path.c_str());
}

void ArchiveFile::seek(int64_t position) {
    if (position < 0 || position > m_size)
        throw FileSeekFailedException(m_path.c_str());
    m_position = position;
}

void ArchiveFile::skip(int64_t delta) {
    seek(m_position + delta);
}

} // namespace core
