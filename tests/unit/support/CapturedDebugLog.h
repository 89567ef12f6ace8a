#pragma once

#include "core/DebugLog.h"

#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <system_error>

// Points the debug log at a fresh folder for the life of the object, so a test
// can read what the host wrote there.
class CapturedDebugLog {
public:
    CapturedDebugLog() {
        namespace fs = std::filesystem;
        std::random_device random;
        do {
            m_folder = fs::temp_directory_path() / ("quill-debug-log-" + std::to_string(random()));
        } while (!fs::create_directory(m_folder));
        core::setDebugLogFolder(m_folder.generic_string());
    }
    ~CapturedDebugLog() {
        core::setDebugLogFolder(std::string());
        std::error_code ignored;
        std::filesystem::remove_all(m_folder, ignored);
    }
    CapturedDebugLog(const CapturedDebugLog&) = delete;
    CapturedDebugLog& operator=(const CapturedDebugLog&) = delete;

    // Every line written so far.
    std::string text() const {
        std::ifstream file(core::debugLogPath(), std::ios::binary);
        std::stringstream content;
        content << file.rdbuf();
        return content.str();
    }

private:
    std::filesystem::path m_folder;
};
