#include "liveries/livery_scan.h"

#include "core/user_error.h"
#include "liveries/livery_tables.h"
#include "livery_fixture.h"
#include "platform/os/file_browser.h"
#include "refdata/code_table.h"
#include "scan_test_support.h"
#include "settings/catalogue.h"

#include <fmt/format.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <map>
#include <mutex>
#include <random>

namespace hlw {
namespace {
namespace fs = std::filesystem;
using test::writeFile;

class LiveryScanTest : public ::testing::Test {
protected:
    LiveryScanTest()
    {
        fs::create_directories(home.dir / "output" / "info");
        settings::ligPrioritize.set(false);
        settings::ligAutomatic.set(false);
        settings::scanLiveries.set(true);
        ::setenv(os::fileBrowserRecordVariable, (home.dir / "opened.txt").c_str(), 1);
    }
    ~LiveryScanTest() override
    {
        ::unsetenv(os::fileBrowserRecordVariable);
        for (StringParameter& folder : settings::liveryFolders) {
            folder.set("");
        }
        settings::msfsInstallPath.set("");
        for (BoolCheckBoxParameter* setting : {&settings::ligPrioritize, &settings::ligAutomatic}) {
            setting->set(setting->defaultValue());
        }
    }

    // A reader that remembers the source index each folder was read with.
    LiveryScanSetup recordingSetup()
    {
        auto reader = [this](int32_t sourceIndex, const fs::path& file) {
            const std::lock_guard lock(mutex);
            sources[file.parent_path().filename().string()] = sourceIndex;
            return test::pathLivery(sourceIndex, file);
        };
        return {{reader, reader}, {.limit = 2}};
    }

    int32_t expectedCode(const std::function<void()>& scan) const
    {
        try {
            scan();
        } catch (const UserErrorException& error) {
            return error.code();
        }
        return 0;
    }

    bool selectorEnabled() const
    {
        return home.window.enabled(settings::aiPackageSelector.controlId()).value_or(true);
    }

    test::LiveryFolder home;
    test::SwitchableRunState runState;
    std::mutex mutex;
    std::map<std::string, int32_t> sources;
};

TEST_F(LiveryScanTest, ExistingFoldersAreNumberedInOrderUpToTen)
{
    std::vector<fs::path> folders;
    for (int i = 0; i < 12; ++i) {
        folders.push_back(home.dir / fmt::format("f{:02}", i));
        if (i != 2 && i != 5) {
            writeFile(folders.back() / fmt::format("m{:02}", i) / "aircraft.cfg");
        }
    }
    writeFile(folders[5], "a file, not a folder");
    folders.insert(folders.begin() + 1, fs::path());
    EXPECT_EQ(gf_scanLiveryFolders(folders, recordingSetup()), LiveryScanResult::done);
    const std::map<std::string, int32_t> expected{{"m00", 1}, {"m01", 2}, {"m03", 3}, {"m04", 4},  {"m06", 5},
                                                  {"m07", 6}, {"m08", 7}, {"m09", 8}, {"m10", 9}, {"m11", 10}};
    EXPECT_EQ(sources, expected);
    const std::string log = home.logText();
    EXPECT_NE(log.find((home.dir / "f02").string() + " does not exist, skipped!"), std::string::npos);
    EXPECT_NE(log.find((home.dir / "f05").string() + " is not a folder name, skipped!"), std::string::npos);
    EXPECT_NE(log.find("1 liverie found in " + (home.dir / "f00").string() + "\n"), std::string::npos);
    EXPECT_NE(log.find("\n10 in total\n"), std::string::npos);
}

TEST_F(LiveryScanTest, PerFolderCountsAndTotal)
{
    writeFile(home.dir / "one" / "a" / "aircraft.cfg");
    writeFile(home.dir / "one" / "b" / "aircraft.cfg");
    fs::create_directories(home.dir / "none");
    EXPECT_EQ(gf_scanLiveryFolders({home.dir / "one", home.dir / "none"}, recordingSetup()), LiveryScanResult::done);
    std::string log = home.logText();
    EXPECT_NE(log.find("2 liveries found in " + (home.dir / "one").string()), std::string::npos);
    EXPECT_NE(log.find("No liveries found in " + (home.dir / "none").string()), std::string::npos);
    EXPECT_NE(log.find("\n2 in total\n"), std::string::npos);

    // A single folder gets no total line.
    EXPECT_EQ(gf_scanLiveryFolders({home.dir / "one"}, recordingSetup()), LiveryScanResult::done);
    log = home.logText();
    EXPECT_EQ(log.find("in total", log.rfind("2 liveries found in")), std::string::npos);
}

LiveryData lf_livery(const char* airline, const char* model, const char* title, const char* atcId,
                     uint16_t sourceIndex, uint8_t cargo = 0, const char* secondAirline = "")
{
    LiveryData livery;
    livery.airline = gf_airlineIndex(airline);
    livery.secondAirline = *secondAirline == 0 ? 0 : gf_airlineIndex(secondAirline);
    livery.model = gf_modelIndex(model);
    livery.title = title;
    livery.atcId = atcId;
    livery.sourceIndex = sourceIndex;
    livery.cargo = cargo;
    return livery;
}

TEST_F(LiveryScanTest, DuplicatesAreNeighboursEqualInTitleCodesAndRegistration)
{
    ScannedLiveryList liveries{
        lf_livery("DLH", "A320", "T", "D-AAAA", 1, 0),
        lf_livery("DLH", "A320", "T", "D-AAAA", 2, 1),
        lf_livery("DLH", "A320", "T", "D-BBBB", 1),
        lf_livery("DLH", "A320", "T", "D-AAAA", 1, 0, "CLH"),
    };
    gf_orderScannedLiveries(liveries, false);
    ASSERT_EQ(liveries.size(), 3U);
    EXPECT_EQ(liveries[0].atcId, "D-AAAA");
    EXPECT_EQ(liveries[0].sourceIndex, 1); // the first of the two kept, whatever its cargo flag
    EXPECT_EQ(liveries[1].atcId, "D-BBBB");
    EXPECT_EQ(liveries[2].secondAirline, gf_airlineIndex("CLH"));
}

TEST_F(LiveryScanTest, PrioritizingKeepsEachCombinationFromItsBestFolderOnly)
{
    const ScannedLiveryList scanned{
        lf_livery("DLH", "A320", "DLH 1", "", 3), lf_livery("DLH", "A320", "DLH 2", "", 1),
        lf_livery("DLH", "A320", "DLH 3", "", 1), lf_livery("BAW", "A320", "BAW 1", "", 3),
        lf_livery("DLH", "A320", "DLH op", "", 3, 0, "CLH"),
    };
    ScannedLiveryList prioritized = scanned;
    gf_orderScannedLiveries(prioritized, true);
    EXPECT_EQ(test::titles(prioritized), (std::vector<std::string>{"BAW 1", "DLH 2", "DLH 3", "DLH op"}));
    ScannedLiveryList all = scanned;
    gf_orderScannedLiveries(all, false);
    EXPECT_EQ(all.size(), 5U);
}

TEST_F(LiveryScanTest, TheOrderIsThatOfTheLiveryComparison)
{
    const char* airlines[] = {"DLH", "BAW", "KLM", "AFR"};
    const char* models[] = {"A320", "B738", "E190"};
    ScannedLiveryList liveries;
    for (int i = 0; i < 400; ++i) {
        liveries.push_back(lf_livery(airlines[i % 4], models[i % 3], i % 7 == 0 ? "same" : "", "", 1, 0,
                                     i % 5 == 0 ? "CLH" : ""));
        liveries.back().title += fmt::format("title {}", (i * 37) % 101);
        liveries.back().atcId = fmt::format("R{}", i);
    }
    std::shuffle(liveries.begin(), liveries.end(), std::mt19937(7));
    ScannedLiveryList expected = liveries;
    std::stable_sort(expected.begin(), expected.end(), gf_liveryLess);
    gf_orderScannedLiveries(liveries, false);
    EXPECT_EQ(liveries, expected);
}

TEST_F(LiveryScanTest, AFinishedScanWritesTheFileAndSwitchesTheScanOff)
{
    writeFile(home.dir / "liveries" / "a" / "aircraft.cfg");
    settings::liveryFolders[3].set((home.dir / "liveries").string());
    EXPECT_EQ(gf_scanLiveries(recordingSetup()), LiveryScanResult::done);
    EXPECT_EQ(sources.at("a"), 1);
    EXPECT_TRUE(fs::exists(home.scannedPath()));
    EXPECT_FALSE(settings::scanLiveries.get());
    EXPECT_EQ(home.storedSetting("SCAN_LIVERIES"), "false");
    EXPECT_TRUE(selectorEnabled());
    EXPECT_EQ(home.view.scanSwitchShows.load(), 1);
    EXPECT_EQ(home.view.statusChanges.load(), 2);
    EXPECT_TRUE(gf_scannedLiveryList().empty());
    const std::string log = home.logText();
    EXPECT_NE(log.find("liveries scan manual starts"), std::string::npos);
    EXPECT_NE(log.find("liveries scan ends"), std::string::npos);
}

TEST_F(LiveryScanTest, AStoppedScanWritesNothingAndLeavesTheScanOn)
{
    for (int i = 0; i < 3; ++i) {
        writeFile(home.dir / fmt::format("f{}", i) / "m" / "aircraft.cfg");
        settings::liveryFolders[i].set((home.dir / fmt::format("f{}", i)).string());
    }
    writeFile(home.scannedPath(), "from the previous scan");
    auto reader = [this](int32_t sourceIndex, const fs::path& file) {
        if (sourceIndex == 2) {
            runState.stop = true;
        }
        return test::pathLivery(sourceIndex, file);
    };
    EXPECT_EQ(gf_scanLiveries({{reader, reader}, {}}), LiveryScanResult::stopped);
    EXPECT_FALSE(fs::exists(home.scannedPath()));
    EXPECT_TRUE(settings::scanLiveries.get());
    EXPECT_NE(home.storedSetting("SCAN_LIVERIES"), "false");
    EXPECT_EQ(home.view.scanSwitchShows.load(), 0);
    EXPECT_EQ(home.logText().find("liveries scan ends"), std::string::npos);
}

TEST_F(LiveryScanTest, AFailedWriteIsAnErrorAndLeavesTheScanOn)
{
    writeFile(home.dir / "liveries" / "a" / "aircraft.cfg");
    settings::liveryFolders[0].set((home.dir / "liveries").string());
    // A folder in place of the file, with something in it: neither the removal nor the rename can replace it.
    writeFile(home.scannedPath() / "blocker.txt", "x");
    try {
        gf_scanLiveries(recordingSetup());
        FAIL() << "no error";
    } catch (const UserErrorException& error) {
        EXPECT_EQ(error.code(), scannedLiveriesWriteError);
        EXPECT_EQ(std::string(error.what()), "54: could not write output/LiveriesScanned.xml");
    }
    EXPECT_TRUE(settings::scanLiveries.get());
    EXPECT_NE(home.storedSetting("SCAN_LIVERIES"), "false");
    EXPECT_NE(home.logText().find("\nNo errors\n"), std::string::npos);
}

TEST_F(LiveryScanTest, ScanErrorsOfBothModes)
{
    const LiveryScanSetup nothing{{[](int32_t, const fs::path&) { return ScannedLiveryList{}; },
                                   [](int32_t, const fs::path&) { return ScannedLiveryList{}; }},
                                  {}};
    // Manual, nothing set: the manual and the settings folder are opened first.
    writeFile(home.dir / "docs" / "Manual.pdf", "manual");
    writeFile(home.dir / "data" / "parameters.xml", "<parameters/>");
    EXPECT_EQ(expectedCode([&] { gf_scanLiveries(nothing); }), 48);
    EXPECT_FALSE(selectorEnabled());
    const std::string opened = test::readWholeFile(home.dir / "opened.txt");
    EXPECT_NE(opened.find("docs"), std::string::npos);
    EXPECT_NE(opened.find((home.dir / "data").string()), std::string::npos);

    writeFile(home.dir / "manual" / "a" / "aircraft.cfg");
    settings::liveryFolders[0].set((home.dir / "manual").string());
    EXPECT_EQ(expectedCode([&] { gf_scanLiveries(nothing); }), 53);
    EXPECT_FALSE(selectorEnabled());

    settings::liveryFolders[1].set((home.dir / "not there").string());
    EXPECT_EQ(expectedCode([&] { gf_scanLiveries(nothing); }), 243);

    settings::ligAutomatic.set(true);
    settings::msfsInstallPath.set(home.dir.path().string());
    fs::create_directories(home.dir / "Community" / "unrelated");
    EXPECT_EQ(expectedCode([&] { gf_scanLiveries(nothing); }), 43);
    EXPECT_TRUE(selectorEnabled());

    writeFile(home.dir / "Community" / "fsltl-traffic-base" / "a" / "aircraft.cfg");
    EXPECT_EQ(expectedCode([&] { gf_scanLiveries(nothing); }), 143);
    EXPECT_TRUE(selectorEnabled());
    EXPECT_TRUE(settings::scanLiveries.get());

    EXPECT_EQ(gf_scanLiveries(recordingSetup()), LiveryScanResult::done);
    EXPECT_NE(home.logText().find("liveries scan automatic starts"), std::string::npos);
}

} // namespace
} // namespace hlw
