// The directory file system and disk operations over POSIX calls.
#include "core/Disk.h"

#include "core/Exception.h"
#include "core/Path.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace core {

namespace {
constexpr uint64_t UnixEpochInFileTimeSeconds = 11644473600ull;

FileTime toFileTime(const timespec& time) {
    return (static_cast<uint64_t>(time.tv_sec) + UnixEpochInFileTimeSeconds) * 10000000ull +
           static_cast<uint64_t>(time.tv_nsec) / 100;
}

timespec fromFileTime(FileTime time) {
    timespec result;
    result.tv_sec = static_cast<time_t>(time / 10000000ull) - static_cast<time_t>(UnixEpochInFileTimeSeconds);
    result.tv_nsec = static_cast<long>(time % 10000000ull) * 100;
    return result;
}

bool isDirectory(const std::string& nativePath) {
    struct stat info;
    return stat(nativePath.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

bool makeDirectories(const std::string& nativePath) {
    if (nativePath.empty() || isDirectory(nativePath))
        return true;
    for (size_t slash = nativePath.find('/', 1); slash != std::string::npos; slash = nativePath.find('/', slash + 1)) {
        std::string parent = nativePath.substr(0, slash);
        if (mkdir(parent.c_str(), 0777) != 0 && errno != EEXIST)
            return false;
    }
    if (mkdir(nativePath.c_str(), 0777) != 0 && errno != EEXIST)
        return false;
    return isDirectory(nativePath);
}

// Creates the folder part of a target path, as copy and move do.
void createParentOf(const std::string& path) {
    std::string directory = getPath(disk::nativePath(path));
    if (!directory.empty())
        createPath(directory);
}

bool copyContents(const std::string& from, const std::string& to, bool syncToDisk) {
    int source = ::open(from.c_str(), O_RDONLY | O_CLOEXEC);
    if (source < 0)
        return false;
    struct stat info;
    if (fstat(source, &info) != 0 || !S_ISREG(info.st_mode)) {
        close(source);
        return false;
    }
    int target = ::open(to.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, info.st_mode & 0777);
    if (target < 0) {
        close(source);
        return false;
    }
    bool ok = true;
    char buffer[1 << 16];
    for (;;) {
        ssize_t got = ::read(source, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0) {
            ok = got == 0;
            break;
        }
        for (ssize_t done = 0; ok && done < got;) {
            ssize_t put = ::write(target, buffer + done, static_cast<size_t>(got - done));
            if (put < 0 && errno == EINTR)
                continue;
            ok = put > 0;
            done += put;
        }
        if (!ok)
            break;
    }
    // A copy keeps the source's last-write time.
    timespec times[2] = {{0, UTIME_OMIT}, info.st_mtim};
    ok = ok && futimens(target, times) == 0;
    ok = ok && (!syncToDisk || fsync(target) == 0);
    close(source);
    ok = close(target) == 0 && ok;
    return ok;
}
} // namespace

namespace disk {

std::string nativePath(const std::string& path) {
    std::string native = path;
    std::replace(native.begin(), native.end(), '\\', '/');
    return native;
}

bool exists(const std::string& path) {
    struct stat info;
    return stat(nativePath(path).c_str(), &info) == 0;
}

bool fileSize(const std::string& path, uint64_t& size) {
    struct stat info;
    std::string native = nativePath(path);
    if (stat(native.c_str(), &info) != 0 || S_ISDIR(info.st_mode) || access(native.c_str(), R_OK) != 0)
        return false;
    size = static_cast<uint64_t>(info.st_size);
    return true;
}

FileTime lastWriteTime(const std::string& path) {
    struct stat info;
    if (stat(nativePath(path).c_str(), &info) != 0)
        return 0;
    return toFileTime(info.st_mtim);
}

FILE* openStream(const std::string& path, const char* mode) {
    return fopen(nativePath(path).c_str(), mode);
}

std::vector<DirectoryEntry> findEntries(const std::string& directory, const std::string& pattern) {
    std::vector<DirectoryEntry> entries;
    std::string native = nativePath(directory);
    DIR* dir = opendir(native.c_str());
    if (!dir)
        return entries;
    while (dirent* entry = readdir(dir)) {
        std::string name = entry->d_name;
        if (name == "." || name == ".." || !matchWildcard(pattern, name))
            continue;
        bool directoryEntry = entry->d_type == DT_DIR;
        if (entry->d_type == DT_UNKNOWN || entry->d_type == DT_LNK)
            directoryEntry = isDirectory(native + "/" + name);
        entries.push_back({name, directoryEntry, name[0] == '.'});
    }
    closedir(dir);
    return entries;
}

} // namespace disk

std::string getCurrentDirectory() {
    char buffer[4096];
    return getcwd(buffer, sizeof buffer) ? std::string(buffer) : std::string();
}

void setCurrentDirectory(const std::string& path) {
    if (chdir(disk::nativePath(path).c_str()) != 0)
        throw Exception("Set current directory failed: %s", path.c_str());
}

void createPath(const std::string& path) {
    if (!makeDirectories(disk::nativePath(path)))
        throw Exception("Could not create path: %s", path.c_str());
}

void copyFile(const std::string& from, const std::string& to) {
    createParentOf(to);
    if (!copyContents(disk::nativePath(from), disk::nativePath(to), false))
        throw Exception("Could not copy file from \"%s\" to \"%s\"", from.c_str(), to.c_str());
}

void moveFile(const std::string& from, const std::string& to) {
    createParentOf(to);
    std::string source = disk::nativePath(from);
    std::string target = disk::nativePath(to);
    if (rename(source.c_str(), target.c_str()) == 0)
        return;
    // Across volumes a move is a copy written through, then a delete.
    if (errno != EXDEV || !copyContents(source, target, true) || unlink(source.c_str()) != 0)
        throw Exception("Could not move file from \"%s\" to \"%s\"", from.c_str(), to.c_str());
}

void deleteFile(const std::string& path) {
    if (unlink(disk::nativePath(path).c_str()) != 0)
        throw Exception("Could not delete file %s", path.c_str());
}

void setFileDate(const std::string& path, FileTime time) {
    std::string native = disk::nativePath(path);
    int file = ::open(native.c_str(), O_WRONLY | O_CLOEXEC);
    if (file < 0)
        return;
    timespec times[2] = {{0, UTIME_OMIT}, fromFileTime(time)};
    futimens(file, times);
    close(file);
}

} // namespace core
