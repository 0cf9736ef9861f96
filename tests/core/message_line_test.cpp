#include "core/message_line.h"

#include "core/log.h"
#include "core/user_warning.h"

#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <atomic>

namespace hlw {
namespace {

std::atomic<int> repaints{0};
void countRepaint() { ++repaints; }

class MessageLineTest : public testing::Test {
protected:
    void SetUp() override
    {
        gf_startLog(folder / "Log.txt");
        repaints = 0;
        gf_setMessageRepaintHook(&countRepaint);
    }
    void TearDown() override
    {
        gf_setMessageRepaintHook(nullptr);
        gf_clearError();
        gf_clearMessage();
        gf_stopLog();
    }
    std::string logText() const
    {
        gf_logFlushNow();
        return test::readWholeFile(folder / "Log.txt");
    }
    void step(int count)
    {
        for (int i = 0; i < count; ++i) {
            gf_messageLineSecondStep();
        }
    }

    test::TempDir folder;
};

TEST_F(MessageLineTest, MessageIsShownLoggedOnRequestAndClearedAfter25Steps)
{
    step(1); // past the window's first second, in which no step has been counted yet
    gf_setMessage("Reading liveries", true);
    gf_setMessage("quiet", false);
    EXPECT_EQ(gf_messageLineTexts().message, "quiet");
    EXPECT_EQ(repaints, 2);
    const std::string log = logText();
    EXPECT_NE(log.find("\nReading liveries\n"), std::string::npos);
    EXPECT_EQ(log.find("quiet"), std::string::npos);

    step(24);
    EXPECT_EQ(gf_messageLineTexts().message, "quiet");
    step(1);
    EXPECT_EQ(gf_messageLineTexts().message, "");
}

TEST_F(MessageLineTest, ShownErrorSwallowsMessagesWithoutLogOrRepaint)
{
    gf_setMessage("before", false);
    gf_showError("no install path");
    EXPECT_EQ(gf_messageLineTexts().message, "");
    EXPECT_EQ(gf_messageLineTexts().error, "no install path");
    const int repaintsWithError = repaints;
    gf_setMessage("swallowed", true);
    gf_clearMessage();
    EXPECT_EQ(repaints, repaintsWithError);
    EXPECT_EQ(gf_messageLineTexts().message, "");
    const std::string log = logText();
    EXPECT_NE(log.find("\nError no install path\n"), std::string::npos);
    EXPECT_EQ(log.find("swallowed"), std::string::npos);

    gf_clearError();
    gf_setMessage("after", false);
    EXPECT_EQ(gf_messageLineTexts().message, "after");
}

std::string lastWarning;
void recordWarning(std::string_view text) { lastWarning = text; }

// Without a window a warning must not stick: one failed folder-open would hide every later message.
TEST_F(MessageLineTest, WarningIsAPlainMessageUntilTheWindowTakesItOver)
{
    gf_warnUser("Could not open folder with parameters.xml");
    EXPECT_EQ(gf_messageLineTexts().error, "");
    EXPECT_EQ(gf_messageLineTexts().message, "Could not open folder with parameters.xml");
    gf_setMessage("later", false);
    EXPECT_EQ(gf_messageLineTexts().message, "later");

    gf_installUserWarningHook(&recordWarning);
    gf_warnUser("shown by the window");
    gf_installUserWarningHook(nullptr);
    EXPECT_EQ(lastWarning, "shown by the window");
    EXPECT_EQ(gf_messageLineTexts().message, "later");
    const std::string log = logText();
    EXPECT_NE(log.find("\n==> Could not open folder with parameters.xml\n"), std::string::npos);
    EXPECT_NE(log.find("\n==> shown by the window\n"), std::string::npos);
}

} // namespace
} // namespace hlw
