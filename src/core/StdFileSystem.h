#pragma once

#include "core/FileSystem.h"

#include <cstdio>

namespace core {

// The directories on disk. Relative paths resolve against the working directory.
class StdFileSystem : public FileSystem {
public:
    std::unique_ptr<File> open(const std::string& path) override;
    std::unique_ptr<File> openWrite(const std::string& path) override;
    bool exists(const std::string& path) override;
    uint32_t length(const std::string& path) override;
    FileTime date(const std::string& path) override;
};

// A buffered standard I/O file.
class StdFile : public File {
public:
    StdFile(FILE* stream, std::string path);
    ~StdFile() override;

    void read(void* buffer, int64_t count) override;
    void write(const void* buffer, int64_t count) override;
    void seek(int64_t position) override;
    void skip(int64_t delta) override;
    const std::string& getFilename() const override { return m_path; }
    int64_t getPosition() override;
    int64_t getLength() override;

private:
    FILE* m_stream;
    std::string m_path;
    int64_t m_length = -1;
};

} // namespace core
