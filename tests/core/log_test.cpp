// The log, its generations, capped alerts and the message line.
#include "core/capped_alerts.h"
#include "core/log.h"
#include "core/message_line.h"
#include "core/string_helpers.h"
#include "core/user_warning.h"
#include "support/log_capture.h"

#include <gtest/gtest.h>

#include <thread>

namespace hlw {
namespace {

namespace fs = std::filesystem;
using test::readWholeFile;
using test::writeWholeFile;

class LogTest : public ::testing::Test {
  protected:
    void TearDown() override
    {
        gf_stopLog();
        gf_setMessageRepaintHook(nullptr);
        gf_clearError();
        gf_clearMessage();
    }
    test::TempDir dir;
    test::ScopedCurrentPath cwd{dir.path()};
};

// Before the start every writer is a silent no-op; then each adds its prefix, alerts and flushed lines reach the
// file at once, and lines of a stopping run are dropped by the writer that asks.
TEST_F(LogTest, WritersAndTheirPrefixes)
{
    gf_log("early");
    gf_logAlert("early alert");
    gf_logUnlessStopping("early unless");
    EXPECT_FALSE(gf_logIsOpen() || fs::exists(dir / "Log.txt"));
    gf_startLog();
    gf_log("plain");
    gf_logAlert("alert");
    EXPECT_NE(readWholeFile(dir / "Log.txt").find("plain\n==> alert\n"), std::string::npos);
    gf_logContinuation("more");
    gf_logFlush("flushed");
    gf_log("");
    gf_logAlert("");
    gf_logContinuation("");
    test::FakeRunState state;
    for (const auto& [stop, closing] : {std::pair{false, false}, {true, false}, {false, true}}) {
        state.stop = stop;
        state.closing = closing;
        gf_logUnlessStopping(fmt::format("stop {} closing {}", stop, closing));
    }
    gf_stopLog();
    const std::string text = readWholeFile(dir / "Log.txt");
    const auto got = gf_splitAt(text, '\n');
    EXPECT_EQ(got[0].find(" (utc) Hollowmere version 12.5.1 for MSFS 2020/2024"), 24U) << got[0];
    EXPECT_EQ(std::vector<std::string_view>(got.begin() + 1, got.end()),
              (std::vector<std::string_view>{"plain", "==> alert", "          more", "flushed", "", "==> ",
                                             "          ", "stop false closing false", ""}));
    EXPECT_EQ(text.find('\r'), std::string::npos);
}

TEST_F(LogTest, StartFailsWhenTheFileCannotBeOpened)
{
    fs::create_directory(dir / "Log.txt");
    EXPECT_EQ(test::thrownText([] { gf_startLog(); }), "Failed to write file Log.txt");
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
                const std::string text = fmt::format("writer {} line {}", t, i);
                i % 3 == 0 ? gf_log(text) : i % 3 == 1 ? gf_logAlert(text) : gf_logContinuation(text);
            }
        });
    }
    for (auto& worker : workers) {
        worker.join();
    }
    gf_stopLog();
    const std::string text = readWholeFile(dir / "Log.txt");
    const auto got = gf_splitAt(text, '\n');
    ASSERT_EQ(got.size(), 2U + threads * perThread);
    std::vector<int> next(threads, 0);
    for (std::size_t k = 1; k + 1 < got.size(); ++k) {
        int writer = -1;
        int line = -1;
        ASSERT_EQ(std::sscanf(got[k].data() + got[k].find('w'), "writer %d line %d", &writer, &line), 2) << got[k];
        EXPECT_EQ(line, next.at(static_cast<std::size_t>(writer))++) << "lines of one writer stay in order";
    }
}

TEST(LogExcerpt, LongTextsAreCutBeforeAWholeCharacter)
{
    for (const auto& [text, logged] : {std::pair{"abcdef", "abcdef"},
                                       {"abcdefg", "abcdef... (7 bytes)"},
                                       {"abcde\xC3\xBC", "abcde... (7 bytes)"},
                                       {"abcd\xE2\x82\xACxyz", "abcd... (10 bytes)"},
                                       {"abcdef\xC3\xBC", "abcdef... (8 bytes)"}}) {
        EXPECT_EQ(gf_logExcerpt(text, 6), logged) << text;
    }
}

// Generation n inserts n zeros before the last dot of the whole path; present generations shift up, the oldest
// stays when a gap lies below it, and a failed copy is reported while the later steps still run.
TEST_F(LogTest, GenerationsOfAFile)
{
    EXPECT_EQ(gf_generationName("Log.txt", 3) + gf_generationName("my.folder/file", 2) + gf_generationName("nodot", 1),
              "Log000.txtmy00.folder/file");
    EXPECT_TRUE(gf_saveUpto3GenerationsOf(dir / "Log.txt") && fs::is_empty(dir.path()));
    writeWholeFile(dir / "Log.txt", "current");
    writeWholeFile(dir / "Log0.txt", "first");
    writeWholeFile(dir / "Log000.txt", "third");
    EXPECT_TRUE(gf_saveUpto3GenerationsOf(dir / "Log.txt"));
    for (const auto& [name, text] :
         {std::pair{"Log.txt", "current"}, {"Log0.txt", "current"}, {"Log00.txt", "first"}, {"Log000.txt", "third"}}) {
        EXPECT_EQ(readWholeFile(dir / name), text) << name;
    }
    writeWholeFile(dir / "a.xml", "a");
    fs::create_directory(dir / "a0.xml");
    writeWholeFile(dir / "a00.xml", "old");
    EXPECT_FALSE(gf_saveUpto3GenerationsOf(dir / "a.xml"));
    EXPECT_EQ(readWholeFile(dir / "a000.xml"), "old");
    EXPECT_FALSE(gf_save1GenerationOf(dir / "a.xml") || gf_save1GenerationOf(dir / "nodot"));
    EXPECT_TRUE(gf_save1GenerationOf(dir / "Log00.txt"));
    EXPECT_EQ(readWholeFile(dir / "Log000.txt"), "first");
}

// Starting the log rotates the previous one. The log and its generations lie in the program folder: links
// planted at their names are replaced, and the file they name stays as it was.
TEST_F(LogTest, StartRotatesAndNeverWritesThroughALink)
{
    writeWholeFile(dir / "precious.txt", "precious");
    writeWholeFile(dir / "Log0.txt", "previous run\n");
    fs::create_symlink(dir / "precious.txt", dir / "Log00.txt");
    fs::create_symlink(dir / "precious.txt", dir / "Log.txt");
    gf_startLog();
    gf_log("new run");
    gf_stopLog();
    EXPECT_EQ(readWholeFile(dir / "precious.txt"), "precious");
    EXPECT_FALSE(fs::is_symlink(dir / "Log.txt") || fs::is_symlink(dir / "Log00.txt"));
    EXPECT_EQ(readWholeFile(dir / "Log00.txt"), "previous run\n");
    EXPECT_NE(readWholeFile(dir / "Log.txt").find("\nnew run\n"), std::string::npos);
}

// Of each kind only the first few alerts are logged; the rest are counted in one line at the end.
TEST(CappedAlerts, FirstFewThenACount)
{
    test::LogCapture log;
    {
        CappedAlerts alerts("list.txt", 2);
        for (int i = 0; i < 5; ++i) {
            alerts.alert("wrong length", "wrong length {}", i);
        }
        alerts.alert("bad letter", "bad letter {}", 9);
    }
    EXPECT_EQ(log.count("==> wrong length"), 2U);
    EXPECT_EQ(
        log.count("==> wrong length 1\n==> bad letter 9\n==> 3 more 'wrong length' alerts for list.txt not logged\n"),
        1U)
        << log.text();
    EXPECT_EQ(log.count("more 'bad letter'"), 0U);
}

int repaints = 0;
std::string lastWarning;

// A message shows for 25 per-second steps and is logged on request; a shown error swallows messages (no log
// line, no repaint) until it is cleared. Without a window a warning is a plain message, so that it never sticks.
TEST_F(LogTest, MessageLineMessagesErrorsAndWarnings)
{
    gf_startLog();
    repaints = 0;
    gf_setMessageRepaintHook([] { ++repaints; });
    gf_messageLineSecondStep(); // past the window's first second, in which no step has been counted yet
    gf_setMessage("Reading liveries", true);
    gf_setMessage("quiet", false);
    EXPECT_EQ(repaints, 2);
    for (int step = 0; step < 24; ++step) {
        gf_messageLineSecondStep();
    }
    EXPECT_EQ(gf_messageLineTexts().message, "quiet");
    gf_messageLineSecondStep();
    EXPECT_EQ(gf_messageLineTexts().message, "");

    gf_showError("no install path");
    gf_setMessage("swallowed", true);
    gf_clearMessage();
    EXPECT_EQ(repaints, 4);
    EXPECT_EQ(gf_messageLineTexts().message + "|" + gf_messageLineTexts().error, "|no install path");
    gf_clearError();
    gf_warnUser("Could not open folder with parameters.xml");
    EXPECT_EQ(gf_messageLineTexts().message + "|" + gf_messageLineTexts().error,
              "Could not open folder with parameters.xml|");
    gf_installUserWarningHook([](std::string_view text) { lastWarning = text; });
    gf_warnUser("shown by the window");
    gf_installUserWarningHook(nullptr);
    EXPECT_EQ(lastWarning, "shown by the window");
    EXPECT_EQ(gf_messageLineTexts().message, "Could not open folder with parameters.xml");
    gf_stopLog();
    EXPECT_NE(readWholeFile(dir / "Log.txt")
                  .find("\nReading liveries\nError no install path\n==> Could not open folder "
                        "with parameters.xml\n==> shown by the window\n"),
              std::string::npos);
}

} // namespace
} // namespace hlw
