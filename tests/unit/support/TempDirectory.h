#pragma once

#include "core/FileSystem.h"

#include <cstdio>
#include <cstdlib>
#include <string>

// A fresh folder that becomes the working directory for the life of the object.
class TempDirectory {
public:
    TempDirectory() {
        char pattern[] = "/tmp/quill-test-XXXXXX";
        m_path = mkdtemp(pattern);
        m_previous = core::getCurrentDirectory();
        core::setCurrentDirectory(m_path);
    }
    ~TempDirectory() {
        core::setCurrentDirectory(m_previous);
        std::string command = "rm -rf '" + m_path + "'";
        if (system(command.c_str()) != 0)
            perror("rm");
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
