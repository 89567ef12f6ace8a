#include "core/DirectoryWatcher.h"

#include <algorithm>

namespace core {

bool DirectoryWatcher::takeChangedFile(std::string& path) {
    std::lock_guard<std::mutex> guard(m_lock);
    if (m_changes.empty())
        return false;
    path = std::move(m_changes.front().path);
    m_changes.pop_front();
    return true;
}

void DirectoryWatcher::report(FileChange change, const std::string& path) {
    std::lock_guard<std::mutex> guard(m_lock);
    if (!m_changes.empty() && m_changes.front().path == path)
        return;
    m_changes.push_front({change, path});
}

std::string changedFilePath(const std::string& directory, const std::string& relativePath) {
    std::string path = directory + "/" + relativePath;
    std::replace(path.begin(), path.end(), '\\', '/');
    return path;
}

} // namespace core
