#pragma once

#include <deque>
#include <mutex>
#include <string>

// Reports files that change under a directory tree, so that a game can reload
// assets while they are edited. The platform's watching runs on a thread of
// its own and hands changes to the main thread through a locked queue, which
// the scripts poll once per frame. One implementation per platform
// (core/posix/DirectoryWatcher.cpp watches with inotify).
namespace core {

// What happened to a file; the values are the ones scripts written for
// Windows know.
enum class FileChange { Added = 1, Removed = 2, Modified = 3, RenamedFrom = 4, RenamedTo = 5 };

class DirectoryWatcher {
public:
    // Watches the directory and everything under it. A directory that cannot
    // be opened is not an error: its watcher reports nothing.
    static DirectoryWatcher* create(const std::string& path);
    virtual ~DirectoryWatcher() = default;
    DirectoryWatcher(const DirectoryWatcher&) = delete;
    DirectoryWatcher& operator=(const DirectoryWatcher&) = delete;

    // Removes the newest change and gives its path; false when none waits.
    bool takeChangedFile(std::string& path);

protected:
    DirectoryWatcher() = default;

    // From the watching thread: queues a change as the newest, unless the
    // newest already names the same path (a save touches a file many times).
    void report(FileChange change, const std::string& path);

private:
    struct Record {
        FileChange change;
        std::string path;
    };

    std::mutex m_lock;
    std::deque<Record> m_changes;  // newest first
};

// The path a change is reported under: the watched directory as the script
// gave it, "/", the file's path below it, with every "\" turned into "/".
std::string changedFilePath(const std::string& directory, const std::string& relativePath);

} // namespace core
