#include "core/Path.h"

#include <gtest/gtest.h>

namespace {

struct PathCase {
    const char* path;
    const char* extension;
    const char* directory;
    const char* stripped;
    const char* withoutExtension;
};

TEST(Path, HelpersSplitAtTheLastSeparatorAndDot) {
    const PathCase cases[] = {
        {"dir/name.ext", "ext", "dir", "name.ext", "dir/name"},
        {"name", "", "", "name", "name"},
        {"a.b/c", "b/c", "a.b", "c", "a"},
        {"/x", "", "", "x", "/x"},
        {"a\\b\\c.tar.gz", "gz", "a\\b", "c.tar.gz", "a\\b\\c.tar"},
        {"", "", "", "", ""},
    };
    for (const PathCase& c : cases) {
        SCOPED_TRACE(c.path);
        EXPECT_EQ(core::getFileExtension(c.path), c.extension);
        EXPECT_EQ(core::getPath(c.path), c.directory);
        EXPECT_EQ(core::stripPath(c.path), c.stripped);
        EXPECT_EQ(core::stripExtension(c.path), c.withoutExtension);
    }
}

TEST(Path, SplitPathNeverFormsANegativeName) {
    struct {
        const char* path;
        core::SplitPath expected;
    } cases[] = {
        {"dir/name.ext", {"dir", "name", "ext"}},
        {"name", {"", "name", ""}},
        {"a.b/c", {"a.b", "c", ""}},
        {"a/.hidden", {"a", "", "hidden"}},
        {"/root.txt", {"", "root", "txt"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path);
        core::SplitPath parts = core::splitPath(c.path);
        EXPECT_EQ(parts.directory, c.expected.directory);
        EXPECT_EQ(parts.name, c.expected.name);
        EXPECT_EQ(parts.extension, c.expected.extension);
    }
}

TEST(Path, WildcardsKeepTheirWindowsMeaning) {
    struct {
        const char* pattern;
        const char* name;
        bool matches;
    } cases[] = {
        {"*.*", "README", true},   {"*.*", "a.b.c", true},     {"*.lua", "init.lua", true},
        {"*.lua", "init.LUA", true}, {"*.lua", "init.luac", false}, {"a?c", "abc", true},
        {"a?c", "ac", false},      {"name.*", "name", true},   {"*", "", true},
        {"x*y*z", "xaaybbz", true}, {"x*y*z", "xaaybb", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.pattern) + " ~ " + c.name);
        EXPECT_EQ(core::matchWildcard(c.pattern, c.name), c.matches);
    }
}

} // namespace
