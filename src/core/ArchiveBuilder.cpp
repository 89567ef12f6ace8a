#include "core/ArchiveBuilder.h"

#include "core/ArchiveFormat.h"
#include "core/Cipher.h"
#include "core/Compression.h"
#include "core/Exception.h"
#include "core/Fnv.h"

namespace core {

void ArchiveBuilder::add(const std::string& path, const std::string& content) {
    if (content.size() > UINT32_MAX)
        throw Exception("File too large for an archive: %s", path.c_str());
    uint32_t hash = fnv1a32(path.data(), path.size());
    auto [existing, added] = m_pathOfHash.emplace(hash, path);
    if (!added)
        throw Exception("Paths %s and %s have the same hash", existing->second.c_str(), path.c_str());
    Pending entry{hash, static_cast<uint32_t>(content.size()), 0, content};
    if (m_options.compress) {
        std::string packed = compress(content.data(), content.size());
        if (packed.size() < content.size()) {
            entry.stored = std::move(packed);
            entry.flags |= archive::Compressed;
        }
    }
    if (!m_options.key.empty()) {
        auto* bytes = reinterpret_cast<uint8_t*>(entry.stored.data());
        rc4Drop768(bytes, bytes, entry.stored.size(), reinterpret_cast<const uint8_t*>(m_options.key.data()),
                   m_options.key.size());
        entry.flags |= archive::Encrypted;
    }
    m_entries.push_back(std::move(entry));
}

std::string ArchiveBuilder::finish() const {
    uint64_t offset = archive::HeaderSize + static_cast<uint64_t>(m_entries.size()) * archive::EntrySize;
    uint64_t total = offset;
    for (const Pending& entry : m_entries)
        total += entry.stored.size();
    if (total > UINT32_MAX)
        throw Exception("Archive larger than 4 GiB");

    std::string out(offset, '\0');
    out.reserve(total);
    auto* header = reinterpret_cast<uint8_t*>(out.data());
    writeLittleEndian32(header, archive::Magic);
    writeLittleEndian32(header + 4, static_cast<uint32_t>(m_entries.size()));
    for (size_t i = 0; i < m_entries.size(); ++i) {
        const Pending& entry = m_entries[i];
        uint8_t* fields = header + archive::HeaderSize + i * archive::EntrySize;
        bool sameLength = entry.stored.size() == entry.length;
        writeLittleEndian32(fields, entry.hash);
        writeLittleEndian32(fields + 4, static_cast<uint32_t>(offset));
        writeLittleEndian32(fields + 8, sameLength ? 0 : static_cast<uint32_t>(entry.stored.size()));
        writeLittleEndian32(fields + 12, entry.length);
        writeLittleEndian32(fields + 16, entry.flags);
        offset += entry.stored.size();
    }
    for (const Pending& entry : m_entries)
        out += entry.stored;
    return out;
}

} // namespace core
