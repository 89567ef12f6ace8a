#pragma once

#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

namespace core {

// Builds a data archive in memory. Entries keep the order they were added in;
// the same entries give the same bytes.
class ArchiveBuilder {
public:
    struct Options {
        bool compress = false;
        std::string key;  // enciphers every entry when not empty
    };

    explicit ArchiveBuilder(Options options) : m_options(std::move(options)) {}

    // Adds the content under its lookup path. A compressed form that does not
    // shrink the content is dropped in favour of the plain bytes. Two paths with
    // the same hash throw: the second could never be found.
    void add(const std::string& path, const std::string& content);

    // The whole archive: header, directory, then the stored bytes in order.
    std::string finish() const;

    size_t count() const { return m_entries.size(); }

private:
    struct Pending {
        uint32_t hash;
        uint32_t length;
        uint32_t flags;
        std::string stored;
    };
    Options m_options;
    std::vector<Pending> m_entries;
    std::unordered_map<uint32_t, std::string> m_pathOfHash;
};

} // namespace core
