#pragma once

#include <string>

namespace core {

// Path text helpers; "/" and "\" both count as separators.
std::string getFileExtension(const std::string& path);
std::string getPath(const std::string& path);
std::string stripPath(const std::string& path);
std::string stripExtension(const std::string& path);

struct SplitPath {
    std::string directory;
    std::string name;
    std::string extension;
};
// A "." before the last separator (a.b/c) is not an extension: the name is
// then everything after the separator.
SplitPath splitPath(const std::string& path);

// Windows wildcard match: '*' and '?', letters in any case, "*.*" matches every
// name and "name.*" matches "name".
bool matchWildcard(const std::string& pattern, const std::string& name);

} // namespace core
