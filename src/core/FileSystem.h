#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace core {

// 100-nanosecond intervals since 1601-01-01 UTC, on every platform.
using FileTime = uint64_t;

// An open file, owned by whoever opened it; the destructor closes it.
class File {
public:
    virtual ~File() = default;
    // Reads exactly count bytes or throws FileReadFailedException.
    virtual void read(void* buffer, int64_t count) = 0;
    // Writes count bytes or throws FileWriteFailedException.
    virtual void write(const void* buffer, int64_t count) = 0;
    // Absolute and relative moves; both throw FileSeekFailedException.
    virtual void seek(int64_t position) = 0;
    virtual void skip(int64_t delta) = 0;
    virtual const std::string& getFilename() const = 0;
    virtual int64_t getPosition() = 0;
    virtual int64_t getLength() = 0;
};

// A source of files: the data archive, the directories on disk. A file system
// removes itself from the mount list when destroyed.
class FileSystem {
public:
    virtual ~FileSystem();
    // The file for reading, or null when this file system does not have the path.
    virtual std::unique_ptr<File> open(const std::string& path) = 0;
    // The file created or truncated for writing, or null when this file system cannot write.
    virtual std::unique_ptr<File> openWrite(const std::string& path) = 0;
    virtual bool exists(const std::string& path) = 0;
    virtual uint32_t length(const std::string& path) = 0;
    // Last-write time, 0 when absent or unknown.
    virtual FileTime date(const std::string& path) = 0;
};

// The mount list: ordered, not owning. A path is looked up in every file system
// in order, then under every search path in order.
void mount(FileSystem* fileSystem, int index = -1);
void unmount(FileSystem* fileSystem);
const std::vector<FileSystem*>& mountedFileSystems();

void addSearchPath(const std::string& path);
void removeSearchPath(const std::string& path);
const std::vector<std::string>& searchPaths();

bool fileExists(const std::string& path);
uint32_t fileLength(const std::string& path);
FileTime fileDate(const std::string& path);
// Throws FileNotFoundException naming the path as given.
std::unique_ptr<File> openFile(const std::string& path);
// The first mounted file system that can write it (search paths are not used).
std::unique_ptr<File> createFile(const std::string& path);
// The whole content; std::string keeps a terminating zero after it.
std::string readFile(const std::string& path);
// The path as given, or its first existing search-path form, or "".
std::string resolvePath(const std::string& path);
// Replaces the run of '#' in the pattern by the first free number, zero-padded.
std::string uniqueFileName(const std::string& pattern);

// Disk operations: straight to the operating system, ignoring the mount list.
std::string getCurrentDirectory();
void setCurrentDirectory(const std::string& path);
void createPath(const std::string& path);
void copyFile(const std::string& from, const std::string& to);
void moveFile(const std::string& from, const std::string& to);
void deleteFile(const std::string& path);
void setFileDate(const std::string& path, FileTime time);
std::vector<std::string> findFiles(const std::string& directory, const std::string& pattern, bool recursive);

} // namespace core
