#pragma once

#include <string>

// The folder of the error log (and of the debug log): the documents folder +
// "/" + company name + "/" + application name. Throws core::Exception when
// there is no documents folder.
std::string errorLogFolder();

// Writes the error log and returns its path, or "" when it cannot be written.
std::string writeErrorLog(const std::string& errorText);

// Points the debug log file at the error log's folder; called again whenever
// the company or application name changes.
void followErrorLogFolder();

// Writes the error to stderr, then the error log, then shows the "Software
// Failure" box (when a display can show it) and ends the process at once with
// exit code -1 (255). Nothing is cleaned up. An interrupt or terminate request
// ends it at once with the same code, the box's process included.
[[noreturn]] void crashReport(const std::string& errorText);
