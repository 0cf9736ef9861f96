#include "platform/os/single_instance.h"
#include "support/temp_dir.h"

#include <fmt/format.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <sys/wait.h>

namespace hlw {
namespace {

using hlw::test::readWholeFile;
using hlw::test::TempDir;

// Runs the built program in a program folder of its own, with its own lock and per-user folders.
class Entry : public testing::Test {
protected:
    Entry()
    {
        std::filesystem::create_directories(dir / "program" / "docs");
        std::filesystem::create_directories(dir / "runtime");
    }

    int runProgram()
    {
        const std::string command = fmt::format(
            "cd '{0}/program' && XDG_RUNTIME_DIR='{0}/runtime' HLMR_ROAMING_APPDATA='{0}/roaming' "
            "HLMR_LOCAL_APPDATA= '{1}' > '{0}/out.txt' 2> '{0}/err.txt'",
            dir.path().string(), HOLLOWMERE_PROGRAM);
        const int status = std::system(command.c_str());
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    std::string out() const { return readWholeFile(dir / "out.txt"); }
    std::string err() const { return readWholeFile(dir / "err.txt"); }

    TempDir dir;
};

TEST_F(Entry, WritesTheBannerAndTheStartReportToTheLog)
{
    ASSERT_EQ(runProgram(), 0) << err();
    const std::string log = readWholeFile(dir / "program" / "Log.txt");
    EXPECT_NE(log.find("(utc) Hollowmere version 12.5.1 for MSFS 2020/2024\n"), std::string::npos) << log;
    EXPECT_NE(log.find(fmt::format("Roaming AppData folder: {}/roaming\n", dir.path().string())), std::string::npos)
        << log;
    EXPECT_NE(log.find("==> Could not find the Local AppData path\n"), std::string::npos) << log;
    EXPECT_NE(log.find("Local AppData folder: not found\n"), std::string::npos) << log;
    EXPECT_NE(out().find("Hollowmere version 12.5.1\n"), std::string::npos) << out();
    EXPECT_NE(out().find("Weekday "), std::string::npos) << out();
}

TEST_F(Entry, ASecondCopyEndsAtOnceWithoutTouchingTheLog)
{
    const auto held = os::SingleInstanceLock::acquireIn(dir / "runtime", "Local\\$HLMR$");
    ASSERT_TRUE(held);
    EXPECT_EQ(runProgram(), 1);
    EXPECT_EQ(err(), "Hollowmere is already running\n");
    EXPECT_FALSE(std::filesystem::exists(dir / "program" / "Log.txt"));
}

TEST_F(Entry, ALogThatCannotBeOpenedEndsTheProgramWithItsReason)
{
    std::filesystem::create_directory(dir / "program" / "Log.txt");
    EXPECT_EQ(runProgram(), 1);
    EXPECT_NE(err().find("Failed to write file"), std::string::npos) << err();
    EXPECT_EQ(out(), "");
}

} // namespace
} // namespace hlw
