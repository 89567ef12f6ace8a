#include "core/DirectoryWatcher.h"
#include "support/TempDirectory.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <set>
#include <thread>
#include <vector>

namespace {

using core::DirectoryWatcher;
using core::FileChange;
using Clock = std::chrono::steady_clock;

// The queue's rules, fed by hand instead of by a watching thread.
class HandFedWatcher : public DirectoryWatcher {
public:
    using DirectoryWatcher::report;
};

std::vector<std::string> takeAll(DirectoryWatcher& watcher) {
    std::vector<std::string> paths;
    std::string path;
    while (watcher.takeChangedFile(path))
        paths.push_back(path);
    return paths;
}

TEST(DirectoryWatcherQueue, NewestComesFirstAndOnlyConsecutiveRepeatsAreDropped) {
    HandFedWatcher watcher;
    for (const char* path : {"a", "a", "a", "b", "a", "c", "c"})
        watcher.report(FileChange::Modified, path);
    watcher.report(FileChange::Removed, "c");
    EXPECT_EQ(takeAll(watcher), (std::vector<std::string>{"c", "a", "b", "a"}));
    std::string untouched = "kept";
    EXPECT_FALSE(watcher.takeChangedFile(untouched));
    EXPECT_EQ(untouched, "kept");
}

TEST(DirectoryWatcherQueue, PathsJoinTheWatchedFolderAsGivenWithForwardSlashes) {
    EXPECT_EQ(core::changedFilePath("game\\models", "props\\crate.mdl"), "game/models/props/crate.mdl");
    EXPECT_EQ(core::changedFilePath("game", "a.txt"), "game/a.txt");
}

// Changes arrive on the watcher's own thread, in batches: a test first waits
// until the watch stands (a probe file is seen), then collects until every
// expected path has come.
class DirectoryWatcherTest : public ::testing::Test {
protected:
    void watch(const std::string& path, const std::string& probeDirectory) {
        m_watcher.reset(DirectoryWatcher::create(path));
        auto deadline = Clock::now() + std::chrono::seconds(10);
        std::string ignored;
        while (!m_watcher->takeChangedFile(ignored)) {
            ASSERT_LT(Clock::now(), deadline) << "the watch never started";
            TempDirectory::write(probeDirectory + "/probe", "");
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
    }

    std::set<std::string> collect(const std::set<std::string>& expected) {
        std::set<std::string> seen;
        auto deadline = Clock::now() + std::chrono::seconds(10);
        while (Clock::now() < deadline) {
            for (const std::string& path : takeAll(*m_watcher)) {
                // Windows also reports a folder whose entries changed.
                if (path.find("probe") == std::string::npos && !std::filesystem::is_directory(path))
                    seen.insert(path);
            }
            if (seen == expected)
                break;
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return seen;
    }

    TempDirectory m_directory;
    std::unique_ptr<DirectoryWatcher> m_watcher;
};

TEST_F(DirectoryWatcherTest, WritesRemovalsAndRenamesAreReported) {
    std::filesystem::create_directory("game");
    TempDirectory::write("game/old.txt", "");
    TempDirectory::write("game/gone.txt", "");
    watch("game", "game");
    TempDirectory::write("game/new.txt", "new");
    ASSERT_EQ(std::rename("game/old.txt", "game/renamed.txt"), 0);
    ASSERT_EQ(std::remove("game/gone.txt"), 0);
    std::set<std::string> expected{"game/new.txt", "game/old.txt", "game/renamed.txt", "game/gone.txt"};
    EXPECT_EQ(collect(expected), expected);
}

TEST_F(DirectoryWatcherTest, ChangesBelowComeUnderTheWatchedPathAsGiven) {
    std::filesystem::create_directories("game/models/props");
    watch("game\\models", "game/models");
    TempDirectory::write("game/models/props/crate.mdl", "1");
    // A folder made after the watch started is watched too.
    std::filesystem::create_directory("game/models/late");
    TempDirectory::write("game/models/late/barrel.mdl", "2");
    std::set<std::string> expected{"game/models/props/crate.mdl", "game/models/late/barrel.mdl"};
    EXPECT_EQ(collect(expected), expected);
}

TEST(DirectoryWatcher, AMissingDirectoryReportsNothingAndEndsPromptly) {
    TempDirectory directory;
    std::unique_ptr<DirectoryWatcher> watcher(DirectoryWatcher::create("missing"));
    TempDirectory::write("file", "");
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    std::string path;
    EXPECT_FALSE(watcher->takeChangedFile(path));
    auto start = Clock::now();
    watcher.reset();
    EXPECT_LT(Clock::now() - start, std::chrono::seconds(5));
}

} // namespace
