// Read-only file mapping over CreateFileMappingW and MapViewOfFile.
#include "core/FileMapping.h"

#include "core/DebugLog.h"
#include "core/Exception.h"
#include "core/win32/WideText.h"

#include <windows.h>

namespace core {

namespace {
HANDLE handleOf(intptr_t handle) {
    return reinterpret_cast<HANDLE>(handle);
}
} // namespace

void MappedView::reset() {
    // Runs in destructors, so a failure is reported rather than thrown.
    if (m_base && !UnmapViewOfFile(m_base))
        debugLog("UnmapViewToFile failed\n");
    m_base = nullptr;
    m_mappedSize = 0;
    m_data = nullptr;
}

MappableFile::MappableFile(const std::string& path) {
    HANDLE file = CreateFileW(win32::widen(path).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    LARGE_INTEGER size;
    if (file != INVALID_HANDLE_VALUE && !GetFileSizeEx(file, &size)) {
        CloseHandle(file);
        file = INVALID_HANDLE_VALUE;
    }
    if (file == INVALID_HANDLE_VALUE)
        throw FileOpenFailedException(path.c_str());
    m_handle = reinterpret_cast<intptr_t>(file);
    m_size = static_cast<uint64_t>(size.QuadPart);
}

MappableFile::~MappableFile() {
    CloseHandle(handleOf(m_handle));
}

bool MappableFile::readAt(uint64_t offset, void* buffer, size_t count) const {
    auto* out = static_cast<char*>(buffer);
    while (count > 0) {
        OVERLAPPED at{};
        at.Offset = static_cast<DWORD>(offset & 0xffffffffu);
        at.OffsetHigh = static_cast<DWORD>(offset >> 32);
        DWORD chunk = count > 0x40000000u ? 0x40000000u : static_cast<DWORD>(count);
        DWORD got = 0;
        if (!ReadFile(handleOf(m_handle), out, chunk, &got, &at) || got == 0)
            return false;
        out += got;
        offset += got;
        count -= got;
    }
    return true;
}

MappedView MappableFile::map(uint64_t offset, size_t count) const {
    if (count == 0)
        return MappedView();
    uint64_t start = offset - offset % allocationGranularity();
    size_t length = static_cast<size_t>(offset - start) + count;
    HANDLE mapping = CreateFileMappingW(handleOf(m_handle), nullptr, PAGE_READONLY, 0, 0, nullptr);
    if (!mapping)
        throw Exception("MapViewOfFile failed");
    void* base = MapViewOfFile(mapping, FILE_MAP_READ, static_cast<DWORD>(start >> 32),
                               static_cast<DWORD>(start & 0xffffffffu), length);
    // The view keeps the mapping object alive; its handle is not needed any more.
    CloseHandle(mapping);
    if (!base)
        throw Exception("MapViewOfFile failed");
    return MappedView(base, length, static_cast<const uint8_t*>(base) + (offset - start));
}

size_t MappableFile::allocationGranularity() {
    static const size_t granularity = [] {
        SYSTEM_INFO info;
        GetSystemInfo(&info);
        return static_cast<size_t>(info.dwAllocationGranularity);
    }();
    return granularity;
}

} // namespace core
