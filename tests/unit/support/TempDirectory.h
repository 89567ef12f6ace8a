#pragma once

#include "core/FileSystem.h"

#include <cstdio>
#include <filesystem>
#include <random>
#include <string>
#include <system_error>

// A folder of the system's temporary folder made for the caller alone: its
// name is the prefix and a number no other folder there has.
inline std::filesystem::path makeFreshFolder(const std::string& prefix) {
    namespace fs = std::filesystem;
    std::random_device random;
    fs::path folder;
    do {
        folder = fs::temp_directory_path() / (prefix + std::to_string(random()));
    } while (!fs::create_directory(folder));
    return folder;
}

// A fresh folder that becomes the working directory for the life of the object.
class TempDirectory {
public:
    TempDirectory() {
        std::filesystem::path folder = makeFreshFolder("quill-test-");
        std::u8string name = folder.u8string();
        m_path.assign(reinterpret_cast<const char*>(name.data()), name.size());
        m_previous = core::getCurrentDirectory();
        core::setCurrentDirectory(m_path);
    }
    ~TempDirectory() {
        core::setCurrentDirectory(m_previous);
        std::error_code error;
        std::u8string name(reinterpret_cast<const char8_t*>(m_path.data()), m_path.size());
        std::filesystem::remove_all(std::filesystem::path(name), error);
        if (error)
            fprintf(stderr, "cannot remove %s: %s\n", m_path.c_str(), error.message().c_str());
    }
    const std::string& path() const { return m_path; }

    static void write(const std::string& path, const std::string& content) {
        FILE* file = fopen(path.c_str(), "wb");
        fwrite(content.data(), 1, content.size(), file);
        fclose(file);
    }

private:
    std::string m_path;
    std::string m_previous;
};
