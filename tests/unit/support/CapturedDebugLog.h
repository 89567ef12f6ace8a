#pragma once

#include "core/DebugLog.h"
#include "support/TempDirectory.h"

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <system_error>

// Points the debug log at a fresh folder for the life of the object, so a test
// can read what the host wrote there.
class CapturedDebugLog {
public:
    CapturedDebugLog() : m_folder(makeFreshFolder("quill-debug-log-")) {
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
