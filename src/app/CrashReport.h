#pragma once

#include <string>

// Writes the error log and returns its path, or "" when it cannot be written.
std::string writeErrorLog(const std::string& errorText);

// Shows the "Software Failure" box with the error and ends the process at once
// with exit code -1. Nothing is cleaned up.
[[noreturn]] void crashReport(const std::string& errorText);
