#pragma once

#include "core/DebugLog.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

// Points the debug log at a fresh folder for the life of the object, so a test
// can read what the host wrote there.
class CapturedDebugLog {
public:
    CapturedDebugLog() {
        char pattern[] = "/tmp/quill-debug-log-XXXXXX";
        m_folder = mkdtemp(pattern);
        core::setDebugLogFolder(m_folder);
    }
    ~CapturedDebugLog() {
        core::setDebugLogFolder(std::string());
        std::string command = "rm -rf '" + m_folder + "'";
        if (system(command.c_str()) != 0)
            perror("rm");
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
    std::string m_folder;
};
