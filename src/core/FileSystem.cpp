#include "core/FileSystem.h"

#include "core/Disk.h"
#include "core/Exception.h"
#include "core/Path.h"
#include "core/StdFileSystem.h"

#include <algorithm>
#include <climits>
#include <cstdio>

namespace core {

namespace {
std::vector<FileSystem*>& mounts() {
    static std::vector<FileSystem*> list;
    return list;
}

std::vector<std::string>& paths() {
    static std::vector<std::string> list;
    return list;
}

// The directories on disk are mounted before anything runs, so that they come
// after the data archive the entry point puts in front of them.
struct DiskMount {
    StdFileSystem fileSystem;
    DiskMount() { mount(&fileSystem); }
} g_diskMount;

// Tries the path in every file system, then under every search path; stops
// at the first file system for which probe answers true.
template <class Probe>
bool lookup(const std::string& path, Probe probe) {
    for (FileSystem* fileSystem : mounts()) {
        if (probe(fileSystem, path))
            return true;
    }
    for (const std::string& searchPath : paths()) {
        std::string prefixed = searchPath + "/" + path;
        for (FileSystem* fileSystem : mounts()) {
            if (probe(fileSystem, prefixed))
                return true;
        }
    }
    return false;
}

void findFilesInto(std::vector<std::string>& result, const std::string& directory, const std::string& pattern,
                   bool recursive) {
    auto joined = [&directory](const std::string& name) { return directory.empty() ? name : directory + "/" + name; };

    // A pattern with a folder part lists that folder, as the system's search does.
    SplitPath patternParts = splitPath(pattern);
    std::string patternName = stripPath(pattern);
    std::string searchDirectory = directory;
    if (!patternParts.directory.empty())
        searchDirectory = directory.empty() ? patternParts.directory : directory + "/" + patternParts.directory;

    std::string listed = searchDirectory.empty() ? "." : searchDirectory;
    for (const disk::DirectoryEntry& entry : disk::findEntries(listed, patternName)) {
        if (!entry.directory && !entry.hidden)
            result.push_back(joined(entry.name));
    }
    if (!recursive)
        return;
    for (const disk::DirectoryEntry& entry : disk::findEntries(directory.empty() ? "." : directory, "*.*")) {
        if (entry.directory && !entry.hidden)
            findFilesInto(result, joined(entry.name), pattern, recursive);
    }
}
} // namespace

FileSystem::~FileSystem() {
    unmount(this);
}

void mount(FileSystem* fileSystem, int index) {
    std::vector<FileSystem*>& list = mounts();
    if (std::find(list.begin(), list.end(), fileSystem) != list.end())
        return;
    if (index < 0)
        list.push_back(fileSystem);
    else if (index <= static_cast<int>(list.size()))
        list.insert(list.begin() + index, fileSystem);
}

void unmount(FileSystem* fileSystem) {
    std::vector<FileSystem*>& list = mounts();
    list.erase(std::remove(list.begin(), list.end(), fileSystem), list.end());
}

const std::vector<FileSystem*>& mountedFileSystems() {
    return mounts();
}

void addSearchPath(const std::string& path) {
    std::vector<std::string>& list = paths();
    if (std::find(list.begin(), list.end(), path) == list.end())
        list.push_back(path);
}

void removeSearchPath(const std::string& path) {
    std::vector<std::string>& list = paths();
    list.erase(std::remove(list.begin(), list.end(), path), list.end());
}

const std::vector<std::string>& searchPaths() {
    return paths();
}

bool fileExists(const std::string& path) {
    return lookup(path, [](FileSystem* fileSystem, const std::string& candidate) { return fileSystem->exists(candidate); });
}

uint32_t fileLength(const std::string& path) {
    uint32_t length = 0;
    lookup(path, [&length](FileSystem* fileSystem, const std::string& candidate) {
        if (!fileSystem->exists(candidate))
            return false;
        length = fileSystem->length(candidate);
        return true;
    });
    return length;
}

FileTime fileDate(const std::string& path) {
    FileTime time = 0;
    lookup(path, [&time](FileSystem* fileSystem, const std::string& candidate) {
        if (!fileSystem->exists(candidate))
            return false;
        time = fileSystem->date(candidate);
        return true;
    });
    return time;
}

std::unique_ptr<File> openFile(const std::string& path) {
    std::unique_ptr<File> file;
    lookup(path, [&file](FileSystem* fileSystem, const std::string& candidate) {
        file = fileSystem->open(candidate);
        return file != nullptr;
    });
    if (!file)
        throw FileNotFoundException(path.c_str());
    return file;
}

std::unique_ptr<File> createFile(const std::string& path) {
    for (FileSystem* fileSystem : mounts()) {
        if (std::unique_ptr<File> file = fileSystem->openWrite(path))
            return file;
    }
    throw FileOpenFailedException(path.c_str());
}

std::string readFile(const std::string& path) {
    std::unique_ptr<File> file = openFile(path);
    std::string content(static_cast<size_t>(file->getLength()), '\0');
    file->read(content.data(), static_cast<int64_t>(content.size()));
    return content;
}

std::string resolvePath(const std::string& path) {
    std::string found;
    lookup(path, [&found](FileSystem* fileSystem, const std::string& candidate) {
        if (!fileSystem->exists(candidate))
            return false;
        found = candidate;
        return true;
    });
    return found;
}

std::string uniqueFileName(const std::string& pattern) {
    size_t first = pattern.find('#');
    if (first == std::string::npos)
        return pattern;
    size_t last = pattern.rfind('#');
    auto digits = static_cast<int>(std::count(pattern.begin(), pattern.end(), '#'));
    std::string before = pattern.substr(0, first);
    std::string after = pattern.substr(last + 1);

    char number[32];
    for (int i = 1; i < INT_MAX; ++i) {
        snprintf(number, sizeof number, "%0*d", digits, i);
        std::string candidate = before + number + after;
        if (!fileExists(candidate))
            return candidate;
    }
    return std::string();
}

std::vector<std::string> findFiles(const std::string& directory, const std::string& pattern, bool recursive) {
    std::vector<std::string> result;
    result.reserve(256);
    findFilesInto(result, directory, pattern, recursive);
    return result;
}

} // namespace core
