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

TEST(Keys, NameToCodeInAnyLetterCase) {
    struct Case {
        const char* name;
        int code;
    } cases[] = {
        {"backspace", 8}, {"Up", 38},      {"UP", 38},         {"up", 38},       {"A", 65},
        {"a", 65},        {"F12", 123},    {"f12", 123},       {"Shift", 16},    {"NumPad_0", 96},
        {"+", 187},       {"-", 189},      {"scroll_lock", 145}, {"9", 57},      {"key-186", 186},
        {"key-0", 0},     {"key-511", 511},
        // Names of no key.
        {"", -1},         {"xylophone", -1}, {"?", -1},        {"up ", -1},      {"key-", -1},
        {"key-512", -1},  {"key--1", -1},  {"key-1a", -1},     {"KEY-186x", -1}, {"f13", -1},
    };
    for (const Case& c : cases)
        EXPECT_EQ(core::findKeyCode(c.name), c.code) << '"' << c.name << '"';
}

TEST(Keys, CodeToName) {
    EXPECT_STREQ(core::keyNameFromCode(13), "enter");
    EXPECT_STREQ(core::keyNameFromCode(190), ".");
    EXPECT_EQ(core::keyNameFromCode(0), nullptr);
    EXPECT_EQ(core::keyNameFromCode(186), nullptr);
    EXPECT_EQ(core::keyNameFromCode(65 + 512), nullptr);
}

} // namespace
