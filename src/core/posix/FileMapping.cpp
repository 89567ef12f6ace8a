// Read-only file mapping over mmap.
#include "core/FileMapping.h"

#include "core/DebugLog.h"
#include "core/Disk.h"
#include "core/Exception.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

namespace core {

void MappedView::reset() {
    // Runs in destructors, so a failure is reported rather than thrown.
    if (m_base && munmap(m_base, m_mappedSize) != 0)
        debugLog("UnmapViewToFile failed\n");
    m_base = nullptr;
    m_mappedSize = 0;
    m_data = nullptr;
}

MappableFile::MappableFile(const std::string& path) {
    int fd = ::open(disk::nativePath(path).c_str(), O_RDONLY | O_CLOEXEC);
    struct stat info;
    if (fd >= 0 && (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode))) {
        ::close(fd);
        fd = -1;
    }
    if (fd < 0)
        throw FileOpenFailedException(path.c_str());
    m_handle = fd;
    m_size = static_cast<uint64_t>(info.st_size);
}

MappableFile::~MappableFile() {
    ::close(static_cast<int>(m_handle));
}

bool MappableFile::readAt(uint64_t offset, void* buffer, size_t count) const {
    auto* out = static_cast<char*>(buffer);
    while (count > 0) {
        ssize_t got = pread(static_cast<int>(m_handle), out, count, static_cast<off_t>(offset));
        if (got <= 0)
            return false;
        out += got;
        offset += static_cast<uint64_t>(got);
        count -= static_cast<size_t>(got);
    }
    return true;
}

MappedView MappableFile::map(uint64_t offset, size_t count) const {
    if (count == 0)
        return MappedView();
    uint64_t start = offset - offset % allocationGranularity();
    size_t length = static_cast<size_t>(offset - start) + count;
    void* base = mmap(nullptr, length, PROT_READ, MAP_SHARED, static_cast<int>(m_handle), static_cast<off_t>(start));
    if (base == MAP_FAILED)
        throw Exception("MapViewOfFile failed");
    return MappedView(base, length, static_cast<const uint8_t*>(base) + (offset - start));
}

size_t MappableFile::allocationGranularity() {
    static const size_t pageSize = static_cast<size_t>(sysconf(_SC_PAGESIZE));
    return pageSize;
}

} // namespace core
