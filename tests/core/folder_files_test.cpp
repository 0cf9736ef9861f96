#include "core/folder_files.h"
#include "core/log.h"
#include "core/message_line.h"
#include "core/shell_actions.h"

#include "platform/os/file_browser.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

namespace hlw {
namespace {

namespace fs = std::filesystem;
using test::readWholeFile;
using test::writeWholeFile;

class FolderFilesTest : public ::testing::Test {
  protected:
    void TearDown() override
    {
        gf_stopLog();
        gf_clearError();
    }
    test::TempDir dir;
};

TEST_F(FolderFilesTest, CountsRegularFilesOnly)
{
    EXPECT_EQ(gf_countFilesInDirectory(dir / "missing"), 0U);
    EXPECT_EQ(gf_countFilesInDirectory(dir.path()), 0U);
    writeWholeFile(dir / "a.txt", "a");
    writeWholeFile(dir / "b", "b");
    fs::create_directory(dir / "sub");
    writeWholeFile(dir / "sub" / "c.txt", "c");
    fs::create_symlink("sub", dir / "link");
    EXPECT_EQ(gf_countFilesInDirectory(dir.path()), 2U);
    EXPECT_THROW(gf_countFilesInDirectory(dir / "a.txt"), fs::filesystem_error);
}

TEST_F(FolderFilesTest, AirportFileCodesHaveFourCharacterStems)
{
    for (const char* name : {"EHAM.xml", "LOWW.XML", "egll.Xml", "EHAM1.xml", "EHA.xml", "notes.txt", "KJFK.xml.bak"}) {
        writeWholeFile(dir / name, "<x/>");
    }
    fs::create_directory(dir / "LFPG.xml");
    std::vector<FixedCode<4>> codes = gf_xmlFilesInDirectory(dir.path());
    std::sort(codes.begin(), codes.end());
    EXPECT_EQ(codes, (std::vector<FixedCode<4>>{FixedCode<4>("EGLL"), FixedCode<4>("EHAM"), FixedCode<4>("LOWW")}));

    EXPECT_TRUE(gf_xmlFilesInDirectory(dir / "missing").empty());
    EXPECT_TRUE(gf_xmlFilesInDirectory(dir / "notes.txt").empty());
}

// A bad stem, and a second file of one airport on a file system that tells cases apart, are logged and skipped.
TEST_F(FolderFilesTest, BadOrRepeatedFourCharacterStemIsLoggedAndSkipped)
{
    gf_startLog(dir / "Log.txt");
    fs::create_directory(dir / "tblo");
    for (const char* name : {"EH-M.xml", "EHAM.xml", "eham.XML"}) {
        writeWholeFile(dir / "tblo" / name, "<x/>");
    }
    EXPECT_EQ(gf_xmlFilesInDirectory(dir / "tblo"), std::vector<FixedCode<4>>{FixedCode<4>("EHAM")});
    gf_stopLog();
    const std::string log = readWholeFile(dir / "Log.txt");
    EXPECT_NE(log.find("Skipped " + (dir / "tblo" / "EH-M.xml").string() + ": no airport code"), std::string::npos);
    const auto repeated = [&log, this](const char* name) {
        return log.find("Skipped " + (dir / "tblo" / name).string() + ": airport EHAM is listed already") !=
               std::string::npos;
    };
    EXPECT_NE(repeated("EHAM.xml"), repeated("eham.XML")) << log;
}

TEST_F(FolderFilesTest, RemovingFilesLeavesSubFoldersInPlace)
{
    writeWholeFile(dir / "a.txt", "a");
    writeWholeFile(dir / "B.XML", "b");
    fs::create_directory(dir / "sub");
    writeWholeFile(dir / "sub" / "c.txt", "c");
    gf_removeFilesFromDirectory(dir.path());
    EXPECT_FALSE(fs::exists(dir / "a.txt"));
    EXPECT_FALSE(fs::exists(dir / "B.XML"));
    EXPECT_TRUE(fs::exists(dir / "sub" / "c.txt"));

    gf_removeFilesFromDirectory(dir / "missing");
    writeWholeFile(dir / "plain", "p");
    gf_removeFilesFromDirectory(dir / "plain");
    EXPECT_TRUE(fs::exists(dir / "plain"));
}

TEST_F(FolderFilesTest, RemovingXmlFilesOfTheAirportFolderByDefault)
{
    test::ScopedCurrentPath cwd(dir.path());
    fs::create_directory("tblo");
    for (const char* name : {"EHAM.xml", "LOWW.XML", "egll.Xml", "keep.txt", "EHAM.xml.bak"}) {
        writeWholeFile(fs::path("tblo") / name, "<x/>");
    }
    fs::create_directory("tblo/sub.xml");
    gf_removeXMLFilesFromDirectory();
    std::vector<std::string> left;
    for (const auto& entry : fs::directory_iterator("tblo")) {
        left.push_back(entry.path().filename().string());
    }
    std::sort(left.begin(), left.end());
    EXPECT_EQ(left, (std::vector<std::string>{"EHAM.xml.bak", "keep.txt", "sub.xml"}));
}

TEST_F(FolderFilesTest, NewVersionWording)
{
    EXPECT_EQ(gf_newVersionWording(true, false, false), newVersionRunAsAdministrator);
    EXPECT_EQ(gf_newVersionWording(true, false, true), newVersionRunNormally);
    EXPECT_EQ(gf_newVersionWording(true, true, false), newVersionRunNormally);
    EXPECT_EQ(gf_newVersionWording(false, false, false), newVersionRunNormally);
    EXPECT_EQ(
        newVersionRunNormally,
        "A new version is available.\nThe installer can be executed normally (no Administrator rights required).");

    EXPECT_TRUE(gf_isProtectedInstallFolder("/usr/local/hlmr"));
    EXPECT_TRUE(gf_isProtectedInstallFolder("/opt/hlmr"));
    EXPECT_FALSE(gf_isProtectedInstallFolder("/usrlocal/hlmr"));
    EXPECT_FALSE(gf_isProtectedInstallFolder(dir.path()));

    EXPECT_TRUE(gf_folderIsWritable(dir.path()));
    EXPECT_FALSE(fs::exists(dir / ".write_test.tmp"));
    EXPECT_FALSE(gf_folderIsWritable(dir / "missing"));
    EXPECT_EQ(gf_newVersionMessage(dir.path()), newVersionRunNormally);
}

// A link standing at the probe's name is replaced, never followed: the file it names keeps its contents.
TEST_F(FolderFilesTest, WriteTestNeverWritesThroughALink)
{
    writeWholeFile(dir / "precious.txt", "keep me");
    fs::create_symlink(dir / "precious.txt", dir / ".write_test.tmp");
    EXPECT_TRUE(gf_folderIsWritable(dir.path()));
    EXPECT_EQ(readWholeFile(dir / "precious.txt"), "keep me");
    EXPECT_FALSE(fs::exists(fs::symlink_status(dir / ".write_test.tmp")));
}

TEST_F(FolderFilesTest, OpeningFoldersWarnsTheUserOnFailure)
{
    const fs::path record = dir / "opened.txt";
    ::setenv(os::fileBrowserRecordVariable, record.c_str(), 1);
    writeWholeFile(dir / "parameters.xml", "<root/>");
    EXPECT_TRUE(gf_openParametersFolder(dir / "parameters.xml"));
    EXPECT_NE(readWholeFile(record).find(dir.path().string()), std::string::npos);

    gf_startLog(dir / "Log.txt");
    EXPECT_FALSE(gf_openParametersFolder(dir / "missing" / "parameters.xml"));
    EXPECT_EQ(gf_messageLineTexts().message, "Could not open folder with parameters.xml");
    {
        test::ScopedCurrentPath cwd(dir.path());
        EXPECT_FALSE(gf_openManual());
        EXPECT_EQ(gf_messageLineTexts().message, "Could not open local folder with Manual");
    }
    gf_clearMessage();
    gf_stopLog();
    ::unsetenv(os::fileBrowserRecordVariable);
    EXPECT_NE(readWholeFile(dir / "Log.txt").find("==> Could not open local folder with Manual"), std::string::npos);
}

} // namespace
} // namespace hlw
