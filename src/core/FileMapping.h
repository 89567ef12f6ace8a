#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// Read-only memory mapping of a file, one implementation per platform
// (core/posix/FileMapping.cpp maps with mmap, core/win32/FileMapping.cpp with
// CreateFileMappingW).
namespace core {

// A read-only view of part of a file. Move-only; unmaps when destroyed.
class MappedView {
public:
    MappedView() = default;
    MappedView(void* base, size_t mappedSize, const uint8_t* data) : m_base(base), m_mappedSize(mappedSize), m_data(data) {}
    MappedView(MappedView&& other) noexcept;
    MappedView& operator=(MappedView&& other) noexcept;
    MappedView(const MappedView&) = delete;
    MappedView& operator=(const MappedView&) = delete;
    ~MappedView() { reset(); }

    // The first byte that was asked for (not the page-aligned base).
    const uint8_t* data() const { return m_data; }
    void reset();

private:
    void* m_base = nullptr;
    size_t m_mappedSize = 0;
    const uint8_t* m_data = nullptr;
};

// A file opened read-only (shared with other readers) for mapping.
class MappableFile {
public:
    // Throws FileOpenFailedException naming the path.
    explicit MappableFile(const std::string& path);
    ~MappableFile();
    MappableFile(const MappableFile&) = delete;
    MappableFile& operator=(const MappableFile&) = delete;

    uint64_t size() const { return m_size; }
    // Reads exactly count bytes at offset; false when the file is shorter.
    bool readAt(uint64_t offset, void* buffer, size_t count) const;
    // Maps [offset, offset + count) read-only; the view starts at the offset
    // rounded down to the allocation granularity. count 0 maps nothing. Throws
    // core::Exception "MapViewOfFile failed".
    MappedView map(uint64_t offset, size_t count) const;

    // The alignment a view's start must have: the page size on POSIX, the
    // allocation granularity (64 KiB) on Windows.
    static size_t allocationGranularity();

private:
    intptr_t m_handle = -1;
    uint64_t m_size = 0;
};

} // namespace core
