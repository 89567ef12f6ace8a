// Directory watching with inotify. inotify watches single directories, so
// the tree gets one watch per directory, and a directory that appears later
// is watched as soon as its creation is read.
#include "core/DirectoryWatcher.h"

#include <dirent.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <thread>
#include <unordered_map>

namespace core {
namespace {

constexpr uint32_t WatchedEvents = IN_CREATE | IN_DELETE | IN_MODIFY | IN_MOVED_FROM | IN_MOVED_TO | IN_DONT_FOLLOW;
constexpr size_t NotificationBufferSize = 16384;

std::string joinRelative(const std::string& directory, const std::string& name) {
    return directory.empty() ? name : directory + "/" + name;
}

FileChange changeOf(uint32_t mask) {
    if (mask & IN_CREATE)
        return FileChange::Added;
    if (mask & IN_DELETE)
        return FileChange::Removed;
    if (mask & IN_MOVED_FROM)
        return FileChange::RenamedFrom;
    if (mask & IN_MOVED_TO)
        return FileChange::RenamedTo;
    return FileChange::Modified;
}

class InotifyWatcher : public DirectoryWatcher {
public:
    explicit InotifyWatcher(const std::string& path) : m_path(path), m_root(path) {
        std::replace(m_root.begin(), m_root.end(), '\\', '/');
        m_stop = eventfd(0, EFD_CLOEXEC);
        m_thread = std::thread([this] { run(); });
    }

    ~InotifyWatcher() override {
        uint64_t one = 1;
        if (write(m_stop, &one, sizeof one) != sizeof one) {
            // The thread still ends: it also polls for a hang-up below.
        }
        m_thread.join();
        close(m_stop);
    }

private:
    void run() {
        m_inotify = inotify_init1(IN_CLOEXEC | IN_NONBLOCK);
        if (m_inotify < 0)
            return;
        if (watchTree("", false))
            readUntilStopped();
        close(m_inotify);
    }

    void readUntilStopped() {
        alignas(inotify_event) char buffer[NotificationBufferSize];
        for (;;) {
            pollfd fds[2] = {{m_inotify, POLLIN, 0}, {m_stop, POLLIN, 0}};
            if (poll(fds, 2, -1) < 0)
                continue;
            if (fds[1].revents)
                return;
            ssize_t length;
            while ((length = read(m_inotify, buffer, sizeof buffer)) > 0) {
                for (char* at = buffer; at < buffer + length;) {
                    auto* event = reinterpret_cast<inotify_event*>(at);
                    // Changes were lost: like an overflowing directory read,
                    // the watcher then reports nothing more.
                    if (event->mask & IN_Q_OVERFLOW)
                        return;
                    handle(*event);
                    at += sizeof(inotify_event) + event->len;
                }
            }
        }
    }

    void handle(const inotify_event& event) {
        if (event.mask & IN_IGNORED) {
            m_directories.erase(event.wd);
            return;
        }
        auto directory = m_directories.find(event.wd);
        if (directory == m_directories.end() || event.len == 0)
            return;
        std::string relative = joinRelative(directory->second, event.name);
        if (event.mask & IN_ISDIR) {
            // Directories are not reported themselves; one moved or made here
            // is watched, and what it already holds reported as added.
            if (event.mask & (IN_CREATE | IN_MOVED_TO))
                watchTree(relative, true);
            return;
        }
        report(changeOf(event.mask), changedFilePath(m_path, relative));
    }

    // Watches a directory and the directories below it; with reportFiles,
    // their files are reported as added (they may have come before the watch).
    bool watchTree(const std::string& relative, bool reportFiles) {
        std::string full = relative.empty() ? m_root : m_root + "/" + relative;
        int wd = inotify_add_watch(m_inotify, full.c_str(), WatchedEvents | IN_ONLYDIR);
        if (wd < 0)
            return false;
        m_directories[wd] = relative;
        DIR* listing = opendir(full.c_str());
        if (!listing)
            return true;
        while (dirent* entry = readdir(listing)) {
            std::string name = entry->d_name;
            if (name == "." || name == "..")
                continue;
            std::string child = joinRelative(relative, name);
            struct stat info;
            if (lstat((m_root + "/" + child).c_str(), &info) != 0)
                continue;
            if (S_ISDIR(info.st_mode))
                watchTree(child, reportFiles);
            else if (reportFiles)
                report(FileChange::Added, changedFilePath(m_path, child));
        }
        closedir(listing);
        return true;
    }

    std::string m_path;  // as the script gave it: changes are reported under it
    std::string m_root;  // the same with "/" separators, for the system
    int m_stop = -1;
    int m_inotify = -1;
    std::unordered_map<int, std::string> m_directories;  // watch → path below the root
    std::thread m_thread;
};

} // namespace

DirectoryWatcher* DirectoryWatcher::create(const std::string& path) {
    return new InotifyWatcher(path);
}

} // namespace core
