#pragma once

#include "core/ArchiveFormat.h"
#include "core/FileMapping.h"
#include "core/FileSystem.h"

#include <memory>
#include <string>
#include <vector>

namespace core {

// A read-only file system over a data archive. Entries are found by the hash of
// their path; no names are kept. Plain entries are read straight out of the
// mapped archive; compressed or enciphered ones are decoded when opened.
//
// On 64-bit builds the whole archive is mapped once and shared by the files
// opened from it: mapping and unmapping a view per open costs more than
// reading a large entry. Where address space is scarce (32-bit builds) each
// file maps only the pages covering its entry.
class ArchiveFileSystem : public FileSystem {
public:
    // Reads the directory. Throws FileOpenFailedException for a missing file,
    // FileReadFailedException for a truncated header or directory, and
    // BrokenArchiveException for a wrong magic or an entry that reaches past the
    // end of the file or cannot be a valid stored form.
    explicit ArchiveFileSystem(const std::string& path);

    // The key of enciphered entries; an archive without one cannot open them.
    void setKey(const std::string& key) { m_key = key; }

    std::unique_ptr<File> open(const std::string& path) override;
    std::unique_ptr<File> openWrite(const std::string& path) override;
    bool exists(const std::string& path) override;
    uint32_t length(const std::string& path) override;
    FileTime date(const std::string& path) override;

    const std::string& getPath() const { return m_path; }
    const std::vector<archive::Entry>& entries() const { return m_entries; }
    // The first entry with the path's hash; later ones with the same hash are
    // never reached.
    const archive::Entry* find(const std::string& path) const;
    // Opens one entry of the directory, decoded; name is what the file reports.
    std::unique_ptr<File> openEntry(const archive::Entry& entry, const std::string& name);

private:
    // The entry's stored bytes, and what keeps them mapped.
    std::shared_ptr<const MappedView> viewOf(const archive::Entry& entry) const;

    std::string m_path;
    MappableFile m_file;
    std::shared_ptr<const MappedView> m_whole;  // null when entries map their own views
    std::vector<archive::Entry> m_entries;
    std::string m_key;
};

// An entry opened for reading: either bytes of a mapped view, which it keeps
// mapped for as long as it lives (even past its archive), or the decoded bytes
// it owns.
class ArchiveFile : public File {
public:
    ArchiveFile(std::string path, std::shared_ptr<const MappedView> view, const uint8_t* data, int64_t size);
    ArchiveFile(std::string path, std::unique_ptr<uint8_t[]> buffer, int64_t size);

    void read(void* buffer, int64_t count) override;
    void write(const void* buffer, int64_t count) override;
    void seek(int64_t position) override;
    void skip(int64_t delta) override;
    const std::string& getFilename() const override { return m_path; }
    int64_t getPosition() override { return m_position; }
    int64_t getLength() override { return m_size; }

    // The whole content, for readers that want it in place.
    const uint8_t* data() const { return m_data; }

private:
    std::string m_path;
    std::shared_ptr<const MappedView> m_view;
    std::unique_ptr<uint8_t[]> m_buffer;
    const uint8_t* m_data;
    int64_t m_position = 0;
    int64_t m_size;
};

} // namespace core
