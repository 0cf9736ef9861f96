#include "core/atomic_file.h"
#include "core/log.h"
#include "core/text_file_writer.h"
#include "core/xml_save.h"

#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <list>
#include <string>
#include <thread>
#include <vector>

namespace hlw {
namespace {

namespace fs = std::filesystem;
using test::readWholeFile;
using test::writeWholeFile;

std::vector<std::string> entryNames(const fs::path& folder)
{
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder)) {
        names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

class TextFileWriterTest : public ::testing::Test {
  protected:
    void TearDown() override { gf_stopLog(); }
    test::TempDir dir;
};

TEST_F(TextFileWriterTest, WritesLinesEndingInOneLineFeed)
{
    ASSERT_TRUE(gf_writeText("one line", dir / "a.txt"));
    EXPECT_EQ(readWholeFile(dir / "a.txt"), "one line\n");

    ASSERT_TRUE(gf_writeLine(std::vector<std::string>{"x", "", "\xC3\xBC"}, dir / "b.txt"));
    EXPECT_EQ(readWholeFile(dir / "b.txt"), "x\n\n\xC3\xBC\n");

    ASSERT_TRUE(gf_writeLine(std::list<std::string>{"l1", "l2"}, dir / "c.txt"));
    EXPECT_EQ(readWholeFile(dir / "c.txt"), "l1\nl2\n");

    ASSERT_TRUE(gf_writeLine(std::vector<std::string>{}, dir / "d.txt"));
    EXPECT_TRUE(fs::exists(dir / "d.txt"));
    EXPECT_EQ(readWholeFile(dir / "d.txt"), "");

    EXPECT_EQ(entryNames(dir.path()), (std::vector<std::string>{"a.txt", "b.txt", "c.txt", "d.txt"}));
}

TEST_F(TextFileWriterTest, ReplacesAnExistingFileWholeAndKeepsItsPermissions)
{
    writeWholeFile(dir / "a.txt", "a much longer old text\nwith two lines\n");
    fs::permissions(dir / "a.txt", fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    ASSERT_TRUE(gf_writeText("new", dir / "a.txt"));
    EXPECT_EQ(readWholeFile(dir / "a.txt"), "new\n");
    EXPECT_EQ(fs::status(dir / "a.txt").permissions(),
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
}

TEST_F(TextFileWriterTest, SymbolicLinkStaysALinkToTheReplacedFile)
{
    writeWholeFile(dir / "real.txt", "old\n");
    fs::create_symlink("real.txt", dir / "link.txt");
    ASSERT_TRUE(gf_writeText("new", dir / "link.txt"));
    EXPECT_TRUE(fs::is_symlink(dir / "link.txt"));
    EXPECT_EQ(readWholeFile(dir / "real.txt"), "new\n");
}

// Every writer of the program's files, so that each failure is checked for all of them.
const std::vector<std::pair<const char*, std::function<bool(const fs::path&)>>>& writers()
{
    static const std::vector<std::pair<const char*, std::function<bool(const fs::path&)>>> list{
        {"text", [](const fs::path& path) { return gf_writeText("new", path); }},
        {"vector",
         [](const fs::path& path) {
             return gf_writeLine(std::vector<std::string>{"n", "e"}, path);
         }},
        {"list", [](const fs::path& path) { return gf_writeLine(std::list<std::string>{"n"}, path); }},
        {"xml",
         [](const fs::path& path) {
             pugi::xml_document document;
             document.append_child("new");
             return gf_saveXml(document, path);
         }},
    };
    return list;
}

TEST_F(TextFileWriterTest, FolderAtTheTargetPathStaysAndNothingIsLeftBehind)
{
    fs::create_directory(dir / "target");
    writeWholeFile(dir / "target" / "inside.txt", "inside");
    for (const auto& [name, write] : writers()) {
        EXPECT_FALSE(write(dir / "target")) << name;
        EXPECT_TRUE(fs::is_directory(dir / "target")) << name;
        EXPECT_EQ(readWholeFile(dir / "target" / "inside.txt"), "inside") << name;
    }
    EXPECT_EQ(entryNames(dir.path()), std::vector<std::string>{"target"});
}

TEST_F(TextFileWriterTest, PathUnderARegularFileFailsAndTheFileStaysByteForByte)
{
    const std::string old("old contents\r\n\0\xff", 16);
    writeWholeFile(dir / "plain", old);
    for (const auto& [name, write] : writers()) {
        EXPECT_FALSE(write(dir / "plain" / "file.txt")) << name;
        EXPECT_EQ(readWholeFile(dir / "plain"), old) << name;
    }
    EXPECT_EQ(entryNames(dir.path()), std::vector<std::string>{"plain"});
}

TEST_F(TextFileWriterTest, DeviceAtTheTargetIsNeverReplaced)
{
    for (const auto& [name, write] : writers()) {
        EXPECT_FALSE(write("/dev/full")) << name;
        EXPECT_TRUE(fs::is_character_file("/dev/full")) << name;
    }
}

TEST_F(TextFileWriterTest, FullDiskIsDetectedByTheWrite)
{
    const int descriptor = ::open("/dev/full", O_WRONLY | O_CLOEXEC);
    ASSERT_GE(descriptor, 0);
    std::string error;
    EXPECT_FALSE(gf_writeAllAndSync(descriptor, "some bytes", error));
    EXPECT_EQ(error, std::generic_category().message(ENOSPC));
    ::close(descriptor);
}

TEST_F(TextFileWriterTest, FailureIsLoggedAsAnAlert)
{
    gf_startLog(dir / "Log.txt");
    fs::create_directory(dir / "target");
    EXPECT_FALSE(gf_writeText("x", dir / "target"));
    gf_stopLog();
    EXPECT_NE(readWholeFile(dir / "Log.txt").find("==> Failed to write " + (dir / "target").string() + " ("),
              std::string::npos);
}

TEST_F(TextFileWriterTest, ManyWritersOfOneFileEachLeaveAWholeFile)
{
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([this, t] {
            const std::string text(10000, static_cast<char>('a' + t));
            for (int i = 0; i < 20; ++i) {
                EXPECT_TRUE(gf_writeText(text, dir / "shared.txt"));
            }
        });
    }
    for (auto& thread : threads) {
        thread.join();
    }
    const std::string result = readWholeFile(dir / "shared.txt");
    ASSERT_EQ(result.size(), 10001U);
    EXPECT_EQ(result.find_first_not_of(result[0]), 10000U) << "one writer's text, not a mixture";
    EXPECT_EQ(entryNames(dir.path()), std::vector<std::string>{"shared.txt"});
}

} // namespace
} // namespace hlw
