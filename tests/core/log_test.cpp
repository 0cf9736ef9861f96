#include "core/log.h"

#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace hlw {
namespace {

using test::readWholeFile;
using test::writeWholeFile;

std::vector<std::string> lines(const std::string& text)
{
    std::vector<std::string> result;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        result.push_back(line);
    }
    return result;
}

class LogTest : public ::testing::Test {
protected:
    void TearDown() override { gf_stopLog(); }
    test::TempDir dir;
    test::ScopedCurrentPath cwd{dir.path()};
};

TEST_F(LogTest, WritersBeforeStartAreSilentNoOps)
{
    gf_log("early");
    gf_logAlert("early alert");
    gf_logFlush("early flush");
    gf_logContinuation("early continuation");
    gf_logUnlessStopping("early unless");
    gf_logFlushNow();
    EXPECT_FALSE(gf_logIsOpen());
    EXPECT_FALSE(std::filesystem::exists(dir / "Log.txt"));
}

TEST_F(LogTest, StartWritesBannerAndWritersAddTheirPrefixes)
{
    gf_startLog();
    ASSERT_TRUE(gf_logIsOpen());
    gf_log("plain");
    gf_logAlert("alert");
    gf_logContinuation("more");
    gf_logFlush("flushed");
    gf_log("");
    gf_logAlert("");
    gf_logContinuation("");
    gf_stopLog();

    const auto got = lines(readWholeFile(dir / "Log.txt"));
    ASSERT_EQ(got.size(), 8U);
    EXPECT_NE(got[0].find(" (utc) Hollowmere version 12.5.1 for MSFS 2020/2024"), std::string::npos) << got[0];
    EXPECT_EQ(got[0].find(" (utc) "), 24U) << "the banner starts with the 24-character time text";
    EXPECT_EQ(got[1], "plain");
    EXPECT_EQ(got[2], "==> alert");
    EXPECT_EQ(got[3], "          more");
    EXPECT_EQ(got[4], "flushed");
    EXPECT_EQ(got[5], "");
    EXPECT_EQ(got[6], "==> ");
    EXPECT_EQ(got[7], std::string(10, ' '));
    EXPECT_EQ(readWholeFile(dir / "Log.txt").find('\r'), std::string::npos);
}

TEST_F(LogTest, AlertsAndFlushedLinesReachTheFileAtOnce)
{
    gf_startLog();
    gf_log("buffered");
    gf_logAlert("now");
    const std::string text = readWholeFile(dir / "Log.txt");
    EXPECT_NE(text.find("buffered\n==> now\n"), std::string::npos);
}

TEST_F(LogTest, UnlessStoppingIsSilencedByEitherFlag)
{
    test::FakeRunState state;
    gf_startLog();
    gf_logUnlessStopping("one");
    state.stop = true;
    gf_logUnlessStopping("two");
    gf_log("plain still written");
    state.stop = false;
    state.closing = true;
    gf_logUnlessStopping("three");
    state.closing = false;
    gf_logUnlessStopping("four");
    gf_stopLog();
    const auto got = lines(readWholeFile(dir / "Log.txt"));
    ASSERT_EQ(got.size(), 4U);
    EXPECT_EQ(got[1], "one");
    EXPECT_EQ(got[2], "plain still written");
    EXPECT_EQ(got[3], "four");
}

TEST_F(LogTest, StartFailsWhenTheFileCannotBeOpened)
{
    std::filesystem::create_directory(dir / "Log.txt");
    try {
        gf_startLog();
        FAIL() << "expected an exception";
    } catch (const std::runtime_error& e) {
        EXPECT_STREQ(e.what(), "Failed to write file Log.txt");
    }
    EXPECT_FALSE(gf_logIsOpen());
}

TEST_F(LogTest, ConcurrentWritersNeitherTearNorLoseLines)
{
    gf_startLog();
    constexpr int threads = 8;
    constexpr int perThread = 2000;
    std::vector<std::thread> workers;
    for (int t = 0; t < threads; ++t) {
        workers.emplace_back([t] {
            for (int i = 0; i < perThread; ++i) {
                const std::string text = "writer " + std::to_string(t) + " line " + std::to_string(i);
                switch (i % 4) {
                case 0: gf_log(text); break;
                case 1: gf_logAlert(text); break;
                case 2: gf_logContinuation(text); break;
                default: gf_logFlush(text); break;
                }
            }
        });
    }
    for (auto& w : workers) {
        w.join();
    }
    gf_stopLog();
    const auto got = lines(readWholeFile(dir / "Log.txt"));
    ASSERT_EQ(got.size(), 1U + threads * perThread);
    std::vector<int> next(threads, 0);
    for (std::size_t k = 1; k < got.size(); ++k) {
        std::string line = got[k];
        if (line.starts_with("==> ")) {
            line.erase(0, 4);
        } else if (line.starts_with("          ")) {
            line.erase(0, 10);
        }
        int t = -1;
        int i = -1;
        ASSERT_EQ(std::sscanf(line.c_str(), "writer %d line %d", &t, &i), 2) << got[k];
        ASSERT_GE(t, 0);
        ASSERT_LT(t, threads);
        EXPECT_EQ(i, next[static_cast<std::size_t>(t)]++) << "lines of one writer stay in order";
    }
}

TEST(LogExcerptTest, LongTextsAreCutBeforeAWholeCharacter)
{
    const struct {
        std::string text;
        std::size_t limit;
        std::string logged;
    } rows[] = {
        {"abcdef", 6, "abcdef"},
        {"abcdefg", 6, "abcdef... (7 bytes)"},
        {"abcde\xC3\xBC", 6, "abcde... (7 bytes)"},
        {"abcd\xE2\x82\xACxyz", 6, "abcd... (10 bytes)"},
        {"abcdef\xC3\xBC", 6, "abcdef... (8 bytes)"},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(gf_logExcerpt(row.text, row.limit), row.logged) << row.text;
    }
}

class GenerationTest : public ::testing::Test {
protected:
    test::TempDir dir;
};

TEST_F(GenerationTest, NamesInsertZerosBeforeTheLastDotOfTheWholePath)
{
    EXPECT_EQ(gf_generationName("Log.txt", 1), "Log0.txt");
    EXPECT_EQ(gf_generationName("Log.txt", 3), "Log000.txt");
    EXPECT_EQ(gf_generationName("my.folder/file", 2), "my00.folder/file");
    EXPECT_EQ(gf_generationName("nodot", 1), "");
}

TEST_F(GenerationTest, RotationWithNothingToRotateSucceeds)
{
    EXPECT_TRUE(gf_saveUpto3GenerationsOf(dir / "Log.txt"));
    EXPECT_TRUE(std::filesystem::is_empty(dir.path()));
}

TEST_F(GenerationTest, RotationShiftsPresentGenerationsAndKeepsTheOldestWhenAGapIsBelowIt)
{
    writeWholeFile(dir / "Log.txt", "current");
    writeWholeFile(dir / "Log0.txt", "first");
    writeWholeFile(dir / "Log000.txt", "third");
    EXPECT_TRUE(gf_saveUpto3GenerationsOf(dir / "Log.txt"));
    EXPECT_EQ(readWholeFile(dir / "Log.txt"), "current");
    EXPECT_EQ(readWholeFile(dir / "Log0.txt"), "current");
    EXPECT_EQ(readWholeFile(dir / "Log00.txt"), "first");
    EXPECT_EQ(readWholeFile(dir / "Log000.txt"), "third");
}

TEST_F(GenerationTest, StartingTheLogRotatesThePreviousOne)
{
    test::ScopedCurrentPath cwd(dir.path());
    writeWholeFile(dir / "Log.txt", "previous run\n");
    gf_startLog();
    gf_stopLog();
    EXPECT_EQ(readWholeFile(dir / "Log0.txt"), "previous run\n");
    EXPECT_EQ(readWholeFile(dir / "Log.txt").find("previous run"), std::string::npos);
}

// The log and its generations lie in the program folder: links planted at their names are replaced, and the
// file they name stays as it was.
TEST_F(GenerationTest, LinksAtTheLogAndItsGenerationsAreReplacedNotWrittenThrough)
{
    namespace fs = std::filesystem;
    test::ScopedCurrentPath cwd(dir.path());
    writeWholeFile(dir / "precious.txt", "precious");
    writeWholeFile(dir / "Log00.txt", "second");
    fs::create_symlink(dir / "precious.txt", dir / "Log000.txt");
    fs::create_symlink(dir / "precious.txt", dir / "Log.txt");
    gf_startLog();
    gf_log("new run");
    gf_stopLog();
    EXPECT_EQ(readWholeFile(dir / "precious.txt"), "precious");
    for (const char* name : {"Log.txt", "Log000.txt"}) {
        EXPECT_FALSE(fs::is_symlink(dir / name)) << name;
    }
    EXPECT_EQ(readWholeFile(dir / "Log000.txt"), "second");
    EXPECT_NE(readWholeFile(dir / "Log.txt").find("\nnew run\n"), std::string::npos);
}

TEST_F(GenerationTest, FailedCopyIsReportedAndLaterStepsStillRun)
{
    writeWholeFile(dir / "a.xml", "a");
    std::filesystem::create_directory(dir / "a0.xml");  // a folder where generation 1 should go
    writeWholeFile(dir / "a00.xml", "old");
    EXPECT_FALSE(gf_saveUpto3GenerationsOf(dir / "a.xml"));
    EXPECT_EQ(readWholeFile(dir / "a000.xml"), "old");
    EXPECT_FALSE(gf_save1GenerationOf(dir / "a.xml"));
    EXPECT_FALSE(gf_save1GenerationOf(dir / "nodot"));
    writeWholeFile(dir / "b.xml", "b");
    EXPECT_TRUE(gf_save1GenerationOf(dir / "b.xml"));
    EXPECT_EQ(readWholeFile(dir / "b0.xml"), "b");
}

} // namespace
} // namespace hlw
