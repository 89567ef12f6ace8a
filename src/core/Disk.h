#pragma once

#include "core/FileSystem.h"

#include <cstdio>
#include <string>
#include <vector>

// The operating system's side of the directory file system. One implementation
// per platform (core/posix/Disk.cpp, core/win32/Disk.cpp).
namespace core::disk {

// The path as the operating system wants it ("\" accepted as a separator).
std::string nativePath(const std::string& path);

bool exists(const std::string& path);
// False when the path cannot be opened (missing, a directory, no access).
bool fileSize(const std::string& path, uint64_t& size);
// 0 when the attributes cannot be read.
FileTime lastWriteTime(const std::string& path);

struct DirectoryEntry {
    std::string name;
    bool directory;
    bool hidden;
};
// Every entry of a directory but "." and "..", whose name matches the
// wildcard pattern with the Windows meaning, in the system's order; empty when
// the directory cannot be read.
std::vector<DirectoryEntry> findEntries(const std::string& directory, const std::string& pattern);

// fopen for a path in UTF-8.
FILE* openStream(const std::string& path, const char* mode);

} // namespace core::disk
