#include "core/ArchiveBuilder.h"
#include "core/ArchiveFileSystem.h"
#include "core/ByteArrayStreams.h"
#include "core/Exception.h"
#include "core/FileStreams.h"
#include "support/TempDirectory.h"
#include "support/ExceptionMessage.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>

namespace {

using core::ByteOrder;

std::string bytesOf(const core::ByteArrayOutputStream& stream) {
    return std::string(reinterpret_cast<const char*>(stream.data()), stream.size());
}

// One typed write, the bytes it must produce in each order, and the read that
// must give the value back.
struct TypedCase {
    const char* name;
    std::function<void(core::OutputStream&)> write;
    std::string little;
    std::function<bool(core::InputStream&)> readsBack;
};

std::string reversed(std::string bytes) {
    return std::string(bytes.rbegin(), bytes.rend());
}

void PrintTo(const TypedCase& c, std::ostream* out) {
    *out << c.name;
}

class TypedValues : public testing::TestWithParam<TypedCase> {};

TEST_P(TypedValues, WriteTheExpectedBytesAndReadBack) {
    const TypedCase& c = GetParam();
    for (ByteOrder order : {ByteOrder::Default, ByteOrder::LittleEndian, ByteOrder::BigEndian}) {
        core::ByteArrayOutputStream out(order);
        c.write(out);
        std::string expected = order == ByteOrder::BigEndian ? reversed(c.little) : c.little;
        EXPECT_EQ(bytesOf(out), expected) << static_cast<int>(order);
        core::ByteArrayInputStream in(out.data(), static_cast<int64_t>(out.size()), false, order);
        EXPECT_TRUE(c.readsBack(in)) << static_cast<int>(order);
        EXPECT_EQ(in.availableBytes(), 0);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, TypedValues,
    testing::Values(
        TypedCase{"Byte", [](auto& s) { s.writeByte(0xfe); }, "\xfe", [](auto& s) { return s.readByte() == 0xfe; }},
        TypedCase{"SignedByte", [](auto& s) { s.writeSignedByte(-2); }, "\xfe",
                  [](auto& s) { return s.readSignedByte() == -2; }},
        TypedCase{"Short", [](auto& s) { s.writeShort(0x0102); }, "\x02\x01",
                  [](auto& s) { return s.readShort() == 0x0102; }},
        TypedCase{"SignedShort", [](auto& s) { s.writeSignedShort(-2); }, "\xfe\xff",
                  [](auto& s) { return s.readSignedShort() == -2; }},
        TypedCase{"Int", [](auto& s) { s.writeInt(0x01020304); }, "\x04\x03\x02\x01",
                  [](auto& s) { return s.readInt() == 0x01020304u; }},
        TypedCase{"SignedInt", [](auto& s) { s.writeSignedInt(-1); }, "\xff\xff\xff\xff",
                  [](auto& s) { return s.readSignedInt() == -1 && true; }},
        TypedCase{"Float", [](auto& s) { s.writeFloat(1.0f); }, std::string("\x00\x00\x80\x3f", 4),
                  [](auto& s) { return s.readFloat() == 1.0f; }},
        TypedCase{"Double", [](auto& s) { s.writeDouble(-2.5); }, std::string("\x00\x00\x00\x00\x00\x00\x04\xc0", 8),
                  [](auto& s) { return s.readDouble() == -2.5; }},
        TypedCase{"Bool", [](auto& s) { s.writeBool(true); }, "\x01", [](auto& s) { return s.readBool(); }}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(Streams, MixedWritesLayOutInOrder) {
    core::ByteArrayOutputStream out;
    out.writeByte(1);
    out.writeShort(2);
    out.writeInt(4);
    EXPECT_EQ(bytesOf(out), std::string("\x01\x02\x00\x04\x00\x00\x00", 7));
}

TEST(Streams, BigEndianReadsMostSignificantFirst) {
    const char bytes[] = {0, 0, 0, 1};
    core::ByteArrayInputStream in(bytes, 4, false, ByteOrder::BigEndian);
    EXPECT_EQ(in.readInt(), 1u);
}

TEST(Streams, StringsAndFloatRows) {
    core::ByteArrayOutputStream out(ByteOrder::BigEndian);
    out.writeString(std::string("text"));
    out.writeString("zero\0cut");  // the C string stops at its terminator
    out.writeString(std::string("ab\0cd", 5));
    const float row[3] = {1.0f, -2.0f, 0.5f};
    out.writeFloats(row, 3);
    EXPECT_EQ(bytesOf(out).substr(0, 8), std::string("\x00\x00\x00\x04text", 8));

    core::ByteArrayInputStream in(out.data(), static_cast<int64_t>(out.size()), true, ByteOrder::BigEndian);
    EXPECT_EQ(in.readString(), "text");
    EXPECT_EQ(in.readString(), "zero");
    EXPECT_EQ(in.readString(), "ab");  // cut at the zero byte, but all 5 bytes consumed
    float back[3];
    in.readFloats(back, 3);
    EXPECT_EQ(back[0], 1.0f);
    EXPECT_EQ(back[1], -2.0f);
    EXPECT_EQ(back[2], 0.5f);
}

TEST(Streams, ByteArrayLimits) {
    const char bytes[] = {1, 2, 3};
    core::ByteArrayInputStream in(bytes, 3, true);
    char buffer[4];
    EXPECT_EQ(messageOf([&] { in.readBytes(buffer, 4); }), "not enough bytes to read");
    EXPECT_EQ(messageOf([&] { in.readBytes(buffer, -1); }), "not enough bytes to read");
    EXPECT_EQ(messageOf([&] { in.seek(4); }), "Seek out of range");
    EXPECT_EQ(messageOf([&] { in.skip(-1); }), "Seek out of range");
    in.seek(3);
    EXPECT_EQ(in.readByteString(0), "");
    EXPECT_EQ(messageOf([&] { in.readInt(); }), "not enough bytes to read");
    EXPECT_EQ(messageOf([&] { in.readByteString(int64_t{1} << 40); }), "not enough bytes to read");
    in.seek(1);
    EXPECT_EQ(in.readByteString(2), "\x02\x03");
    EXPECT_EQ(in.getFilename(), "<memory>");

    // A string whose length claims more than is there fails without allocating it.
    core::ByteArrayOutputStream lying;
    lying.writeSignedInt(0x7fffffff);
    core::ByteArrayInputStream lyingIn(lying.data(), static_cast<int64_t>(lying.size()), false);
    EXPECT_EQ(messageOf([&] { lyingIn.readString(); }), "not enough bytes to read");
    lyingIn.seek(0);
    core::ByteArrayOutputStream negative;
    negative.writeSignedInt(-5);
    core::ByteArrayInputStream negativeIn(negative.data(), 4, false);
    EXPECT_EQ(messageOf([&] { negativeIn.readString(); }), "not enough bytes to read");
}

TEST(Streams, OutputSeeksBackToOverwrite) {
    core::ByteArrayOutputStream out;
    out.writeInt(0x04030201);
    out.seek(0);
    out.writeBytes("\xaa\xbb", 2);
    EXPECT_EQ(bytesOf(out), "\xaa\xbb\x03\x04");
    EXPECT_EQ(out.getPosition(), 2);
    EXPECT_EQ(messageOf([&] { out.seek(5); }), "Seek out of range");
    out.seek(4);
    out.writeByte(5);
    EXPECT_EQ(out.size(), 5u);
}

TEST(Streams, FilesThroughTheFileSystems) {
    TempDirectory directory;
    {
        core::FileOutputStream out("data.bin", ByteOrder::BigEndian);
        out.writeInt(7);
        out.writeString(std::string("seven"));
        EXPECT_EQ(out.getPosition(), 13);
        EXPECT_EQ(out.getFilename(), "data.bin");
    }
    core::FileInputStream in("data.bin", ByteOrder::BigEndian);
    EXPECT_EQ(in.availableBytes(), 13);
    EXPECT_EQ(in.readInt(), 7u);
    EXPECT_EQ(in.readString(), "seven");
    EXPECT_EQ(messageOf([&] { in.readByte(); }), "Read failed on file data.bin");
    EXPECT_EQ(messageOf([&] { in.readByteString(int64_t{1} << 40); }), "Read failed on file data.bin");
    in.seek(4);
    EXPECT_EQ(in.getPosition(), 4);
    in.skip(4);
    EXPECT_EQ(in.readByteString(5), "seven");

    EXPECT_EQ(messageOf([] { core::FileInputStream missing("missing.bin"); }), "File not found: missing.bin");
    EXPECT_EQ(messageOf([] { core::FileOutputStream bad("no/such/folder/x.bin"); }),
              "Failed to open file no/such/folder/x.bin");
}

TEST(Streams, ArchiveEntriesReadLikeFiles) {
    TempDirectory directory;
    core::ByteArrayOutputStream content;
    content.writeString(std::string("inside"));
    core::ArchiveBuilder builder({true, ""});
    builder.add("entry.bin", bytesOf(content));
    TempDirectory::write("test.dat", builder.finish());
    core::ArchiveFileSystem archive("test.dat");
    core::mount(&archive, 0);
    core::FileInputStream in("entry.bin");
    EXPECT_EQ(in.readString(), "inside");
    EXPECT_EQ(messageOf([&] { in.seek(11); }), "Seek failed on file entry.bin");
}

} // namespace
