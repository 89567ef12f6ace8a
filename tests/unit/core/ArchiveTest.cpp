#include "core/ArchiveBuilder.h"
#include "core/ArchiveFileSystem.h"
#include "core/ArchiveKey.h"
#include "core/Cipher.h"
#include "core/Compression.h"
#include "core/Exception.h"
#include "core/Fnv.h"
#include "support/TempDirectory.h"
#include "support/ExceptionMessage.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>

namespace {

const std::string Key = core::mainArchiveKey();

std::string repeated(const std::string& text, int times) {
    std::string out;
    for (int i = 0; i < times; ++i)
        out += text;
    return out;
}

std::string contentOf(core::File& file) {
    std::string content(static_cast<size_t>(file.getLength()), '\0');
    file.read(content.data(), static_cast<int64_t>(content.size()));
    return content;
}

void putLittleEndian(std::string& bytes, size_t at, uint32_t value) {
    core::writeLittleEndian32(reinterpret_cast<uint8_t*>(bytes.data()) + at, value);
}

// Directory field offsets of entry i.
size_t field(int entry, int offsetInEntry) {
    return core::archive::HeaderSize + core::archive::EntrySize * entry + offsetInEntry;
}
constexpr int OffsetField = 4;
constexpr int StoredField = 8;
constexpr int LengthField = 12;
constexpr int FlagsField = 16;

struct Storage {
    const char* name;
    bool compress;
    bool encrypt;
};

void PrintTo(const Storage& storage, std::ostream* out) {
    *out << storage.name;
}

class ArchiveStorage : public testing::TestWithParam<Storage> {};

TEST_P(ArchiveStorage, EntriesReadBackWhatWasPacked) {
    TempDirectory directory;
    const std::string text = repeated("the quick brown fox ", 500);
    const std::string binary = "\x00\x01\xff\x7f\x80 short";
    core::ArchiveBuilder builder({GetParam().compress, GetParam().encrypt ? Key : ""});
    builder.add("a/text.txt", text);
    builder.add("bin", binary);
    builder.add("empty", "");
    TempDirectory::write("test.dat", builder.finish());

    core::ArchiveFileSystem archive("test.dat");
    archive.setKey(Key);
    for (const auto& [path, content] : {std::pair{"a/text.txt", text}, {"bin", binary}, {"empty", std::string()}}) {
        EXPECT_TRUE(archive.exists(path)) << path;
        EXPECT_EQ(archive.length(path), content.size()) << path;
        std::unique_ptr<core::File> file = archive.open(path);
        ASSERT_TRUE(file) << path;
        EXPECT_EQ(file->getLength(), static_cast<int64_t>(content.size())) << path;
        EXPECT_EQ(contentOf(*file), content) << path;
        EXPECT_EQ(file->getFilename(), path);
    }
    // A compressible entry really is stored compressed, and an incompressible one plain.
    const core::archive::Entry* entry = archive.find("a/text.txt");
    EXPECT_EQ((entry->flags & core::archive::Compressed) != 0, GetParam().compress);
    EXPECT_EQ((entry->flags & core::archive::Encrypted) != 0, GetParam().encrypt);
    EXPECT_FALSE(archive.find("bin")->flags & core::archive::Compressed);
}

INSTANTIATE_TEST_SUITE_P(Kinds, ArchiveStorage,
                         testing::Values(Storage{"plain", false, false}, Storage{"compressed", true, false},
                                         Storage{"encrypted", false, true}, Storage{"both", true, true}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(Archive, LookupHashesTheExactPathBytes) {
    TempDirectory directory;
    core::ArchiveBuilder builder({});
    builder.add("a/b.lua", "x");
    TempDirectory::write("test.dat", builder.finish());
    core::ArchiveFileSystem archive("test.dat");
    EXPECT_TRUE(archive.exists("a/b.lua"));
    EXPECT_FALSE(archive.exists("a\\b.lua"));
    EXPECT_FALSE(archive.exists("A/b.lua"));
    EXPECT_EQ(archive.open("missing"), nullptr);
    EXPECT_EQ(archive.openWrite("a/b.lua"), nullptr);
    EXPECT_EQ(archive.date("a/b.lua"), 0u);
    EXPECT_EQ(core::fnv1a32("", 0), 2166136261u);
    EXPECT_EQ(core::fnv1a32("a", 1), 3826002220u);
}

TEST(Archive, BuilderRefusesTwoPathsWithOneHash) {
    core::ArchiveBuilder builder({});
    builder.add("same", "1");
    EXPECT_THROW(builder.add("same", "2"), core::Exception);
}

TEST(Archive, SameEntriesGiveTheSameBytes) {
    auto build = [] {
        core::ArchiveBuilder builder({true, Key});
        builder.add("one", repeated("abc", 100));
        builder.add("two", "2");
        return builder.finish();
    };
    EXPECT_EQ(build(), build());
}

TEST(Archive, FileReadSeekAndWriteLimits) {
    TempDirectory directory;
    core::ArchiveBuilder builder({});
    builder.add("f", "0123456789");
    TempDirectory::write("test.dat", builder.finish());
    core::ArchiveFileSystem archive("test.dat");
    std::unique_ptr<core::File> file = archive.open("f");
    char byte;
    file->seek(10);  // exactly the end is allowed
    EXPECT_EQ(messageOf([&] { file->read(&byte, 1); }), "Read failed on file f");
    EXPECT_EQ(messageOf([&] { file->seek(11); }), "Seek failed on file f");
    EXPECT_EQ(messageOf([&] { file->seek(-1); }), "Seek failed on file f");
    file->seek(4);
    EXPECT_EQ(messageOf([&] { file->skip(-5); }), "Seek failed on file f");
    file->skip(2);
    file->read(&byte, 1);
    EXPECT_EQ(byte, '6');
    EXPECT_EQ(messageOf([&] { file->read(&byte, -1); }), "Read failed on file f");
    EXPECT_EQ(messageOf([&] { file->write("x", 1); }), "Write failed on file f");
}

TEST(Archive, EncipheredEntryOfAnArchiveWithoutKeyDoesNotOpen) {
    TempDirectory directory;
    core::ArchiveBuilder builder({false, Key});
    builder.add("secret", "text");
    TempDirectory::write("test.dat", builder.finish());
    core::ArchiveFileSystem archive("test.dat");
    EXPECT_TRUE(archive.exists("secret"));
    EXPECT_EQ(messageOf([&] { archive.open("secret"); }), "Failed to open file secret");
}

TEST(Archive, MountedFirstItWinsOverTheDisk) {
    TempDirectory directory;
    TempDirectory::write("shared.txt", "from disk");
    core::ArchiveBuilder builder({true, Key});
    builder.add("shared.txt", "from the archive");
    TempDirectory::write("test.dat", builder.finish());
    {
        core::ArchiveFileSystem archive("test.dat");
        archive.setKey(Key);
        core::mount(&archive, 0);
        EXPECT_EQ(core::readFile("shared.txt"), "from the archive");
        EXPECT_EQ(core::fileLength("shared.txt"), 16u);
    }
    // Destroying the archive unmounted it.
    EXPECT_EQ(core::readFile("shared.txt"), "from disk");
}

// --- bad archives ---

struct Corruption {
    const char* name;
    std::function<void(std::string&)> damage;
    std::string expected;  // "%s" stands for the archive's path
};

// One compressed entry "c" and one plain entry "p", then damaged.
std::string goodArchive() {
    core::ArchiveBuilder builder({true, ""});
    builder.add("c", repeated("compressible ", 200));
    builder.add("p", "plain bytes");
    return builder.finish();
}

uint32_t at(const std::string& bytes, size_t offset) {
    return core::readLittleEndian32(reinterpret_cast<const uint8_t*>(bytes.data()) + offset);
}

void PrintTo(const Corruption& corruption, std::ostream* out) {
    *out << corruption.name;
}

class BadArchive : public testing::TestWithParam<Corruption> {};

TEST_P(BadArchive, IsRefusedWithAClearMessage) {
    TempDirectory directory;
    std::string bytes = goodArchive();
    GetParam().damage(bytes);
    TempDirectory::write("bad.dat", bytes);
    std::string expected = GetParam().expected;
    if (size_t slot = expected.find("%s"); slot != std::string::npos)
        expected.replace(slot, 2, "bad.dat");

    // Either the directory is refused, or opening and reading the entry is.
    std::string message = messageOf([] {
        core::ArchiveFileSystem archive("bad.dat");
        for (const char* path : {"c", "p"}) {
            if (std::unique_ptr<core::File> file = archive.open(path))
                contentOf(*file);
        }
    });
    EXPECT_EQ(message, expected);
}

const std::string Corrupted = "Archive file %s is corrupted";
const std::string DataError = "corrupted or incomplete data (Z_DATA_ERROR)";

INSTANTIATE_TEST_SUITE_P(
    Cases, BadArchive,
    testing::Values(
        Corruption{"WrongMagic", [](std::string& b) { b[3] = '3'; }, Corrupted},
        Corruption{"NoMagic", [](std::string& b) { b.resize(2); }, "Read failed on file %s"},
        Corruption{"NoCount", [](std::string& b) { b.resize(6); }, "Read failed on file %s"},
        Corruption{"TruncatedDirectory", [](std::string& b) { b.resize(field(1, 10)); }, "Read failed on file %s"},
        Corruption{"HugeCount", [](std::string& b) { putLittleEndian(b, 4, 0x7fffffff); }, "Read failed on file %s"},
        Corruption{"NegativeCountMeansEmpty", [](std::string& b) { putLittleEndian(b, 4, 0xffffffff); }, ""},
        Corruption{"OffsetPastTheEnd",
                   [](std::string& b) { putLittleEndian(b, field(1, OffsetField), static_cast<uint32_t>(b.size())); },
                   Corrupted},
        Corruption{"StoredLengthPastTheEnd",
                   [](std::string& b) { putLittleEndian(b, field(0, StoredField), static_cast<uint32_t>(b.size())); },
                   Corrupted},
        Corruption{"OffsetPlusLengthWraps",
                   [](std::string& b) { putLittleEndian(b, field(1, OffsetField), 0xfffffff0u); }, Corrupted},
        Corruption{"PlainEntryWhoseLengthsDisagree",
                   [](std::string& b) { putLittleEndian(b, field(1, StoredField), 3); }, Corrupted},
        Corruption{"CompressedEntryShorterThanItsHeader",
                   [](std::string& b) { putLittleEndian(b, field(0, StoredField), 3); }, Corrupted},
        Corruption{"HeaderDisagreesWithTheDirectory",
                   [](std::string& b) { putLittleEndian(b, at(b, field(0, OffsetField)), 5); }, Corrupted},
        Corruption{"StreamInflatesToFewerBytes",
                   [](std::string& b) {
                       // Both lengths claim one byte more than the stream holds.
                       uint32_t offset = at(b, field(0, OffsetField));
                       putLittleEndian(b, offset, at(b, offset) + 1);
                       putLittleEndian(b, field(0, LengthField), at(b, field(0, LengthField)) + 1);
                   },
                   DataError},
        Corruption{"ImpossibleLengthIsRefusedBeforeAllocating",
                   [](std::string& b) {
                       uint32_t offset = at(b, field(0, OffsetField));
                       putLittleEndian(b, offset, 0xfffffff0u);
                       putLittleEndian(b, field(0, LengthField), 0xfffffff0u);
                   },
                   DataError},
        Corruption{"GarbageStream",
                   [](std::string& b) {
                       uint32_t offset = at(b, field(0, OffsetField));
                       for (int i = 4; i < 12; ++i)
                           b[offset + i] = static_cast<char>(0xa5);
                   },
                   DataError},
        Corruption{"FlagsOutsideTheKnownBitsAreIgnored",
                   [](std::string& b) { putLittleEndian(b, field(1, FlagsField), 0xfffefffeu); }, ""}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(Archive, MissingFileIsAnOpenFailure) {
    TempDirectory directory;
    EXPECT_EQ(messageOf([] { core::ArchiveFileSystem archive("nowhere.dat"); }), "Failed to open file nowhere.dat");
}

// --- cipher and compressed form ---

// The keystream from byte 768 on of the published 128-bit test key.
TEST(Cipher, MatchesTheReferenceKeystreamAfterTheDrop) {
    uint8_t key[16];
    for (int i = 0; i < 16; ++i)
        key[i] = static_cast<uint8_t>(i + 1);
    const uint8_t zeros[16] = {};
    uint8_t out[16];
    core::rc4Drop768(zeros, out, 16, key, 16);
    const uint8_t expected[16] = {0xec, 0xcb, 0xe1, 0x3d, 0xe1, 0xfc, 0xc9, 0x1c,
                                  0x11, 0xa0, 0xb2, 0x6c, 0x0b, 0xc8, 0xfa, 0x4d};
    EXPECT_EQ(std::string(out, out + 16), std::string(expected, expected + 16));
}

TEST(Cipher, IsItsOwnInverseAndDependsOnEveryKeyByte) {
    const std::string data = "attack at dawn, and again at noon";
    std::string once(data.size(), '\0');
    std::string twice(data.size(), '\0');
    auto run = [](const std::string& in, std::string& out, const std::string& key) {
        core::rc4Drop768(reinterpret_cast<const uint8_t*>(in.data()), reinterpret_cast<uint8_t*>(out.data()),
                         in.size(), reinterpret_cast<const uint8_t*>(key.data()), key.size());
    };
    run(data, once, Key);
    EXPECT_NE(once, data);
    run(once, twice, Key);
    EXPECT_EQ(twice, data);
    std::string otherKey = Key;
    otherKey[15] ^= 1;
    std::string other(data.size(), '\0');
    run(data, other, otherKey);
    EXPECT_NE(other, once);
}

TEST(Compression, RoundTripsIncludingTheEmptyString) {
    // 8 MiB of zeros compresses close to deflate's greatest ratio, which the
    // check against impossible lengths must still accept.
    for (const std::string& data :
         {std::string(), std::string("x"), repeated("0123456789", 1000), std::string(8 << 20, '\0')}) {
        std::string packed = core::compress(data.data(), data.size());
        uint32_t length;
        ASSERT_TRUE(core::compressedLength(packed.data(), packed.size(), length));
        EXPECT_EQ(length, data.size());
        EXPECT_EQ(core::uncompress(packed.data(), packed.size()), data);
    }
}

TEST(Compression, BadFormsThrowZlibMessages) {
    std::string packed = core::compress("hello hello hello", 17);
    std::string longer = packed;
    putLittleEndian(longer, 0, 18);
    std::string shorter = packed;
    putLittleEndian(shorter, 0, 16);
    std::string cut = packed.substr(0, 4 + (packed.size() - 4) / 2);
    EXPECT_EQ(messageOf([] { core::uncompress("abc", 3); }), DataError);
    EXPECT_EQ(messageOf([&] { core::uncompress(longer.data(), longer.size()); }), DataError);
    EXPECT_EQ(messageOf([&] { core::uncompress(shorter.data(), shorter.size()); }),
              "not enough room in the output buffer (Z_BUF_ERROR)");
    EXPECT_EQ(messageOf([&] { core::uncompress(cut.data(), cut.size()); }), DataError);
}

} // namespace
