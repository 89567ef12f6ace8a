#pragma once

#include "core/FileSystem.h"
#include "core/InputStream.h"
#include "core/OutputStream.h"

#include <memory>

namespace core {

// Reads a file found through the mount list and the search paths.
class FileInputStream : public InputStream {
public:
    // Throws FileNotFoundException when no file system has the path.
    explicit FileInputStream(const std::string& path, ByteOrder order = ByteOrder::Default);

    int64_t availableBytes() override { return m_length - m_position; }
    void readBytes(void* buffer, int64_t count) override;
    void skip(int64_t delta) override;
    int64_t getPosition() override { return m_position; }
    void seek(int64_t position) override;
    const std::string& getFilename() const override { return m_path; }

private:
    std::unique_ptr<File> m_file;
    std::string m_path;
    // The stream owns the file, so it can track the position itself instead of
    // asking the file on every read.
    int64_t m_length;
    int64_t m_position = 0;
};

// Writes a file created (or truncated) through the mount list.
class FileOutputStream : public OutputStream {
public:
    // Throws FileOpenFailedException when no file system can create the path.
    explicit FileOutputStream(const std::string& path, ByteOrder order = ByteOrder::Default);

    int64_t getPosition() override { return m_file->getPosition(); }
    void seek(int64_t position) override { m_file->seek(position); }
    const std::string& getFilename() const override { return m_path; }
    void writeBytes(const void* buffer, int64_t count) override;

private:
    std::unique_ptr<File> m_file;
    std::string m_path;
};

} // namespace core
