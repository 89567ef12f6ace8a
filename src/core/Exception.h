#pragma once

namespace core {

// Host failures. The formatted message lives in one process-wide buffer, so an
// exception object carries nothing but its type: the most recently constructed
// exception's text is what every handler reads.
class Exception {
public:
    explicit Exception(const char* format, ...) __attribute__((format(printf, 2, 3)));
    virtual ~Exception() = default;

    // The shared message buffer (2047 characters at most).
    const char* getMessage() const;
    static const char* lastMessage();

    static constexpr int MessageCapacity = 2048;

protected:
    Exception() = default;
    static void setMessage(const char* format, ...) __attribute__((format(printf, 1, 2)));
};

class FileNotFoundException : public Exception {
public:
    explicit FileNotFoundException(const char* path);
};

class FileOpenFailedException : public Exception {
public:
    explicit FileOpenFailedException(const char* path);
};

class FileReadFailedException : public Exception {
public:
    explicit FileReadFailedException(const char* path);
};

class FileWriteFailedException : public Exception {
public:
    explicit FileWriteFailedException(const char* path);
};

class FileSeekFailedException : public Exception {
public:
    explicit FileSeekFailedException(const char* path);
};

class BrokenArchiveException : public Exception {
public:
    explicit BrokenArchiveException(const char* path);
};

class InvalidFileFormatException : public Exception {
public:
    explicit InvalidFileFormatException(const char* path);
};

class InvalidFileVersionException : public Exception {
public:
    InvalidFileVersionException(int expected, int got, const char* path);
};

} // namespace core
