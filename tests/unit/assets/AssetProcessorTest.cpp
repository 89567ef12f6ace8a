#include "core/ArchiveBuilder.h"
#include "core/ArchiveFileSystem.h"
#include "core/Exception.h"
#include "core/FileSystem.h"
#include "core/Image.h"
#include "engine/assets/AssetProcessor.h"
#include "engine/assets/ModelAssetProcessor.h"
#include "engine/render/DDSFile.h"
#include "support/TempDirectory.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

using engine::AssetProcessor;
using Format = engine::DDSFile::Format;

constexpr core::FileTime Day = 864000000000ull;
constexpr core::FileTime Source = 130000000000000000ull;

void writeOptions(const std::string& text, core::FileTime time) {
    TempDirectory::write("wall.texture", text);
    core::setFileDate("wall.texture", time);
}

Format ddsFormat(const std::string& path) {
    return engine::DDSFile(path).format();
}

class TextureConversion : public testing::Test {
protected:
    void SetUp() override {
        engine::registerAssetProcessor(AssetProcessor::Texture, "tga",
                                       core::CountedRef<AssetProcessor>(new engine::TextureAssetProcessorDDS));
        core::Image image(16, 8);
        image.setPixel(3, 3, {10, 20, 30, 40});
        image.save("wall.tga", true);
        core::setFileDate("wall.tga", Source);
    }

    void process() { engine::findAssetProcessor(AssetProcessor::Texture, "wall.tga").processFile("wall.tga"); }

    TempDirectory m_folder;
};

TEST_F(TextureConversion, OptionsChooseTheFormatAndAnyChangeConvertsAgain) {
    process();
    EXPECT_EQ(ddsFormat("wall.dds"), Format::A8R8G8B8);
    EXPECT_EQ(engine::DDSFile("wall.dds").levelCount(), 5);
    EXPECT_EQ(core::fileDate("wall.dds"), Source);

    struct {
        const char* options;
        core::FileTime time;
        Format format;
    } steps[] = {
        {"compressed = true\nalpha = true\n", Source + 2 * Day, Format::DXT5},
        // Older than before, still newer than the source: a change all the same.
        {"compressed = true\n", Source + Day, Format::DXT1},
        {"alpha = true\n", Source + 3 * Day, Format::A8R8G8B8},
    };
    for (const auto& step : steps) {
        SCOPED_TRACE(step.options);
        writeOptions(step.options, step.time);
        process();
        EXPECT_EQ(ddsFormat("wall.dds"), step.format);
        EXPECT_EQ(core::fileDate("wall.dds"), step.time);
    }
}

TEST_F(TextureConversion, AnUpToDateFileIsLeftAloneAndAFailedConversionKeepsItsTime) {
    process();
    TempDirectory::write("wall.dds", "kept");
    core::setFileDate("wall.dds", Source);
    process();
    EXPECT_EQ(core::readFile("wall.dds"), "kept");

    // A source touched back in time converts too.
    core::setFileDate("wall.tga", Source - Day);
    process();
    EXPECT_EQ(ddsFormat("wall.dds"), Format::A8R8G8B8);

    TempDirectory::write("wall.tga", "not an image");
    core::setFileDate("wall.tga", Source + Day);
    EXPECT_THROW(process(), core::Exception);
    EXPECT_EQ(core::fileDate("wall.dds"), Source - Day);

    // Shipped games have no sources: the native file is used as it is.
    core::deleteFile("wall.tga");
    EXPECT_NO_THROW(process());
}

// A source packed in the data archive converts to disk at its own path, in
// folders made for it: the game folder holds only the archive.
TEST_F(TextureConversion, ASourceInTheArchiveConvertsIntoFoldersMadeOnDisk) {
    core::ArchiveBuilder builder({});
    builder.add("textures/particles/spark.tga", core::readFile("wall.tga"));
    TempDirectory::write("game.dat", builder.finish());
    {
        core::ArchiveFileSystem archive("game.dat");
        core::mount(&archive, 0);
        const std::string source = "textures/particles/spark.tga";
        engine::findAssetProcessor(AssetProcessor::Texture, source).processFile(source);
    }
    EXPECT_EQ(ddsFormat("textures/particles/spark.dds"), Format::A8R8G8B8);
}

TEST(AssetProcessors, FoundByCaseSensitiveExtensionAndReplacedPerExtension) {
    engine::registerAssetProcessor(AssetProcessor::Texture, "dds", "dds");
    engine::registerAssetProcessor(AssetProcessor::Texture, "png", "first");
    engine::registerAssetProcessor(AssetProcessor::Texture, "png", "second");
    AssetProcessor& png = engine::findAssetProcessor(AssetProcessor::Texture, "dir.v2/a.png");
    EXPECT_EQ(png.getNativeFileExtension(), "second");
    EXPECT_EQ(png.getFileExtension(), "png");
    EXPECT_EQ(png.getAssetType(), AssetProcessor::Texture);
    EXPECT_EQ(png.nativeFileName("dir.v2/a.png"), "dir.v2/a.second");
    EXPECT_EQ(engine::findAssetProcessor(AssetProcessor::Texture, "b.dds").getNativeFileExtension(), "dds");

    for (const char* name : {"a.PNG", "a.png.bak", "noextension"}) {
        try {
            engine::findAssetProcessor(AssetProcessor::Texture, name);
            ADD_FAILURE() << name;
        } catch (const core::Exception& e) {
            EXPECT_EQ(std::string(e.getMessage()), std::string("Could not find asset processor for file: ") + name);
        }
    }
    EXPECT_THROW(engine::findAssetProcessor(AssetProcessor::Model, "a.png"), core::Exception);
}

// Writes the source's text as the native file, or fails while asked to,
// counting the conversions either way.
class CopyProcessor final : public engine::SingleFileAssetProcessor {
public:
    CopyProcessor() : SingleFileAssetProcessor("copy") {}
    void convert(const std::string& source, const std::string& native) override {
        ++conversions;
        if (fail)
            throw core::Exception("conversion failed");
        TempDirectory::write(native, core::readFile(source));
    }
    int conversions = 0;
    bool fail = false;
};

TEST(SingleFileConversion, ConvertsWhenTheTimesDifferEitherWay) {
    TempDirectory folder;
    auto* processor = new CopyProcessor;
    engine::registerAssetProcessor(AssetProcessor::Model, "src", core::CountedRef<AssetProcessor>(processor));
    auto process = [] { engine::findAssetProcessor(AssetProcessor::Model, "a.src").processFile("a.src"); };

    process();  // no source, no native file: nothing to do
    EXPECT_EQ(processor->conversions, 0);

    TempDirectory::write("a.src", "one");
    core::setFileDate("a.src", Source);
    process();
    EXPECT_EQ(core::readFile("a.copy"), "one");
    EXPECT_EQ(core::fileDate("a.copy"), Source);
    process();
    EXPECT_EQ(processor->conversions, 1);

    // Back in time is a change too, and a failed conversion is tried again.
    TempDirectory::write("a.src", "two");
    core::setFileDate("a.src", Source - Day);
    processor->fail = true;
    EXPECT_THROW(process(), core::Exception);
    EXPECT_EQ(core::fileDate("a.copy"), Source);
    processor->fail = false;
    process();
    EXPECT_EQ(processor->conversions, 3);
    EXPECT_EQ(core::readFile("a.copy"), "two");
    EXPECT_EQ(core::fileDate("a.copy"), Source - Day);
}

TEST(SingleFileConversion, SourcesThatDoNotConvertFailNamingTheSource) {
    TempDirectory folder;
    engine::registerStandardAssetProcessors();
    TempDirectory::write("walk.fbx", "");
    struct {
        AssetProcessor::AssetType type;
        const char* native;
    } cases[] = {{AssetProcessor::Model, "model"}, {AssetProcessor::Animation, "animation"}};
    for (const auto& c : cases) {
        AssetProcessor& processor = engine::findAssetProcessor(c.type, "walk.fbx");
        EXPECT_EQ(processor.getNativeFileExtension(), c.native);
        try {
            processor.processFile("walk.fbx");
            ADD_FAILURE() << c.native;
        } catch (const core::Exception& e) {
            // An empty file is nothing any converter reads; where FBX files
            // convert, the message gives the reader's reason.
            std::string message = e.getMessage();
            EXPECT_TRUE(message == "Unknown file format: walk.fbx" ||
                        message.rfind("Could not import walk.fbx: ", 0) == 0)
                << message;
        }
        EXPECT_FALSE(core::fileExists(std::string("walk.") + c.native));
    }
    // An up-to-date native file is used without asking for a converter.
    TempDirectory::write("walk.model", "");
    core::setFileDate("walk.model", core::fileDate("walk.fbx"));
    EXPECT_NO_THROW(engine::findAssetProcessor(AssetProcessor::Model, "walk.fbx").processFile("walk.fbx"));
    for (const char* name : {"a.obj", "a.lwo"})
        EXPECT_EQ(engine::findAssetProcessor(AssetProcessor::Model, name).getNativeFileExtension(), "model");
}

} // namespace

namespace {

// The reduced texture set: sizes by folder and size, and the file's layout.
TEST(TextureConversionGLES2, LargeTexturesOutsideGuiAndParticlesShrinkToAQuarterAndPixelsAreStoredRedFirst) {
    TempDirectory folder;
    core::createPath("textures/gui/");
    core::createPath("textures/particles/");
    struct {
        const char* source;
        int width, height;
        uint32_t storedWidth, storedHeight;
    } cases[] = {
        {"textures/wall.tga", 256, 256, 64, 64},
        {"textures/gui/panel.tga", 256, 256, 256, 256},
        {"textures/particles/smoke.tga", 128, 128, 128, 128},
        {"textures/tall.tga", 64, 512, 64, 512},
        {"textures/odd.tga", 65, 65, 16, 16},
        {"textures/dot.tga", 1, 1, 1, 1},
    };
    engine::TextureAssetProcessorGLES2 processor;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.source);
        core::Image image(c.width, c.height);
        for (int y = 0; y < c.height; ++y)
            for (int x = 0; x < c.width; ++x)
                image.setPixel(x, y, {200, 100, 50, 255});
        image.save(c.source, true);
        std::string native = processor.nativeFileName(c.source);
        processor.convert(c.source, native, {});
        std::string bytes = core::readFile(native);
        ASSERT_EQ(bytes.size(), 8 + size_t(c.storedWidth) * c.storedHeight * 4);
        uint32_t header[2];
        std::memcpy(header, bytes.data(), sizeof header);
        EXPECT_EQ(header[0], c.storedWidth);
        EXPECT_EQ(header[1], c.storedHeight);
        // Red first; halving may round the other channels.
        EXPECT_EQ(uint8_t(bytes[8]), 200);
        EXPECT_EQ(uint8_t(bytes[11]), 255);
        if (c.storedWidth == uint32_t(c.width)) {
            EXPECT_EQ(bytes.substr(8, 4), std::string("\xC8\x64\x32\xFF", 4)) << "red, green, blue, alpha";
        }
    }
}

} // namespace
