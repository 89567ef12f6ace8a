#include "core/Exception.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(Exception, SubclassesFormatTheirMessagesIntoTheSharedBuffer) {
    struct {
        std::string (*make)();
        const char* message;
    } cases[] = {
        {[] { return std::string(core::FileNotFoundException("a.lua").getMessage()); }, "File not found: a.lua"},
        {[] { return std::string(core::FileOpenFailedException("d").getMessage()); }, "Failed to open file d"},
        {[] { return std::string(core::FileReadFailedException("r").getMessage()); }, "Read failed on file r"},
        {[] { return std::string(core::FileWriteFailedException("w").getMessage()); }, "Write failed on file w"},
        {[] { return std::string(core::FileSeekFailedException("s").getMessage()); }, "Seek failed on file s"},
        {[] { return std::string(core::BrokenArchiveException("x.dat").getMessage()); }, "Archive file x.dat is corrupted"},
        {[] { return std::string(core::InvalidFileFormatException("m").getMessage()); }, "Invalid file format: m"},
        {[] { return std::string(core::InvalidFileVersionException(2, 3, "m").getMessage()); },
         "Invalid file version (expected v2, got v3): m"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.make(), c.message);
}

TEST(Exception, TheLatestExceptionsTextIsWhatEveryHandlerSees) {
    core::Exception first("first %d", 1);
    core::Exception second("second");
    EXPECT_STREQ(first.getMessage(), "second");
}

TEST(Exception, LongMessagesAreCutTo2047Characters) {
    std::string longText(5000, 'x');
    core::Exception e("%s", longText.c_str());
    EXPECT_EQ(std::string(e.getMessage()), std::string(2047, 'x'));
}

} // namespace
