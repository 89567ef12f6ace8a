// The directory file system and disk operations over the wide Win32 calls.
#include "core/Disk.h"

#include "core/Exception.h"
#include "core/Path.h"
#include "core/win32/WideText.h"

#include <algorithm>
#include <windows.h>

namespace core {

using win32::narrow;
using win32::widen;

namespace {
FileTime toFileTime(const FILETIME& time) {
    return (static_cast<uint64_t>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
}

bool isDirectory(const std::wstring& path) {
    DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// Creates the folder and every missing parent; an existing folder is success.
bool makeDirectories(std::string path) {
    std::replace(path.begin(), path.end(), '/', '\\');
    while (path.size() > 1 && path.back() == '\\')
        path.pop_back();
    std::wstring wide = widen(path);
    if (wide.empty() || isDirectory(wide))
        return true;
    // Each parent in turn; a drive ("C:") or a share root cannot be created and need not be.
    for (size_t slash = wide.find(L'\\', 1); slash != std::wstring::npos; slash = wide.find(L'\\', slash + 1)) {
        std::wstring parent = wide.substr(0, slash);
        if (parent.back() == L':' || isDirectory(parent))
            continue;
        if (!CreateDirectoryW(parent.c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS)
            return false;
    }
    if (!CreateDirectoryW(wide.c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS)
        return false;
    return isDirectory(wide);
}

// Creates the folder part of a target path, as copy and move do.
void createParentOf(const std::string& path) {
    std::string directory = getPath(path);
    if (!directory.empty())
        createPath(directory);
}
} // namespace

namespace disk {

std::string nativePath(const std::string& path) {
    return path;
}

FILE* openStream(const std::string& path, const char* mode) {
    return _wfopen(widen(path).c_str(), widen(mode).c_str());
}

bool exists(const std::string& path) {
    return GetFileAttributesW(widen(path).c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool fileSize(const std::string& path, uint64_t& size) {
    // No access rights asked: the size is readable even while others write.
    HANDLE file = CreateFileW(widen(path).c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    LARGE_INTEGER length;
    bool ok = GetFileSizeEx(file, &length) != 0;
    CloseHandle(file);
    if (ok)
        size = static_cast<uint64_t>(length.QuadPart);
    return ok;
}

FileTime lastWriteTime(const std::string& path) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExW(widen(path).c_str(), GetFileExInfoStandard, &data))
        return 0;
    return toFileTime(data.ftLastWriteTime);
}

std::vector<DirectoryEntry> findEntries(const std::string& directory, const std::string& pattern) {
    std::vector<DirectoryEntry> entries;
    WIN32_FIND_DATAW found;
    // The system's own wildcard meaning, short names included.
    HANDLE search = FindFirstFileExW(widen(directory + "\\" + pattern).c_str(), FindExInfoBasic, &found,
                                     FindExSearchNameMatch, nullptr, 0);
    if (search == INVALID_HANDLE_VALUE)
        return entries;
    do {
        std::string name = narrow(found.cFileName);
        if (name == "." || name == "..")
            continue;
        entries.push_back({name, (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0,
                           (found.dwFileAttributes & FILE_ATTRIBUTE_HIDDEN) != 0});
    } while (FindNextFileW(search, &found));
    FindClose(search);
    return entries;
}

} // namespace disk

std::string getCurrentDirectory() {
    DWORD length = GetCurrentDirectoryW(0, nullptr);
    std::wstring buffer(length, L'\0');
    length = GetCurrentDirectoryW(length, buffer.data());
    buffer.resize(length);
    return narrow(buffer);
}

void setCurrentDirectory(const std::string& path) {
    if (!SetCurrentDirectoryW(widen(path).c_str()))
        throw Exception("Set current directory failed: %s", path.c_str());
}

void createPath(const std::string& path) {
    if (!makeDirectories(path))
        throw Exception("Could not create path: %s", path.c_str());
}

void copyFile(const std::string& from, const std::string& to) {
    createParentOf(to);
    if (!CopyFileW(widen(from).c_str(), widen(to).c_str(), FALSE))
        throw Exception("Could not copy file from \"%s\" to \"%s\"", from.c_str(), to.c_str());
}

void moveFile(const std::string& from, const std::string& to) {
    createParentOf(to);
    if (!MoveFileExW(widen(from).c_str(), widen(to).c_str(),
                     MOVEFILE_REPLACE_EXISTING | MOVEFILE_COPY_ALLOWED | MOVEFILE_WRITE_THROUGH))
        throw Exception("Could not move file from \"%s\" to \"%s\"", from.c_str(), to.c_str());
}

void deleteFile(const std::string& path) {
    if (!DeleteFileW(widen(path).c_str()))
        throw Exception("Could not delete file %s", path.c_str());
}

void setFileDate(const std::string& path, FileTime time) {
    HANDLE file = CreateFileW(widen(path).c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return;
    FILETIME lastWrite{static_cast<DWORD>(time & 0xffffffffu), static_cast<DWORD>(time >> 32)};
    SetFileTime(file, nullptr, nullptr, &lastWrite);
    CloseHandle(file);
}

} // namespace core
