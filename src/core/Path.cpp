#include "core/Path.h"

#include <cctype>

namespace core {

namespace {
size_t lastSeparator(const std::string& path) {
    return path.find_last_of("/\\");
}

bool matchFrom(const char* pattern, const char* name) {
    for (; *pattern; ++pattern, ++name) {
        if (*pattern == '*') {
            while (pattern[1] == '*')
                ++pattern;
            for (const char* rest = name;; ++rest) {
                if (matchFrom(pattern + 1, rest))
                    return true;
                if (!*rest)
                    return false;
            }
        }
        if (!*name)
            return false;
        if (*pattern != '?' && std::tolower(static_cast<unsigned char>(*pattern)) != std::tolower(static_cast<unsigned char>(*name)))
            return false;
    }
    return *name == 0;
}
} // namespace

std::string getFileExtension(const std::string& path) {
    size_t dot = path.rfind('.');
    return dot == std::string::npos ? std::string() : path.substr(dot + 1);
}

std::string getPath(const std::string& path) {
    size_t separator = lastSeparator(path);
    return separator == std::string::npos ? std::string() : path.substr(0, separator);
}

std::string stripPath(const std::string& path) {
    size_t separator = lastSeparator(path);
    return separator == std::string::npos ? path : path.substr(separator + 1);
}

std::string stripExtension(const std::string& path) {
    size_t dot = path.rfind('.');
    return dot == std::string::npos ? path : path.substr(0, dot);
}

SplitPath splitPath(const std::string& path) {
    size_t separator = lastSeparator(path);
    size_t nameStart = separator == std::string::npos ? 0 : separator + 1;
    size_t dot = path.rfind('.');
    if (dot != std::string::npos && dot < nameStart)
        dot = std::string::npos;

    SplitPath parts;
    if (separator != std::string::npos)
        parts.directory = path.substr(0, separator);
    if (dot == std::string::npos) {
        parts.name = path.substr(nameStart);
    } else {
        parts.name = path.substr(nameStart, dot - nameStart);
        parts.extension = path.substr(dot + 1);
    }
    return parts;
}

bool matchWildcard(const std::string& pattern, const std::string& name) {
    if (matchFrom(pattern.c_str(), name.c_str()))
        return true;
    // "name.*" also matches a name without an extension, as on Windows.
    if (pattern.size() >= 2 && pattern.compare(pattern.size() - 2, 2, ".*") == 0)
        return matchFrom(pattern.substr(0, pattern.size() - 2).c_str(), name.c_str());
    return false;
}

} // namespace core
