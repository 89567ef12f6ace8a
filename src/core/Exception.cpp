#include "core/Exception.h"

#include <cstdarg>
#include <cstdio>

namespace core {

namespace {
char g_message[Exception::MessageCapacity];

void formatMessage(const char* format, va_list args) {
    vsnprintf(g_message, sizeof g_message, format, args);
}
} // namespace

Exception::Exception(const char* format, ...) {
    va_list args;
    va_start(args, format);
    formatMessage(format, args);
    va_end(args);
}

const char* Exception::getMessage() const {
    return g_message;
}

const char* Exception::lastMessage() {
    return g_message;
}

void Exception::setMessage(const char* format, ...) {
    va_list args;
    va_start(args, format);
    formatMessage(format, args);
    va_end(args);
}

FileNotFoundException::FileNotFoundException(const char* path) {
    setMessage("File not found: %s", path);
}

FileOpenFailedException::FileOpenFailedException(const char* path) {
    setMessage("Failed to open file %s", path);
}

FileReadFailedException::FileReadFailedException(const char* path) {
    setMessage("Read failed on file %s", path);
}

FileWriteFailedException::FileWriteFailedException(const char* path) {
    setMessage("Write failed on file %s", path);
}

FileSeekFailedException::FileSeekFailedException(const char* path) {
    setMessage("Seek failed on file %s", path);
}

BrokenArchiveException::BrokenArchiveException(const char* path) {
    setMessage("Archive file %s is corrupted", path);
}

InvalidFileFormatException::InvalidFileFormatException(const char* path) {
    setMessage("Invalid file format: %s", path);
}

InvalidFileVersionException::InvalidFileVersionException(int expected, int got, const char* path) {
    setMessage("Invalid file version (expected v%d, got v%d): %s", expected, got, path);
}

} // namespace core
