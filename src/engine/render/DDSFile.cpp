#include "engine/render/DDSFile.h"

#include "core/ByteOrder.h"
#include "core/Disk.h"
#include "core/Exception.h"
#include "core/FileStreams.h"
#include "core/Image.h"

#include <squish.h>

#include <algorithm>
#include <cstdio>

namespace engine {

namespace {

constexpr uint32_t HeaderSize = 124;
constexpr uint32_t FlagCaps = 0x1, FlagHeight = 0x2, FlagWidth = 0x4, FlagPitch = 0x8, FlagPixelFormat = 0x1000;
constexpr uint32_t FlagLevelCount = 0x20000, FlagLinearSize = 0x80000;
constexpr uint32_t PixelFourCC = 0x4, PixelRgb = 0x40, PixelAlpha = 0x1;
constexpr uint32_t CapsComplex = 0x8, CapsTexture = 0x1000, CapsMipmap = 0x400000;
constexpr uint32_t Caps2Cube = 0x200, Caps2Volume = 0x200000;

// Header words, by byte offset from the start of the file.
enum Word {
    Flags = 8, Height = 12, Width = 16, PitchOrLinearSize = 20, LevelCount = 28, PixelFormatSize = 76,
    PixelFlags = 80, FourCC = 84, RgbBitCount = 88, RedMask = 92, GreenMask = 96, BlueMask = 100, AlphaMask = 104,
    Caps = 108, Caps2 = 112,
};

constexpr uint32_t fourCC(const char (&code)[5]) {
    return static_cast<uint32_t>(code[0]) | static_cast<uint32_t>(code[1]) << 8 |
           static_cast<uint32_t>(code[2]) << 16 | static_cast<uint32_t>(code[3]) << 24;
}

uint32_t word(const uint8_t* header, Word offset) {
    // The header array starts after the 4-byte magic.
    return core::readLittleEndian32(header + offset - 4);
}

void putWord(uint8_t* file, Word offset, uint32_t value) {
    for (int i = 0; i < 4; ++i)
        file[offset + i] = static_cast<uint8_t>(value >> (8 * i));
}

// The next level of a mip chain: the image halving, and for a chain that has
// run down to one pixel across, pairs averaged along the other side.
core::Image nextLevel(const core::Image& level) {
    int width = level.getWidth(), height = level.getHeight();
    if (width > 1 && height > 1) {
        core::Image half = level;
        half.halve();
        return half;
    }
    core::Image half(std::max(1, width / 2), std::max(1, height / 2));
    for (int y = 0; y < half.getHeight(); ++y) {
        for (int x = 0; x < half.getWidth(); ++x) {
            core::Image::Rgba a = level.getPixelChecked(width > 1 ? 2 * x : x, height > 1 ? 2 * y : y);
            core::Image::Rgba b = level.getPixelChecked(width > 1 ? 2 * x + 1 : x, height > 1 ? 2 * y + 1 : y);
            half.setPixel(x, y, {uint8_t((a.red + b.red) / 2), uint8_t((a.green + b.green) / 2),
                                 uint8_t((a.blue + b.blue) / 2), uint8_t((a.alpha + b.alpha) / 2)});
        }
    }
    return half;
}

} // namespace

uint64_t DDSFile::levelBytes(Format format, uint64_t width, uint64_t height) {
    uint64_t blocks = ((width + 3) / 4) * ((height + 3) / 4);
    switch (format) {
    case Format::A8R8G8B8:
        return width * height * 4;
    case Format::DXT1:
        return blocks * 8;
    default:
        return blocks * 16;
    }
}

DDSFile::DDSFile(const std::string& path) : m_stream(std::make_unique<core::FileInputStream>(path)), m_path(path) {
    const char* name = path.c_str();
    if (m_stream->availableBytes() < 4 || m_stream->readInt() != fourCC("DDS "))
        throw core::Exception("Not a valid DDS file: %s", name);
    uint8_t header[HeaderSize];
    if (m_stream->availableBytes() < HeaderSize)
        throw core::Exception("Invalid DDS header size: %s", name);
    m_stream->readBytes(header, HeaderSize);
    if (core::readLittleEndian32(header) != HeaderSize)
        throw core::Exception("Invalid DDS header size: %s", name);

    uint32_t pixelFlags = word(header, PixelFlags);
    uint32_t code = word(header, FourCC);
    if ((pixelFlags & PixelFourCC) && code == fourCC("DX10"))
        throw core::Exception("Unsupported DX10 DDS file: %s", name);

    uint32_t caps2 = word(header, Caps2);
    m_type = (caps2 & Caps2Cube) ? Type::Cube : (caps2 & Caps2Volume) ? Type::Volume : Type::Texture2D;

    bool sized = true;
    if (pixelFlags & PixelFourCC) {
        static const struct {
            uint32_t code;
            Format format;
        } codes[] = {{fourCC("DXT1"), Format::DXT1}, {fourCC("DXT2"), Format::DXT2}, {fourCC("DXT3"), Format::DXT3},
                     {fourCC("DXT4"), Format::DXT4}, {fourCC("DXT5"), Format::DXT5}};
        auto known = std::find_if(std::begin(codes), std::end(codes), [code](const auto& c) { return c.code == code; });
        if (known == std::end(codes))
            throw core::Exception("Unknown four-cc DDS format 0x%08x in file %s", code, name);
        m_format = known->format;
    } else if (pixelFlags & PixelRgb) {
        if (word(header, RgbBitCount) != 32 || word(header, RedMask) != 0x00FF0000 ||
            word(header, GreenMask) != 0x0000FF00 || word(header, BlueMask) != 0x000000FF ||
            word(header, AlphaMask) != 0xFF000000)
            throw core::Exception("Unknown uncompressed DDS pixel format in file %s", name);
        m_format = Format::A8R8G8B8;
    } else {
        sized = false;
    }

    m_width = word(header, Width);
    m_height = word(header, Height);
    // A file without a mip chain (no level-count flag, or a count of 0) still
    // holds its top level; every loader reads that one level.
    uint32_t levels = (word(header, Flags) & FlagLevelCount) ? word(header, LevelCount) : 0;
    if (levels == 0)
        levels = 1;
    if (levels > MaxLevels)
        throw core::Exception("Too many levels (%u) in DDS file %s", levels, name);
    if (!sized)
        throw core::Exception("Could not determine DDS texture surface size");

    // Every level must lie inside the file: nothing is read from beyond it.
    uint64_t offset = static_cast<uint64_t>(m_stream->getPosition());
    uint64_t end = offset + static_cast<uint64_t>(m_stream->availableBytes());
    uint64_t width = m_width, height = m_height;
    for (uint32_t i = 0; i < levels; ++i) {
        uint64_t size = levelBytes(m_format, width, height);
        if (size > end - offset)
            throw core::Exception("DDS level %u reaches past the end of file %s", i, name);
        m_levels.push_back({static_cast<uint32_t>(offset), static_cast<uint32_t>(size)});
        offset += size;
        width = std::max<uint64_t>(1, width / 2);
        height = std::max<uint64_t>(1, height / 2);
    }
}

std::vector<uint8_t> DDSFile::readLevel(int level) {
    const Level& entry = m_levels.at(static_cast<size_t>(level));
    std::vector<uint8_t> bytes(entry.size);
    m_stream->seek(entry.offset);
    m_stream->readBytes(bytes.data(), entry.size);
    return bytes;
}

void writeDDS(const std::string& path, const core::Image& image, DDSFile::Format format) {
    if (format != DDSFile::Format::A8R8G8B8 && format != DDSFile::Format::DXT1 && format != DDSFile::Format::DXT5)
        throw core::Exception("Unsupported DDS output format for %s", path.c_str());
    if (image.getWidth() <= 0 || image.getHeight() <= 0)
        throw core::Exception("Empty image for DDS file %s", path.c_str());

    int levels = 1;
    for (int size = std::max(image.getWidth(), image.getHeight()); size > 1; size /= 2)
        ++levels;

    bool compressed = format != DDSFile::Format::A8R8G8B8;
    std::vector<std::vector<uint8_t>> chain;
    core::Image level = image;
    std::vector<uint8_t> rgba;
    for (int i = 0; i < levels; ++i) {
        if (i > 0)
            level = nextLevel(level);
        const uint8_t* pixels = level.data();
        if (!compressed) {
            // Stored blue, green, red, alpha: the memory order of A8R8G8B8.
            chain.emplace_back(pixels, pixels + level.dataSize());
            continue;
        }
        rgba.resize(level.dataSize());
        for (size_t p = 0; p < rgba.size(); p += 4) {
            rgba[p] = pixels[p + 2];
            rgba[p + 1] = pixels[p + 1];
            rgba[p + 2] = pixels[p];
            rgba[p + 3] = pixels[p + 3];
        }
        int flags = (format == DDSFile::Format::DXT1 ? squish::kDxt1 : squish::kDxt5) | squish::kColourClusterFit;
        chain.emplace_back(DDSFile::levelBytes(format, level.getWidth(), level.getHeight()));
        squish::CompressImage(rgba.data(), level.getWidth(), level.getHeight(), chain.back().data(), flags);
    }
    writeDDS(path, format, static_cast<uint32_t>(image.getWidth()), static_cast<uint32_t>(image.getHeight()), chain);
}

void writeDDS(const std::string& path, DDSFile::Format format, uint32_t width, uint32_t height,
              const std::vector<std::vector<uint8_t>>& levels) {
    bool compressed = format != DDSFile::Format::A8R8G8B8;
    std::vector<uint8_t> file(4 + HeaderSize, 0);
    putWord(file.data(), Word(0), fourCC("DDS "));
    putWord(file.data(), Word(4), HeaderSize);
    putWord(file.data(), Flags,
            FlagCaps | FlagHeight | FlagWidth | FlagPixelFormat | FlagLevelCount | (compressed ? FlagLinearSize : FlagPitch));
    putWord(file.data(), Height, height);
    putWord(file.data(), Width, width);
    putWord(file.data(), PitchOrLinearSize,
            compressed ? static_cast<uint32_t>(DDSFile::levelBytes(format, width, height)) : width * 4);
    putWord(file.data(), LevelCount, static_cast<uint32_t>(levels.size()));
    putWord(file.data(), PixelFormatSize, 32);
    if (compressed) {
        putWord(file.data(), PixelFlags, PixelFourCC);
        putWord(file.data(), FourCC, format == DDSFile::Format::DXT1 ? fourCC("DXT1") : fourCC("DXT5"));
    } else {
        putWord(file.data(), PixelFlags, PixelRgb | PixelAlpha);
        putWord(file.data(), RgbBitCount, 32);
        putWord(file.data(), RedMask, 0x00FF0000);
        putWord(file.data(), GreenMask, 0x0000FF00);
        putWord(file.data(), BlueMask, 0x000000FF);
        putWord(file.data(), AlphaMask, 0xFF000000);
    }
    putWord(file.data(), Caps, CapsTexture | (levels.size() > 1 ? CapsComplex | CapsMipmap : 0));
    for (const std::vector<uint8_t>& level : levels)
        file.insert(file.end(), level.begin(), level.end());

    FILE* out = core::disk::openStream(path, "wb");
    bool written = out && fwrite(file.data(), 1, file.size(), out) == file.size();
    if (out)
        written = fclose(out) == 0 && written;
    if (!written)
        throw core::FileWriteFailedException(path.c_str());
}

} // namespace engine
