#include "core/Exception.h"
#include "core/TextDocument.h"

#include <gtest/gtest.h>

namespace {

// Parses text; returns "" or the error message.
std::string parseError(const std::string& text) {
    core::document doc;
    try {
        doc.parse(text, "test.def");
        return "";
    } catch (const core::Exception& e) {
        return e.getMessage();
    }
}

TEST(TextDocument, ErrorsNameTheFileTheLineAndTheFault) {
    struct {
        std::string text;
        const char* error;
    } cases[] = {
        {"-- only a comment\n--[[ and a\nblock --]]\n  \n", ""},
        {"a = 1\nb { c = 2, d { e = true, }, }\n", ""},
        {"list = { 1, \"two\", { }, false, }", ""},
        {"a = 1, b = 2", "test.def:1: syntax error"},
        {"x {\n a = 1\n b = 2 }", "test.def:3: syntax error"},
        {"\n\nvalue = yes", "test.def:3: syntax error"},
        {"value = .5", "test.def:1: syntax error"},
        {"x = 1\n--[[ never\nclosed\n", "test.def:4: unmatched comment"},
        {"name = \"broken\nstring\"", "test.def:1: newline inside string"},
        {"a = ", "test.def:1: unexpected end of file"},
        {"a = }", "test.def:1: syntax error"},
        {"a = { 1 2 }", "test.def:1: } expected"},
        {"block {\n a = 1,\n", "test.def:3: syntax error"},
        {"lonely", "test.def:1: syntax error"},
        {"a = 1 @", "test.def:1: syntax error"},
        {"a = 1\n\n\n= 2", "test.def:4: syntax error"},
        {"a = " + std::string(300, '1'), "test.def:1: syntax error"},
        {"a = " + std::string(1000, '{'), "test.def:1: syntax error"},
        // The token after the name decides field or block; then the name must be one.
        {"5 = 3", "test.def:1: identifier expected"},
        {"x {\n \"s\" { } }", "test.def:2: identifier expected"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text.substr(0, 60));
        EXPECT_EQ(parseError(c.text), c.error);
    }
}

TEST(TextDocument, BlocksKeepFileOrderAndRepeatedFieldsKeepTheirFirstPlace) {
    core::document doc;
    doc.parse("a = 1\nfirst { }\nb = 2\nsecond { inner { } }\na = \"last\"", "t");
    core::block& root = doc.root();
    EXPECT_EQ(root.name(), "root");
    ASSERT_EQ(root.fields().size(), 2u);
    EXPECT_EQ(root.fields()[0].name, "a");
    EXPECT_STREQ(root.getString("a", "?"), "last");
    ASSERT_EQ(root.childCount(), 2);
    EXPECT_EQ(root.child(0)->name(), "first");
    EXPECT_EQ(root.child(1)->child(0)->name(), "inner");
}

// Large blocks find their fields through an index: the same order and
// replace-in-place rule as small ones.
TEST(TextDocument, ManyFieldsKeepTheirOrderAndTheirLastValue) {
    std::string text = "big {";
    for (int i = 0; i < 100; ++i)
        text += " f" + std::to_string(i) + " = " + std::to_string(i) + ",";
    text += " f3 = \"three\", f60 = 600, f100 = 100 }";
    core::document doc;
    doc.parse(text, "t");
    const core::block& big = *doc.root().child(0);
    ASSERT_EQ(big.fields().size(), 101u);
    for (int i = 0; i <= 100; ++i)
        EXPECT_EQ(big.fields()[size_t(i)].name, "f" + std::to_string(i));
    EXPECT_STREQ(big.getString("f3", "?"), "three");
    EXPECT_EQ(big.getInt("f60", 0), 600);
    EXPECT_EQ(big.getInt("f99", 0), 99);
    EXPECT_EQ(big.findField("f101"), nullptr);
}

TEST(TextDocument, TypedGettersFallBackOnAnyOtherKindOrShape) {
    core::document doc;
    doc.parse(R"(
        up = 2.9  down = -2.9  flag = true  text = "word"
        two = { 1, 2 }  three = { 1, 2, 3 }  mixed = { 1, "2", 3 }  long = 1.2.3  minus = -
    )",
              "t");
    const core::block& b = doc.root();
    EXPECT_EQ(b.getInt("up", 0), 2);
    EXPECT_EQ(b.getInt("down", 0), -2);
    EXPECT_EQ(b.getInt("text", 7), 7);
    EXPECT_FLOAT_EQ(b.getFloat("long", 0), 1.2f);
    EXPECT_FLOAT_EQ(b.getFloat("minus", 5), 0.0f);
    EXPECT_EQ(b.getBool("flag", false), true);
    EXPECT_EQ(b.getBool("up", false), false);
    EXPECT_STREQ(b.getString("text", ""), "word");
    EXPECT_STREQ(b.getString("missing", "fallback"), "fallback");

    std::array<float, 3> fallback3{9, 9, 9};
    EXPECT_EQ(b.getVec3("three", fallback3), (std::array<float, 3>{1, 2, 3}));
    EXPECT_EQ(b.getVec3("two", fallback3), fallback3);
    EXPECT_EQ(b.getVec3("mixed", fallback3), fallback3);
    EXPECT_EQ(b.getRange("two", {0, 0}), (std::array<float, 2>{1, 2}));
    EXPECT_EQ(b.getRange("three", {5, 6}), (std::array<float, 2>{5, 6}));
}

TEST(TextDocument, AFailedLoadKeepsThePreviousTree) {
    core::document doc;
    doc.parse("name = \"kept\"", "t");
    EXPECT_THROW(doc.parse("name = ", "t"), core::Exception);
    EXPECT_STREQ(doc.root().getString("name", ""), "kept");
    EXPECT_THROW(doc.load("no-such-file.def"), core::FileNotFoundException);
}

} // namespace
