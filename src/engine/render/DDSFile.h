#pragma once

// DDS texture files: the parser the texture loaders read levels through, and
// the writer that makes them from images.

#include "core/InputStream.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace core {
class Image;
}

namespace engine {

class DDSFile {
public:
    enum class Type { Texture2D, Volume, Cube };
    enum class Format { A8R8G8B8, DXT1, DXT2, DXT3, DXT4, DXT5 };

    static constexpr int MaxLevels = 16;

    // Opens and checks a DDS file found through the file systems; throws
    // core::Exception with the reason. The file stays open for readLevel.
    explicit DDSFile(const std::string& path);

    Type type() const { return m_type; }
    Format format() const { return m_format; }
    bool compressed() const { return m_format != Format::A8R8G8B8; }
    uint32_t width() const { return m_width; }
    uint32_t height() const { return m_height; }
    // At least 1: a file without a mip chain is its top level alone.
    int levelCount() const { return static_cast<int>(m_levels.size()); }
    uint32_t levelSize(int level) const { return m_levels[static_cast<size_t>(level)].size; }
    // The bytes of a level as stored: blue, green, red, alpha, or DXT blocks.
    std::vector<uint8_t> readLevel(int level);

    // The size in bytes of one level of a format; 0 for a format without one.
    static uint64_t levelBytes(Format format, uint64_t width, uint64_t height);

private:
    struct Level {
        uint32_t offset;
        uint32_t size;
    };

    std::unique_ptr<core::InputStream> m_stream;
    std::string m_path;
    Type m_type = Type::Texture2D;
    Format m_format = Format::A8R8G8B8;
    uint32_t m_width = 0;
    uint32_t m_height = 0;
    std::vector<Level> m_levels;
};

// Writes an image as a 2D DDS file with its whole mip chain, uncompressed
// (A8R8G8B8), DXT1 or DXT5, straight to disk.
void writeDDS(const std::string& path, const core::Image& image, DDSFile::Format format);
// Writes a 2D DDS file of levels already in the format's bytes, top level
// first, each the next halving of the one before.
void writeDDS(const std::string& path, DDSFile::Format format, uint32_t width, uint32_t height,
              const std::vector<std::vector<uint8_t>>& levels);

} // namespace engine
