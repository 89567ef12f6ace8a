#include "core/DebugLog.h"

#include "core/Exception.h"
#include "core/FileSystem.h"

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>

namespace core {

namespace {
const char* const FileName = "debug.log";

struct DebugLogFile {
    std::mutex lock;
    std::string folder;
    FILE* file = nullptr;
    bool failed = false;  // the folder's file could not be made: do not retry every line
};

DebugLogFile& logFile() {
    static DebugLogFile log;
    return log;
}

bool echoToStderr() {
    static const bool echo = [] {
        const char* value = std::getenv("QUILL_DEBUG");
        return value && std::strcmp(value, "1") == 0;
    }();
    return echo;
}

// Called with the lock held.
void writeToFile(DebugLogFile& log, const char* text) {
    if (log.folder.empty() || log.failed)
        return;
    if (!log.file) {
        try {
            createPath(log.folder);
        } catch (const Exception&) {
        }
        log.file = std::fopen((log.folder + "/" + FileName).c_str(), "wb");
        if (!log.file) {
            log.failed = true;
            return;
        }
    }
    std::fputs(text, log.file);
    // The process may end at any moment (a crash report ends it without clean-up).
    std::fflush(log.file);
}
} // namespace

void debugLog(const char* format, ...) {
    char buffer[8192];
    va_list args;
    va_start(args, format);
    vsnprintf(buffer, sizeof buffer, format, args);
    va_end(args);

    DebugLogFile& log = logFile();
    std::lock_guard<std::mutex> guard(log.lock);
    writeToFile(log, buffer);
    writeDebuggerChannel(buffer);
    if (echoToStderr()) {
        std::fputs(buffer, stderr);
        std::fflush(stderr);
    }
}

void setDebugLogFolder(const std::string& folder) {
    DebugLogFile& log = logFile();
    std::lock_guard<std::mutex> guard(log.lock);
    if (folder == log.folder)
        return;
    if (log.file)
        std::fclose(log.file);
    log.file = nullptr;
    log.failed = false;
    log.folder = folder;
}

std::string debugLogPath() {
    DebugLogFile& log = logFile();
    std::lock_guard<std::mutex> guard(log.lock);
    return log.folder.empty() ? std::string() : log.folder + "/" + FileName;
}

} // namespace core
