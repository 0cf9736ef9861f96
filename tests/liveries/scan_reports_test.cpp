#include "liveries/scan_reports.h"

#include "livery_fixture.h"
#include "scan_test_support.h"

#include <gtest/gtest.h>

namespace hlw {
namespace {
namespace fs = std::filesystem;

class ScanReportsTest : public ::testing::Test {
protected:
    ScanReportsTest() { fs::create_directories(home.dir / "output" / "info"); }

    std::string report(ScanReport kind) const { return test::readWholeFile(home.dir / gf_scanReportPath(kind)); }
    bool exists(ScanReport kind) const { return fs::exists(home.dir / gf_scanReportPath(kind)); }

    test::LiveryFolder home;
};

TEST_F(ScanReportsTest, ReportPathsAreTheFixedNames)
{
    EXPECT_EQ(gf_scanReportPath(ScanReport::InvalidAirlineCode), fs::path("output/errors/InvalidAirlineCodes.txt"));
    EXPECT_EQ(gf_scanReportPath(ScanReport::InvalidModelCode), fs::path("output/errors/InvalidAircraftCodes.txt"));
    EXPECT_EQ(gf_scanReportPath(ScanReport::Fix), fs::path("output/errors/Fixes.txt"));
    EXPECT_EQ(gf_scanReportPath(ScanReport::InvalidAircraftCfg),
              fs::path("output/errors/InvalidAircraftCfgFiles.txt"));
    EXPECT_EQ(gf_scanReportPath(ScanReport::IncompleteSection), fs::path("output/errors/IncompleFltsimSections.txt"));
    EXPECT_EQ(gf_scanReportPath(ScanReport::NoFltsimSection),
              fs::path("output/info/AircraftCfgWithNoFltsimSection.txt"));
}

TEST_F(ScanReportsTest, AScanWithoutFindingsWritesNoReport)
{
    gf_writeScanSummary();
    EXPECT_FALSE(fs::exists(home.dir / "output" / "errors"));
    EXPECT_FALSE(exists(ScanReport::NoFltsimSection));
    const std::string log = home.logText();
    EXPECT_NE(log.find("\nNo errors\n"), std::string::npos);
    EXPECT_NE(log.find("\nInformation:\n"), std::string::npos);
}

TEST_F(ScanReportsTest, ReportsAreSortedCountedAndWrittenWithLineFeeds)
{
    gf_addInvalidAirlineCode("XYZ", "b/aircraft.cfg", "[fltsim.1]");
    gf_addInvalidModelCode("Q1", "b/aircraft.cfg");
    gf_addInvalidModelCode("A1", "a/aircraft.cfg");
    gf_addFix("second fix");
    gf_addFix("first fix");
    gf_addInvalidAircraftCfg("z file");
    gf_addInvalidAircraftCfg("a file");
    gf_addIncompleteSection("b misses title");
    gf_addIncompleteSection("a misses title");
    gf_addIncompleteSection("b misses title");
    gf_addNoFltsimSection("y empty");
    gf_addNoFltsimSection("x empty");
    gf_writeScanSummary();

    EXPECT_EQ(report(ScanReport::InvalidAirlineCode), "XYZ          in b/aircraft.cfg [fltsim.1]\n");
    EXPECT_EQ(report(ScanReport::InvalidModelCode), "A1               in a/aircraft.cfg\n"
                                                    "Q1               in b/aircraft.cfg\n");
    EXPECT_EQ(report(ScanReport::Fix), "second fix\nfirst fix\n");
    EXPECT_EQ(report(ScanReport::InvalidAircraftCfg), "a file\nz file\n");
    EXPECT_EQ(report(ScanReport::IncompleteSection), "a misses title\nb misses title\n");
    EXPECT_EQ(report(ScanReport::NoFltsimSection), "x empty\ny empty\n");

    const std::string log = home.logText();
    EXPECT_NE(log.find("\nErrors:\n"), std::string::npos);
    EXPECT_NE(log.find("    1 invalid airline code, see output/errors/InvalidAirlineCodes.txt\n"), std::string::npos);
    EXPECT_NE(log.find("    2 invalid model codes, see output/errors/InvalidAircraftCodes.txt\n"), std::string::npos);
    EXPECT_NE(log.find("    2 fixes, see output/errors/Fixes.txt\n"), std::string::npos);
    EXPECT_NE(log.find("    2 invalid aircraft.cfg files, see output/errors/InvalidAircraftCfgFiles.txt\n"),
              std::string::npos);
    EXPECT_NE(log.find("    3 incomplete [fltsim.x] sections, see output/errors/IncompleFltsimSections.txt\n"),
              std::string::npos);
    EXPECT_NE(log.find("    2 empty aircraft.cfg files, see output/info/AircraftCfgWithNoFltsimSection.txt\n"),
              std::string::npos);
    EXPECT_LT(log.find("\nErrors:"), log.find("\nInformation:"));
    EXPECT_LT(log.find("\nInformation:"), log.find("empty aircraft.cfg files"));
}

TEST_F(ScanReportsTest, OnlyEmptyFilesFoundIsNoError)
{
    gf_addNoFltsimSection("x empty");
    gf_writeScanSummary();
    EXPECT_FALSE(fs::exists(home.dir / "output" / "errors"));
    EXPECT_NE(home.logText().find("\nNo errors\n\nInformation:\n    1 empty aircraft.cfg files"), std::string::npos);
}

TEST_F(ScanReportsTest, AnErrorsFolderThatCannotBeMadeLeavesTheSummary)
{
    fs::remove_all(home.dir / "output" / "errors");
    test::writeFile(home.dir / "output" / "errors", "a file in the way");
    gf_addInvalidModelCode("A1", "a/aircraft.cfg");
    EXPECT_THROW(gf_writeScanSummary(), fs::filesystem_error);
}

TEST_F(ScanReportsTest, RemovalTakesThePreviousScanFilesAndTheEmptyErrorsFolder)
{
    const std::vector<fs::path> files{"output/info/AircraftCfgWithNoFltsimSection.txt",
                                      "output/LiveriesScanned.xml",
                                      "output/errors/InlineRegcodes.txt",
                                      "output/errors/InvalidAirlineCodes.txt",
                                      "output/errors/InvalidAircraftCodes.txt",
                                      "output/errors/Fixes.txt",
                                      "output/errors/InvalidAircraftCfgFiles.txt",
                                      "output/errors/IncompleFltsimSections.txt"};
    for (const fs::path& file : files) {
        test::writeFile(home.dir / file, "x\n");
    }
    test::writeFile(home.dir / "output/info/OfflineRegcodes.txt", "kept\n");
    gf_removeScanResultFiles();
    for (const fs::path& file : files) {
        EXPECT_FALSE(fs::exists(home.dir / file)) << file;
    }
    EXPECT_FALSE(fs::exists(home.dir / "output" / "errors"));
    EXPECT_TRUE(fs::exists(home.dir / "output/info/OfflineRegcodes.txt"));
    EXPECT_EQ(home.logText().find("problems with removing"), std::string::npos);

    // Nothing left to remove is no problem either.
    gf_removeScanResultFiles();
    EXPECT_EQ(home.logText().find("problems with removing"), std::string::npos);
}

TEST_F(ScanReportsTest, AUserFileInTheErrorsFolderKeepsTheFolder)
{
    test::writeFile(home.dir / "output/errors/Fixes.txt", "x\n");
    test::writeFile(home.dir / "output/errors/mine.txt", "user notes\n");
    gf_removeScanResultFiles();
    EXPECT_FALSE(fs::exists(home.dir / "output/errors/Fixes.txt"));
    EXPECT_TRUE(fs::exists(home.dir / "output/errors/mine.txt"));
    EXPECT_NE(home.logText().find("problems with removing previous files: "), std::string::npos);
}

TEST_F(ScanReportsTest, ASecondSummaryReportsOnlyItsOwnFindings)
{
    gf_addFix("old fix");
    gf_writeScanSummary();
    gf_clearScanLists();
    gf_removeScanResultFiles();
    gf_addFix("new fix");
    gf_writeScanSummary();
    EXPECT_EQ(report(ScanReport::Fix), "new fix\n");
}

} // namespace
} // namespace hlw
