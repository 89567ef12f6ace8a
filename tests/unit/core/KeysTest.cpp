#include "core/Keys.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

namespace {

TEST(Keys, TableHasItsEntriesInOrderWithUniqueNames) {
    ASSERT_EQ(core::keyTableSize(), 91);
    std::set<std::string> names;
    for (int i = 0; i < core::keyTableSize(); ++i)
        EXPECT_TRUE(names.insert(core::keyTable()[i].name).second) << core::keyTable()[i].name;
    EXPECT_STREQ(core::keyTable()[0].name, "backspace");
    EXPECT_STREQ(core::keyTable()[90].name, ".");
}

TEST(Keys, NameToCode) {
    struct Case {
        const char* name;
        int code;
    } cases[] = {
        {"", 0},           {"backspace", 8},   {"A", 65},   {"a", 65},      {"x", 88},
        {"xylophone", 88}, {"numpad_0", 96},   {"f12", 123}, {"F12", 70},   {"+", 187},
        {"-", 189},        {"scroll_lock", 145}, {"9", 57},  {"Shift", 83}, {"?", 63},
    };
    for (const Case& c : cases)
        EXPECT_EQ(core::keyCodeFromName(c.name), c.code) << c.name;
}

TEST(Keys, CodeToName) {
    EXPECT_STREQ(core::keyNameFromCode(13), "enter");
    EXPECT_STREQ(core::keyNameFromCode(190), ".");
    EXPECT_EQ(core::keyNameFromCode(0), nullptr);
    EXPECT_EQ(core::keyNameFromCode(186), nullptr);
    EXPECT_EQ(core::keyNameFromCode(65 + 512), nullptr);
}

} // namespace
