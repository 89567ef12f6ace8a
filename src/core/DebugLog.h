#pragma once

#include <string>

namespace core {

// Diagnostics for developers, the character of a debugger channel: every line
// goes to "debug.log" in the folder given below, to the debugger channel on
// Windows, and to stderr only when the environment has QUILL_DEBUG=1. Safe to
// call from any thread.
void debugLog(const char* format, ...) __attribute__((format(printf, 1, 2)));

// The folder of the debug log file (the error log's folder). The file is
// created, replacing the previous run's, at the first line written; a new folder
// takes the following lines. Empty: no file.
void setDebugLogFolder(const std::string& folder);

// The debug log file's path, or "" when none is set.
std::string debugLogPath();

// Hands one formatted line to the platform's debugger channel, where it has
// one (core/posix/, core/win32/).
void writeDebuggerChannel(const char* text);

} // namespace core
