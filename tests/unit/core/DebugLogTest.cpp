#include "core/DebugLog.h"

#include "support/TempDirectory.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>

namespace {

std::string read(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    std::stringstream text;
    text << file.rdbuf();
    return text.str();
}

// Every test leaves the log without a folder, as other tests expect it.
struct DebugLogFile : ::testing::Test {
    TempDirectory temp;
    ~DebugLogFile() override { core::setDebugLogFolder(std::string()); }
};

TEST_F(DebugLogFile, LinesGoToTheFolderFirstNamedAndFollowItWhenItChanges) {
    std::string first = temp.path() + "/My Company/My Application";
    std::string second = temp.path() + "/Studio/Game";

    core::setDebugLogFolder(first);
    EXPECT_EQ(core::debugLogPath(), first + "/debug.log");
    core::debugLog("GL_VERSION: %s\n", "4.5");
    core::debugLog("Compiling shader %s\n", "a.vsh");
    EXPECT_EQ(read(first + "/debug.log"), "GL_VERSION: 4.5\nCompiling shader a.vsh\n")
        << "created with its parents, every line there at once";

    core::setDebugLogFolder(second);
    core::debugLog("after the names changed\n");
    EXPECT_EQ(read(second + "/debug.log"), "after the names changed\n");
    EXPECT_EQ(read(first + "/debug.log"), "GL_VERSION: 4.5\nCompiling shader a.vsh\n");

    // Naming the first folder again starts its file afresh.
    core::setDebugLogFolder(first);
    core::debugLog("a new run\n");
    EXPECT_EQ(read(first + "/debug.log"), "a new run\n");
}

TEST_F(DebugLogFile, NoFolderOrAnUnusableOneWritesNothingAndFailsNothing) {
    core::setDebugLogFolder(std::string());
    EXPECT_EQ(core::debugLogPath(), "");
    core::debugLog("nowhere\n");

    TempDirectory::write(temp.path() + "/file", "x");
    core::setDebugLogFolder(temp.path() + "/file/below");
    core::debugLog("cannot be written\n");
    core::debugLog("nor this\n");
    EXPECT_EQ(read(temp.path() + "/file"), "x");
}

} // namespace
