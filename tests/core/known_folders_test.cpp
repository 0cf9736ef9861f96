#include "core/known_folders.h"
#include "core/log.h"
#include "platform/os/file_browser.h"
#include "platform/os/user_folders.h"
#include "support/temp_dir.h"

#include <fmt/format.h>
#include <gtest/gtest.h>

#include <cstdlib>

namespace hlw {
namespace {

using hlw::test::readWholeFile;
using hlw::test::ScopedCurrentPath;
using hlw::test::TempDir;
using hlw::test::writeWholeFile;

// Every test runs with its own log and records the file browser's launches instead of making them.
class KnownFolders : public testing::Test {
protected:
    void SetUp() override
    {
        gf_startLog(dir / "Log.txt");
        setenv(os::fileBrowserRecordVariable, (dir / "opened.txt").c_str(), 1);
    }
    void TearDown() override
    {
        unsetenv(os::fileBrowserRecordVariable);
        unsetenv(os::roamingFolderVariable);
        unsetenv(os::localFolderVariable);
        gf_stopLog();
    }
    std::string opened() const
    {
        return std::filesystem::exists(dir / "opened.txt") ? readWholeFile(dir / "opened.txt") : "";
    }
    std::string log() const { return readWholeFile(dir / "Log.txt"); }

    TempDir dir;
};

TEST_F(KnownFolders, PerUserFoldersComeFromTheOsLayer)
{
    setenv(os::roamingFolderVariable, (dir / "roaming").c_str(), 1);
    setenv(os::localFolderVariable, (dir / "local").c_str(), 1);
    EXPECT_EQ(gf_roamingAppDataPath(), dir / "roaming");
    EXPECT_EQ(gf_localAppDataPath(), dir / "local");
    gf_logFlushNow();
    EXPECT_EQ(log().find("==> Could not"), std::string::npos);
}

TEST_F(KnownFolders, AMissingFolderIsAnAlertAndAnEmptyPath)
{
    setenv(os::roamingFolderVariable, "", 1);
    setenv(os::localFolderVariable, "", 1);
    EXPECT_TRUE(gf_roamingAppDataPath().empty());
    EXPECT_TRUE(gf_localAppDataPath().empty());
    gf_logFlushNow();
    EXPECT_NE(log().find("==> Could not find the AppData path\n"), std::string::npos);
    EXPECT_NE(log().find("==> Could not find the Local AppData path\n"), std::string::npos);
}

TEST_F(KnownFolders, ShellOpenShowsTheFolderThatHoldsTheFile)
{
    writeWholeFile(dir / "parameters.xml", "<parameters/>");
    std::filesystem::create_directory(dir / "docs");
    EXPECT_TRUE(gf_shellOpen(dir / "parameters.xml"));
    EXPECT_TRUE(gf_shellOpen(dir / "docs"));
    EXPECT_TRUE(gf_shellOpen(dir.path() / "docs" / ""));
    EXPECT_EQ(opened(), fmt::format("{0}\n{0}\n{0}\n", dir.path().string()));
}

TEST_F(KnownFolders, ShellOpenOfAFileInTheCurrentFolderShowsThatFolder)
{
    writeWholeFile(dir / "Manual.pdf", "%PDF");
    const ScopedCurrentPath here(dir.path());
    EXPECT_TRUE(gf_shellOpen("Manual.pdf"));
    EXPECT_EQ(opened(), dir.path().string() + "\n");
}

TEST_F(KnownFolders, ShellOpenOfAMissingPathOpensNothing)
{
    EXPECT_FALSE(gf_shellOpen(dir / "missing.xml"));
    EXPECT_FALSE(gf_shellOpen(""));
    EXPECT_FALSE(gf_shellOpen("/"));
    EXPECT_EQ(opened(), "");
}

} // namespace
} // namespace hlw
