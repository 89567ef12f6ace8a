#include "core/Exception.h"
#include "core/FileSystem.h"
#include "core/StdFileSystem.h"
#include "support/TempDirectory.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <map>
#include <sys/stat.h>

namespace {

// A file system held in memory, standing where the archive will be mounted.
class MemoryFileSystem : public core::FileSystem {
public:
    std::map<std::string, std::string> files;

    std::unique_ptr<core::File> open(const std::string& path) override {
        auto found = files.find(path);
        if (found == files.end())
            return nullptr;
        return std::make_unique<MemoryFile>(path, found->second);
    }
    std::unique_ptr<core::File> openWrite(const std::string&) override { return nullptr; }
    bool exists(const std::string& path) override { return files.count(path) != 0; }
    uint32_t length(const std::string& path) override { return exists(path) ? files[path].size() : 0; }
    core::FileTime date(const std::string&) override { return 0; }

private:
    class MemoryFile : public core::File {
    public:
        MemoryFile(std::string path, std::string content) : m_path(std::move(path)), m_content(std::move(content)) {}
        void read(void* buffer, int64_t count) override {
            if (m_position + count > static_cast<int64_t>(m_content.size()))
                throw core::FileReadFailedException(m_path.c_str());
            memcpy(buffer, m_content.data() + m_position, count);
            m_position += count;
        }
        void write(const void*, int64_t) override { throw core::FileWriteFailedException(m_path.c_str()); }
        void seek(int64_t position) override { m_position = position; }
        void skip(int64_t delta) override { m_position += delta; }
        const std::string& getFilename() const override { return m_path; }
        int64_t getPosition() override { return m_position; }
        int64_t getLength() override { return static_cast<int64_t>(m_content.size()); }

    private:
        std::string m_path;
        std::string m_content;
        int64_t m_position = 0;
    };
};

class FileSystemTest : public ::testing::Test {
protected:
    TempDirectory folder;
    MemoryFileSystem memory;

    void TearDown() override {
        for (const std::string& path : std::vector<std::string>(core::searchPaths()))
            core::removeSearchPath(path);
    }
};

TEST_F(FileSystemTest, AFileSystemMountedFirstWinsOverTheDisk) {
    TempDirectory::write("both.txt", "from disk!");
    memory.files["both.txt"] = "archived";
    core::mount(&memory, 0);
    EXPECT_EQ(core::readFile("both.txt"), "archived");
    EXPECT_EQ(core::fileLength("both.txt"), 8u);
    core::unmount(&memory);
    EXPECT_EQ(core::readFile("both.txt"), "from disk!");
}

TEST_F(FileSystemTest, MountKeepsOneEntryAndIgnoresBadIndexes) {
    size_t before = core::mountedFileSystems().size();
    core::mount(&memory);
    core::mount(&memory, 0);
    EXPECT_EQ(core::mountedFileSystems().size(), before + 1);
    EXPECT_EQ(core::mountedFileSystems().back(), &memory);
    core::unmount(&memory);
    core::unmount(&memory);
    core::mount(&memory, 99);
    EXPECT_EQ(core::mountedFileSystems().size(), before);
    {
        MemoryFileSystem temporary;
        core::mount(&temporary);
    }
    EXPECT_EQ(core::mountedFileSystems().size(), before);
}

TEST_F(FileSystemTest, SearchPathsAreTriedAfterThePathAsGiven) {
    core::createPath("data/more");
    TempDirectory::write("data/more/x.txt", "deep");
    core::addSearchPath("data");
    core::addSearchPath("data/more");
    core::addSearchPath("data");
    EXPECT_EQ(core::searchPaths().size(), 2u);

    EXPECT_TRUE(core::fileExists("x.txt"));
    EXPECT_EQ(core::resolvePath("x.txt"), "data/more/x.txt");
    EXPECT_EQ(core::openFile("x.txt")->getFilename(), "data/more/x.txt");
    EXPECT_EQ(core::resolvePath("missing.txt"), "");
    try {
        core::openFile("missing.txt");
        FAIL();
    } catch (const core::FileNotFoundException& e) {
        EXPECT_STREQ(e.getMessage(), "File not found: missing.txt");
    }
}

TEST_F(FileSystemTest, ADirectoryExistsButCannotBeOpened) {
    core::createPath("folder");
    EXPECT_TRUE(core::fileExists("folder"));
    EXPECT_EQ(core::fileLength("folder"), 0u);
    EXPECT_THROW(core::openFile("folder"), core::FileOpenFailedException);
}

TEST_F(FileSystemTest, BackslashesWorkAsSeparatorsOnDisk) {
    core::createPath("a\\b");
    TempDirectory::write("a/b/c.txt", "abc");
    EXPECT_TRUE(core::fileExists("a\\b\\c.txt"));
    EXPECT_EQ(core::readFile("a\\b\\c.txt"), "abc");
}

TEST_F(FileSystemTest, StdFileReadsExactlyOrThrows) {
    TempDirectory::write("five.bin", "12345");
    std::unique_ptr<core::File> file = core::openFile("five.bin");
    char buffer[8] = {};
    file->skip(1);
    file->read(buffer, 3);
    EXPECT_STREQ(buffer, "234");
    EXPECT_EQ(file->getPosition(), 4);
    EXPECT_EQ(file->getLength(), 5);
    EXPECT_EQ(file->getPosition(), 4);
    EXPECT_THROW(file->read(buffer, 2), core::FileReadFailedException);
    file->read(buffer, 0);
}

TEST_F(FileSystemTest, UniqueFileNameTakesTheFirstFreeNumber) {
    EXPECT_EQ(core::uniqueFileName("shot###.png"), "shot001.png");
    TempDirectory::write("shot001.png", "");
    EXPECT_EQ(core::uniqueFileName("shot###.png"), "shot002.png");
    EXPECT_EQ(core::uniqueFileName("#.txt"), "1.txt");
    EXPECT_EQ(core::uniqueFileName("plain.txt"), "plain.txt");
    // Everything between the first and the last '#' is one number.
    EXPECT_EQ(core::uniqueFileName("a#b#c"), "a01c");
}

TEST_F(FileSystemTest, FindFilesListsMatchesBeforeSubfoldersAndSkipsHidden) {
    core::createPath("top/sub/.secret");
    core::createPath("top/.hiddendir");
    TempDirectory::write("top/a.lua", "");
    TempDirectory::write("top/b.txt", "");
    TempDirectory::write("top/.dot.lua", "");
    TempDirectory::write("top/sub/c.lua", "");
    TempDirectory::write("top/sub/.secret/d.lua", "");
    TempDirectory::write("top/.hiddendir/e.lua", "");

    EXPECT_EQ(core::findFiles("top", "*.lua", false), std::vector<std::string>{"top/a.lua"});
    EXPECT_EQ(core::findFiles("top", "*.lua", true), (std::vector<std::string>{"top/a.lua", "top/sub/c.lua"}));

    std::vector<std::string> all = core::findFiles("top", "*.*", false);
    std::sort(all.begin(), all.end());
    EXPECT_EQ(all, (std::vector<std::string>{"top/a.lua", "top/b.txt"}));

    core::setCurrentDirectory("top");
    EXPECT_EQ(core::findFiles("", "*.txt", false), std::vector<std::string>{"b.txt"});
    EXPECT_TRUE(core::findFiles("nowhere", "*.*", true).empty());
}

TEST_F(FileSystemTest, CopyMoveAndDeleteCreateFoldersAndReportFailures) {
    TempDirectory::write("source.txt", "payload");
    core::setFileDate("source.txt", 130000000000000000ull);
    core::copyFile("source.txt", "out/deeper/copy.txt");
    EXPECT_EQ(core::readFile("out/deeper/copy.txt"), "payload");
    EXPECT_EQ(core::fileDate("out/deeper/copy.txt"), 130000000000000000ull);

    TempDirectory::write("out/target.txt", "old");
    core::moveFile("out/deeper/copy.txt", "out/target.txt");
    EXPECT_EQ(core::readFile("out/target.txt"), "payload");
    EXPECT_FALSE(core::fileExists("out/deeper/copy.txt"));

    core::deleteFile("out/target.txt");
    EXPECT_FALSE(core::fileExists("out/target.txt"));

    struct {
        void (*operation)();
        const char* message;
    } failures[] = {
        {[] { core::deleteFile("none.txt"); }, "Could not delete file none.txt"},
        {[] { core::copyFile("none.txt", "x.txt"); }, "Could not copy file from \"none.txt\" to \"x.txt\""},
        {[] { core::moveFile("none.txt", "x.txt"); }, "Could not move file from \"none.txt\" to \"x.txt\""},
        {[] { core::createPath("source.txt/below"); }, "Could not create path: source.txt/below"},
        {[] { core::setCurrentDirectory("none"); }, "Set current directory failed: none"},
    };
    for (const auto& failure : failures) {
        try {
            failure.operation();
            ADD_FAILURE() << failure.message;
        } catch (const core::Exception& e) {
            EXPECT_STREQ(e.getMessage(), failure.message);
        }
    }
    // A file that cannot be opened keeps its date without complaint.
    core::setFileDate("none.txt", 1);
}

TEST_F(FileSystemTest, CreateFileGoesToTheFirstWritableFileSystem) {
    core::mount(&memory, 0);
    {
        std::unique_ptr<core::File> file = core::createFile("made.txt");
        file->write("hello", 5);
    }
    core::unmount(&memory);
    EXPECT_EQ(core::readFile("made.txt"), "hello");
    EXPECT_THROW(core::createFile("no/such/folder/x.txt"), core::FileOpenFailedException);
}

} // namespace
