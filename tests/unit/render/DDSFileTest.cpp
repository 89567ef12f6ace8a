#include "core/Exception.h"
#include "core/Image.h"
#include "engine/render/DDSFile.h"
#include "support/TempDirectory.h"

#include <gtest/gtest.h>
#include <squish.h>

#include <cstdlib>

namespace {

using Format = engine::DDSFile::Format;

// A header as the tests want it: 128 bytes, words set by byte offset.
struct Header {
    std::vector<uint8_t> bytes = std::vector<uint8_t>(128, 0);
    Header() {
        set(0, 0x20534444);  // "DDS "
        set(4, 124);
        set(8, 0x1 | 0x2 | 0x4 | 0x1000 | 0x20000);
    }
    Header& set(size_t offset, uint32_t value) {
        for (int i = 0; i < 4; ++i)
            bytes[offset + i] = static_cast<uint8_t>(value >> (8 * i));
        return *this;
    }
    Header& size(uint32_t width, uint32_t height, uint32_t levels) {
        return set(12, height).set(16, width).set(28, levels);
    }
    Header& fourCC(const char* code) {
        return set(80, 0x4).set(84, uint32_t(code[0]) | uint32_t(code[1]) << 8 | uint32_t(code[2]) << 16 |
                                            uint32_t(code[3]) << 24);
    }
    Header& argb() {
        return set(80, 0x41).set(88, 32).set(92, 0x00FF0000).set(96, 0x0000FF00).set(100, 0x000000FF).set(104, 0xFF000000);
    }
    void write(const std::string& path, size_t dataBytes) const {
        std::string content(bytes.begin(), bytes.end());
        content.append(dataBytes, '\x55');
        TempDirectory::write(path, content);
    }
};

std::string parseError(const std::string& path) {
    try {
        engine::DDSFile file(path);
        return "";
    } catch (const core::Exception& e) {
        return e.getMessage();
    }
}

TEST(DDSFile, RefusesWhatItCannotReadWithItsReason) {
    TempDirectory folder;
    TempDirectory::write("text.dds", "not a dds file at all");
    Header().set(4, 100).write("header.dds", 0);
    Header().fourCC("DX10").size(4, 4, 1).write("dx10.dds", 16);
    Header().fourCC("ATI2").size(4, 4, 1).write("ati2.dds", 16);
    Header().argb().set(88, 24).size(4, 4, 1).write("rgb24.dds", 64);
    Header().size(4, 4, 1).write("noformat.dds", 64);
    Header().argb().size(65536, 65536, 17).write("levels.dds", 64);
    Header().fourCC("DXT5").size(512, 512, 10).write("short.dds", 1000);
    Header().argb().size(0xFFFFFFFF, 0xFFFFFFFF, 1).write("huge.dds", 64);
    TempDirectory::write("tiny.dds", "DDS ");

    struct {
        const char* path;
        const char* message;
    } cases[] = {
        {"text.dds", "Not a valid DDS file: text.dds"},
        {"header.dds", "Invalid DDS header size: header.dds"},
        {"tiny.dds", "Invalid DDS header size: tiny.dds"},
        {"dx10.dds", "Unsupported DX10 DDS file: dx10.dds"},
        {"ati2.dds", "Unknown four-cc DDS format 0x32495441 in file ati2.dds"},
        {"rgb24.dds", "Unknown uncompressed DDS pixel format in file rgb24.dds"},
        {"noformat.dds", "Could not determine DDS texture surface size"},
        {"levels.dds", "Too many levels (17) in DDS file levels.dds"},
        {"short.dds", "DDS level 0 reaches past the end of file short.dds"},
        {"huge.dds", "DDS level 0 reaches past the end of file huge.dds"},
        {"missing.dds", "File not found: missing.dds"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(parseError(c.path), c.message);
}

TEST(DDSFile, LevelTablesFollowTheFormatsBlockSizes) {
    TempDirectory folder;
    Header().fourCC("DXT1").size(3, 3, 1).write("dxt1.dds", 8);
    engine::DDSFile dxt1("dxt1.dds");
    EXPECT_EQ(dxt1.levelSize(0), 8u);

    Header().fourCC("DXT5").size(512, 512, 10).set(112, 0x200).write("cube.dds", 512 * 512 * 2);
    engine::DDSFile dxt5("cube.dds");
    EXPECT_EQ(dxt5.type(), engine::DDSFile::Type::Cube);
    EXPECT_EQ(dxt5.levelCount(), 10);
    EXPECT_EQ(dxt5.levelSize(0), 512u * 512u);
    EXPECT_EQ(dxt5.levelSize(9), 16u);

    // Without a mip chain (no level-count flag, or a count of 0) the file is its top level.
    Header().argb().set(8, 0x1007).size(4, 4, 3).write("unflagged.dds", 64);
    Header().fourCC("DXT1").size(8, 4, 0).write("zero.dds", 16);
    for (const char* path : {"unflagged.dds", "zero.dds"}) {
        engine::DDSFile file(path);
        ASSERT_EQ(file.levelCount(), 1) << path;
        EXPECT_EQ(file.readLevel(0).size(), file.levelSize(0)) << path;
    }
    EXPECT_EQ(engine::DDSFile("zero.dds").levelSize(0), 16u);
}

core::Image gradient(int width, int height) {
    core::Image image(width, height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            image.setPixel(x, y, {uint8_t(x * 255 / width), uint8_t(y * 255 / height), 128, uint8_t(255 - x)});
    return image;
}

TEST(DDSFile, WrittenFilesReadBackWithTheirWholeMipChain) {
    TempDirectory folder;
    core::Image image = gradient(64, 32);
    struct {
        Format format;
        int flags;
        int tolerance;
    } cases[] = {{Format::A8R8G8B8, 0, 0}, {Format::DXT1, squish::kDxt1, 24}, {Format::DXT5, squish::kDxt5, 16}};
    for (const auto& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.format));
        engine::writeDDS("out.dds", image, c.format);
        engine::DDSFile file("out.dds");
        EXPECT_EQ(file.format(), c.format);
        EXPECT_EQ(file.width(), 64u);
        EXPECT_EQ(file.height(), 32u);
        ASSERT_EQ(file.levelCount(), 7);
        EXPECT_EQ(file.levelSize(6), engine::DDSFile::levelBytes(c.format, 1, 1));

        std::vector<uint8_t> level0 = file.readLevel(0);
        std::vector<uint8_t> bgra(image.dataSize());
        if (c.format == Format::A8R8G8B8) {
            bgra = level0;
        } else {
            std::vector<uint8_t> rgba(image.dataSize());
            squish::DecompressImage(rgba.data(), 64, 32, level0.data(), c.flags);
            for (size_t p = 0; p < rgba.size(); p += 4)
                bgra[p] = rgba[p + 2], bgra[p + 1] = rgba[p + 1], bgra[p + 2] = rgba[p], bgra[p + 3] = rgba[p + 3];
        }
        int worst = 0;
        for (size_t i = 0; i < bgra.size(); ++i) {
            bool alphaOfDxt1 = c.format == Format::DXT1 && i % 4 == 3;
            if (!alphaOfDxt1)
                worst = std::max(worst, std::abs(int(bgra[i]) - int(image.data()[i])));
        }
        EXPECT_LE(worst, c.tolerance);
    }
}

TEST(DDSFile, AChainRunsDownToOnePixelAlongTheLongSide) {
    TempDirectory folder;
    engine::writeDDS("strip.dds", gradient(8, 1), Format::A8R8G8B8);
    engine::DDSFile file("strip.dds");
    ASSERT_EQ(file.levelCount(), 4);
    EXPECT_EQ(file.levelSize(1), 4u * 4u);
    EXPECT_EQ(file.levelSize(3), 4u);
}

} // namespace
