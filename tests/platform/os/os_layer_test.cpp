#include "platform/os/detached_process.h"
#include "platform/os/elevation.h"
#include "platform/os/file_browser.h"
#include "platform/os/process_state.h"
#include "platform/os/single_instance.h"
#include "platform/os/text_conversion.h"
#include "platform/os/user_folders.h"
#include "support/log_capture.h"

#include <gtest/gtest.h>

#include <numeric>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace hlw::os {
namespace {

using namespace hlw::test;

// The exit code of a child process that ran the action: the action must come back there, not end the process.
template <class Action> int lf_exitCodeInChild(Action action)
{
    const pid_t child = fork();
    if (child == 0) {
        _exit(action() ? 1 : 0);
    }
    int status = 0;
    waitpid(child, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// The browser is "xdg-open" from PATH: here a stand-in that writes its argument and fails, which still counts as
// started. A semicolon in the folder stays literal, as no shell is involved.
TEST(DetachedProgram, OpensTheFileBrowserOrRecordsTheFolder)
{
    const TempDir dir;
    std::filesystem::create_directory(dir / "bin");
    writeWholeFile(dir / "bin/xdg-open", "#!/bin/sh\nprintf '%s' \"$1\" > \"${0%/*}/opened\"; exit 3\n");
    writeWholeFile(dir / "garbage", "\x01\x02 no program");
    chmod((dir / "bin/xdg-open").c_str(), 0755);
    chmod((dir / "garbage").c_str(), 0755);
    const ScopedEnvironment path("PATH", (dir / "bin").c_str());
    for (const char* record : {"", static_cast<const char*>(nullptr)}) {
        const ScopedEnvironment recordTo(fileBrowserRecordVariable, record);
        std::filesystem::remove(dir / "bin/opened");
        EXPECT_EQ(lf_exitCodeInChild([] { return openInFileBrowser("/data; rm x"); }), 1);
        EXPECT_TRUE(gf_eventually([&] {
            return std::filesystem::exists(dir / "bin/opened") && readWholeFile(dir / "bin/opened") == "/data; rm x";
        }));
    }
    const std::string programs[] = {"hlmr-none", "/no/prog", dir.path().string(), (dir / "garbage").string(), ""};
    for (const std::string& program : programs) {
        EXPECT_EQ(lf_exitCodeInChild([&] { return startDetachedProgram(program, {}); }), 0) << program;
    }
    const ScopedEnvironment recordTo(fileBrowserRecordVariable, (dir / "record").c_str());
    EXPECT_TRUE(openInFileBrowser("/some/folder") && openInFileBrowser(dir.path()));
    EXPECT_EQ(readWholeFile(dir / "record"), "/some/folder\n" + dir.path().string() + "\n");
}

TEST(ProcessState, RunningOnlyWhileTheProcessExists)
{
    const pid_t child = fork();
    if (child == 0) {
        _exit(0);
    }
    ASSERT_EQ(waitpid(child, nullptr, 0), child);
    for (const long gone : {long{child}, 0L, -1L, long{1} << 40}) {
        EXPECT_FALSE(processIsRunning(gone)) << gone;
    }
    EXPECT_TRUE(processIsRunning(getpid()) && processIsRunning(1));
    EXPECT_EQ(isElevated(), geteuid() == 0);
}

// The lock lives in $XDG_RUNTIME_DIR when that is absolute, else in the temporary folder with the user id.
TEST(SingleInstanceLock, OneHolderAtATime)
{
    const TempDir dir;
    const auto childAcquires = [&] { return lf_exitCodeInChild([&] { return SingleInstanceLock::acquire("a/b"); }); };
    const ScopedEnvironment runtime("XDG_RUNTIME_DIR", dir.path().c_str());
    EXPECT_EQ(childAcquires(), 1);
    {
        const auto held = SingleInstanceLock::acquire("a/b");
        EXPECT_TRUE(held && std::filesystem::exists(dir / "a_b.lock"));
        EXPECT_EQ(childAcquires(), 0);
        EXPECT_FALSE(SingleInstanceLock::acquire("a/b"));
    }
    EXPECT_EQ(childAcquires(), 1);
    EXPECT_FALSE(SingleInstanceLock::acquireIn(dir / "missing", "a"));
    const ScopedEnvironment relative("XDG_RUNTIME_DIR", "relative");
    const ScopedEnvironment temp("TMPDIR", dir.path().c_str());
    EXPECT_TRUE(SingleInstanceLock::acquire("a/b") &&
                std::filesystem::exists(dir / ("a_b-" + std::to_string(getuid()) + ".lock")));
    // Letters, digits, '.', '-' and '_' stay; their neighbours in the character table do not.
    EXPECT_EQ(SingleInstanceLock::fileNameFor("Local\\$HLMR$ AZaz09.-_@[`{/:"), "Local__HLMR__AZaz09.-_______.lock");
}

// The override variable, then an absolute XDG folder, then the default below an absolute $HOME.
TEST(UserFolders, FollowOverrideThenXdgThenHome)
{
    const char* const rows[][5] = {{"/tmp/over", "/xdg", "/home/u", "/tmp/over", "/tmp/over"},
                                   {"", "/xdg", "/home/u", "", ""},
                                   {nullptr, "/xdg", "/home/u", "/xdg", "/xdg"},
                                   {nullptr, "relative", "/home/u", "/home/u/.config", "/home/u/.local/share"},
                                   {nullptr, nullptr, "/home/u", "/home/u/.config", "/home/u/.local/share"},
                                   {nullptr, "", "relative", "", ""}};
    for (const auto& [overridden, xdg, home, roaming, local] : rows) {
        const ScopedEnvironment variables[] = {{roamingFolderVariable, overridden},
                                               {localFolderVariable, overridden},
                                               {"XDG_CONFIG_HOME", xdg},
                                               {"XDG_DATA_HOME", xdg},
                                               {"HOME", home}};
        EXPECT_EQ(roamingAppDataFolder(), std::filesystem::path{roaming});
        EXPECT_EQ(localAppDataFolder(), std::filesystem::path{local});
    }
}

// Each row is one text in both encodings; together they hold every encoded length and its edges.
TEST(TextConversion, ValidTextConvertsBothWays)
{
    const std::pair<std::u16string, std::string> rows[] = {
        {u"", ""},
        {std::u16string(u"EHAM\0\u007F", 6), std::string("EHAM\0\x7F", 6)},
        {u"\u0080\u07FF K\u00f6ln", "\xC2\x80\xDF\xBF K\xC3\xB6ln"},
        {u"\u0800\u20ac\uFFFF", "\xE0\xA0\x80\xE2\x82\xAC\xEF\xBF\xBF"},
        {u"\U00010000\U0010FFFF", "\xF0\x90\x80\x80\xF4\x8F\xBF\xBF"}};
    for (const auto& [utf16, utf8] : rows) {
        EXPECT_EQ(utf16ToUtf8(utf16), utf8) << testing::PrintToString(utf8);
        EXPECT_EQ(utf8ToUtf16(utf8), utf16) << testing::PrintToString(utf8);
    }
}

// Unpaired surrogates; lone or missing continuation bytes, overlong forms, cut sequences, surrogates, values
// beyond U+10FFFF and bytes that lead nothing.
TEST(TextConversion, InvalidTextIsRefusedNotReplaced)
{
    for (const std::u16string text : {u"\xD83D", u"a\xDE00", u"\xD83D!", u"\xDE00\xD83D"}) {
        EXPECT_FALSE(utf16ToUtf8(text)) << text.size();
    }
    EXPECT_FALSE(utf16ToUtf8(std::u16string_view(u"\xD83D\xDE00", 1))) << "a pair cut by the end of the text";
    for (const char* text : {"\x80", "\xC3\x28", "\xC0\xAF", "\xE0\x80\xAF", "\xF0\x80\x80\xAF", "\xC3", "ab\xE2\x82",
                             "\xF0\x9F\x98", "\xED\xA0\x80", "\xF4\x90\x80\x80", "\xF8\x88\x80\x80\x80", "\xFF"}) {
        EXPECT_FALSE(utf8ToUtf16(text)) << testing::PrintToString(std::string{text});
    }
}

// The five bytes Windows-1252 leaves undefined become the C1 controls of the same value; no byte is lost.
TEST(TextConversion, Windows1252KeepsEveryByte)
{
    EXPECT_EQ(windows1252ToUtf8("K\xF6ln \xFF\x80\x8A\x9F\x93"),
              "K\xC3\xB6ln \xC3\xBF\xE2\x82\xAC\xC5\xA0\xC5\xB8\xE2\x80\x9C");
    EXPECT_EQ(windows1252ToUtf8("\x81\x8D\x8F\x90\x9D"), "\xC2\x81\xC2\x8D\xC2\x8F\xC2\x90\xC2\x9D");
    std::string all(256, '\0');
    std::iota(all.begin(), all.end(), '\0');
    EXPECT_EQ(utf8ToUtf16(windows1252ToUtf8(all)).value_or(u"").size(), 256u);
}

} // namespace
} // namespace hlw::os
