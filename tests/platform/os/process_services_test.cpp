#include "platform/os/detached_process.h"
#include "platform/os/elevation.h"
#include "platform/os/file_browser.h"
#include "platform/os/process_state.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <thread>
#include <sys/wait.h>
#include <unistd.h>

namespace hlw::os {
namespace {

using hlw::test::readWholeFile;
using hlw::test::TempDir;

bool lf_waitForFile(const std::filesystem::path& file)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (std::chrono::steady_clock::now() < deadline) {
        if (std::filesystem::exists(file) && !readWholeFile(file).empty()) {
            return true;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return false;
}

TEST(DetachedProgram, RunsWithArgumentsAndNoShell)
{
    const TempDir dir;
    const auto marker = dir / "marker";
    // A semicolon passed as an argument stays one literal argument: no shell ever sees it.
    ASSERT_TRUE(startDetachedProgram("sh", {"-c", "printf '%s' \"$1\" > \"$2\"", "sh", "a; rm -rf x", marker.string()}));
    ASSERT_TRUE(lf_waitForFile(marker));
    EXPECT_EQ(readWholeFile(marker), "a; rm -rf x");
}

TEST(DetachedProgram, ReportsAProgramThatCannotStart)
{
    const TempDir dir;
    EXPECT_FALSE(startDetachedProgram("hlmr-no-such-program", {}));
    EXPECT_FALSE(startDetachedProgram("/nonexistent/bin/prog", {}));
    EXPECT_FALSE(startDetachedProgram(dir.path().string(), {}));
    EXPECT_FALSE(startDetachedProgram("", {}));
}

TEST(FileBrowser, RecordsTheFolderInsteadOfOpeningIt)
{
    const TempDir dir;
    const auto record = dir / "opened.txt";
    setenv(fileBrowserRecordVariable, record.c_str(), 1);
    EXPECT_TRUE(openInFileBrowser("/some/folder"));
    EXPECT_TRUE(openInFileBrowser(dir.path()));
    unsetenv(fileBrowserRecordVariable);
    EXPECT_EQ(readWholeFile(record), "/some/folder\n" + dir.path().string() + "\n");
}

TEST(ProcessState, RunningOnlyWhileTheProcessExists)
{
    EXPECT_TRUE(processIsRunning(::getpid()));
    EXPECT_TRUE(processIsRunning(1));
    const pid_t child = ::fork();
    if (child == 0) {
        ::_exit(0);
    }
    ASSERT_GT(child, 0);
    ASSERT_EQ(::waitpid(child, nullptr, 0), child);
    EXPECT_FALSE(processIsRunning(child));
    EXPECT_FALSE(processIsRunning(0));
    EXPECT_FALSE(processIsRunning(-1));
    EXPECT_FALSE(processIsRunning(long{1} << 40));
}

TEST(Elevation, MatchesTheEffectiveUser) { EXPECT_EQ(isElevated(), geteuid() == 0); }

} // namespace
} // namespace hlw::os
