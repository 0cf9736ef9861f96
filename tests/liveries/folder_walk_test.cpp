#include "liveries/folder_walk.h"
#include "liveries/livery_data.h"
#include "liveries/scan_lists.h"

#include "core/log.h"
#include "refdata/code_table.h"
#include "scan_test_support.h"
#include "support/temp_dir.h"

#include <fmt/format.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <future>
#include <mutex>
#include <set>
#include <stdexcept>
#include <thread>

namespace hlw {
namespace {
namespace fs = std::filesystem;
using namespace std::chrono_literals;
using test::pathLivery;
using test::titles;
using test::writeFile;

class FolderWalkTest : public ::testing::Test {
protected:
    FolderWalkTest() { gf_startLog(dir / "Log.txt"); }
    ~FolderWalkTest() override { gf_stopLog(); }

    std::string logText() const
    {
        gf_logFlushNow();
        return test::readWholeFile(dir / "Log.txt");
    }

    ScannedLiveryList walk(const fs::path& root, const LiveryReaders& readers, ReaderTaskSettings settings = {})
    {
        ScannedLiveryList out;
        ReaderTaskPool tasks(settings);
        gf_scanLiveryFolder(3, root, readers, tasks, out);
        tasks.finish();
        return out;
    }

    ScannedLiveryList walk(const fs::path& root) { return walk(root, {pathLivery, pathLivery}); }

    std::set<std::string> readFiles(const fs::path& root)
    {
        const std::vector<std::string> found = titles(walk(root));
        return {found.begin(), found.end()};
    }

    test::TempDir dir;
    test::SwitchableRunState runState;
};

TEST_F(FolderWalkTest, ReadsOnlyAircraftCfgFilesInFoldersItMayEnter)
{
    struct Case {
        const char* file;
        bool read;
    };
    const Case cases[] = {
        {"pkg/SimObjects/Airplanes/A320/aircraft.cfg", true},
        {"pkg/SimObjects/Airplanes/B738/Aircraft.CFG", true},
        {"pkg/SimObjects/Airplanes/B739/AIRCRAFT.cfg", true},
        {"pkg/SimObjects/Airplanes/A321/aircraft.cfg.bak", false},
        {"pkg/SimObjects/Airplanes/A321/aircraft_old.cfg", false},
        {"pkg/SimObjects/Airplanes/A321/aircraft.cfgx", false},
        {"pkg/SimObjects/Airplanes/A321/my_aircraft.cfg", false},
        {"pkg/Airport/aircraft.cfg", true},
        {"pkg/my_airport_stuff/aircraft.cfg", false},
        {"pkg/lvfr-x/aircraft.cfg", false},
        {"pkg/mkstudios-x/aircraft.cfg", false},
        {"pkg/simwings-x/aircraft.cfg", false},
        {"pkg/fsdreamteam-x/aircraft.cfg", false},
        {"pkg/navigraph-data/aircraft.cfg", false},
        {"pkg/flytampa-x/aircraft.cfg", false},
        {"pkg/inibuilds-x/deeper/aircraft.cfg", false},
        {"pkg/old_CVT_/aircraft.cfg", false},
        {"pkg/old_cvt_/aircraft.cfg", true},
    };
    std::set<std::string> expected;
    for (const Case& c : cases) {
        writeFile(dir / "root" / c.file);
        if (c.read) {
            expected.insert((dir / "root" / c.file).string());
        }
    }
    fs::create_directories(dir / "root" / "pkg" / "aircraft.cfg"); // a folder with the name is no file
    EXPECT_EQ(readFiles(dir / "root"), expected);
}

TEST_F(FolderWalkTest, ARootWithASkipWordIsReadButNotDescendedInto)
{
    const fs::path root = dir / "navigraph-root";
    writeFile(root / "aircraft.cfg");
    writeFile(root / "sub" / "aircraft.cfg");
    EXPECT_EQ(readFiles(root), std::set<std::string>{(root / "aircraft.cfg").string()});
}

TEST_F(FolderWalkTest, FoldersWhosePathReachesTheLimitAreNotEntered)
{
    const std::size_t rootLength = (dir / "r").string().size();
    ASSERT_LT(rootLength + 20, liveryWalkPathLimit);
    // "r/<a...a>": a folder whose path text is exactly one byte short of the limit, and one that reaches it.
    const std::string shortName(liveryWalkPathLimit - 1 - rootLength - 1, 'a');
    const std::string longName(liveryWalkPathLimit - rootLength - 1, 'b');
    const fs::path entered = dir / "r" / shortName;
    const fs::path notEntered = dir / "r" / longName;
    ASSERT_EQ(entered.string().size(), liveryWalkPathLimit - 1);
    ASSERT_EQ(notEntered.string().size(), liveryWalkPathLimit);
    writeFile(entered / "aircraft.cfg");
    writeFile(notEntered / "aircraft.cfg");
    EXPECT_EQ(readFiles(dir / "r"), std::set<std::string>{(entered / "aircraft.cfg").string()});
}

TEST_F(FolderWalkTest, IvaoPackagesGoToTheirOwnReader)
{
    writeFile(dir / "r" / "IVAO_MTL" / "IVAO_A320" / "aircraft.cfg");
    writeFile(dir / "r" / "ivao_x-csl" / "IVAO_B738" / "aircraft.cfg");
    writeFile(dir / "r" / "ivao_mtl" / "IVAO_A321" / "aircraft.cfg");
    writeFile(dir / "r" / "aig" / "A319" / "aircraft.cfg");
    auto tagged = [](std::string tag) {
        return [tag](int32_t sourceIndex, const fs::path& file) {
            ScannedLiveryList liveries = pathLivery(sourceIndex, file);
            liveries.front().title = tag + file.parent_path().filename().string();
            return liveries;
        };
    };
    const std::vector<std::string> found = titles(walk(dir / "r", {tagged("generic "), tagged("ivao ")}));
    EXPECT_EQ(std::set<std::string>(found.begin(), found.end()),
              (std::set<std::string>{"ivao IVAO_A320", "ivao IVAO_B738", "generic IVAO_A321", "generic A319"}));
}

TEST_F(FolderWalkTest, LiveriesComeInListingOrderWhateverOrderTheTasksEnd)
{
    for (int package = 0; package < 4; ++package) {
        for (int model = 0; model < 6; ++model) {
            writeFile(dir / "r" / fmt::format("p{}", package) / fmt::format("m{}", model) / "aircraft.cfg");
        }
        writeFile(dir / "r" / fmt::format("p{}", package) / "aircraft.cfg");
    }
    auto slowFirst = [](int32_t sourceIndex, const fs::path& file) {
        // Earlier files (by name) take longer, so the tasks end out of order.
        const char last = file.parent_path().filename().string().back();
        std::this_thread::sleep_for(std::chrono::milliseconds(('9' - last) % 10));
        return pathLivery(sourceIndex, file);
    };
    const ScannedLiveryList found = walk(dir / "r", {slowFirst, slowFirst}, {.limit = 3});
    EXPECT_EQ(titles(found), test::cfgFilesInListingOrder(dir / "r"));
    EXPECT_TRUE(std::all_of(found.begin(), found.end(), [](const LiveryData& l) { return l.sourceIndex == 3; }));
}

TEST_F(FolderWalkTest, DeepTreesListedInParallelStillGiveListingOrder)
{
    // Files beside folders at every depth, so that listings and readers of many levels run at once.
    for (int a = 0; a < 3; ++a) {
        const fs::path top = dir / "r" / fmt::format("a{}", a);
        writeFile(top / "aircraft.cfg");
        for (int b = 0; b < 4; ++b) {
            writeFile(top / fmt::format("b{}", b) / "aircraft.cfg");
            for (int c = 0; c < 5; ++c) {
                writeFile(top / fmt::format("b{}", b) / fmt::format("c{}", c) / "deep" / "aircraft.cfg");
            }
        }
    }
    auto uneven = [](int32_t sourceIndex, const fs::path& file) {
        std::this_thread::sleep_for(std::chrono::microseconds(std::hash<std::string>{}(file.string()) % 3000));
        return pathLivery(sourceIndex, file);
    };
    const std::vector<std::string> expected = test::cfgFilesInListingOrder(dir / "r");
    ASSERT_EQ(expected.size(), 3U * (1 + 4 * (1 + 5)));
    for (const int32_t limit : {1, 3, 8}) {
        EXPECT_EQ(titles(walk(dir / "r", {uneven, uneven}, {.limit = limit})), expected) << "limit " << limit;
    }
}

TEST_F(FolderWalkTest, NeverRunsMoreReadersThanTheLimit)
{
    for (int i = 0; i < 24; ++i) {
        writeFile(dir / "r" / fmt::format("m{:02}", i) / "aircraft.cfg");
    }
    std::atomic<int> running{0};
    std::atomic<int> most{0};
    auto counting = [&](int32_t sourceIndex, const fs::path& file) {
        const int now = ++running;
        int seen = most.load();
        while (now > seen && !most.compare_exchange_weak(seen, now)) {
        }
        std::this_thread::sleep_for(2ms);
        --running;
        return pathLivery(sourceIndex, file);
    };
    EXPECT_EQ(walk(dir / "r", {counting, counting}, {.limit = 2}).size(), 24U);
    EXPECT_LE(most.load(), 2);
    EXPECT_GE(most.load(), 1);
}

TEST_F(FolderWalkTest, HungReadersAreGivenUpAndStopCountingAgainstTheLimit)
{
    for (int i = 0; i < 6; ++i) {
        writeFile(dir / "r" / fmt::format("m{}", i) / "aircraft.cfg");
    }
    writeFile(dir / "r" / "hang1" / "aircraft.cfg");
    writeFile(dir / "r" / "hang2" / "aircraft.cfg");
    std::promise<void> release;
    const std::shared_future<void> released = release.get_future().share();
    auto reader = [released](int32_t sourceIndex, const fs::path& file) {
        if (file.parent_path().filename().string().starts_with("hang")) {
            released.wait();
        }
        return pathLivery(sourceIndex, file);
    };
    ScannedLiveryList out;
    {
        ReaderTaskPool tasks({.limit = 1, .waitTimeout = 100ms, .finishTimeout = 5s});
        gf_scanLiveryFolder(1, dir / "r", {reader, reader}, tasks, out);
        EXPECT_EQ(tasks.givenUpCount(), 2);
        EXPECT_EQ(tasks.runningCount(), 0);
        release.set_value();
    }
    std::vector<std::string> expected;
    for (const std::string& file : test::cfgFilesInListingOrder(dir / "r")) {
        if (file.find("hang") == std::string::npos) {
            expected.push_back(file);
        }
    }
    EXPECT_EQ(titles(out), expected);
    const std::string log = logText();
    EXPECT_NE(log.find("Future wait timed out after 0.1 seconds, file " + (dir / "r" / "hang1" / "aircraft.cfg").string()),
              std::string::npos);
    EXPECT_NE(log.find("hang2"), std::string::npos);
}

TEST_F(FolderWalkTest, ReadersThatThrowLoseOnlyTheirOwnFile)
{
    writeFile(dir / "r" / "good1" / "aircraft.cfg");
    writeFile(dir / "r" / "std" / "aircraft.cfg");
    writeFile(dir / "r" / "other" / "aircraft.cfg");
    writeFile(dir / "r" / "good2" / "aircraft.cfg");
    auto reader = [](int32_t sourceIndex, const fs::path& file) {
        const std::string name = file.parent_path().filename().string();
        if (name == "std") {
            throw std::runtime_error("bad section numbering");
        }
        if (name == "other") {
            throw 42;
        }
        return pathLivery(sourceIndex, file);
    };
    const std::vector<std::string> found = titles(walk(dir / "r", {reader, reader}, {.limit = 1}));
    EXPECT_EQ(std::set<std::string>(found.begin(), found.end()),
              (std::set<std::string>{(dir / "r" / "good1" / "aircraft.cfg").string(),
                                     (dir / "r" / "good2" / "aircraft.cfg").string()}));
    const std::string log = logText();
    EXPECT_NE(log.find("bad section numbering"), std::string::npos);
    EXPECT_NE(log.find("unknown exception reading " + (dir / "r" / "other" / "aircraft.cfg").string()),
              std::string::npos);
}

TEST_F(FolderWalkTest, AStopRequestEndsTheWalk)
{
    for (int i = 0; i < 40; ++i) {
        writeFile(dir / "r" / fmt::format("m{:02}", i) / "aircraft.cfg");
    }
    std::atomic<int> calls{0};
    auto reader = [&](int32_t sourceIndex, const fs::path& file) {
        if (++calls == 3) {
            runState.stop = true;
        }
        return pathLivery(sourceIndex, file);
    };
    const ScannedLiveryList found = walk(dir / "r", {reader, reader}, {.limit = 1});
    EXPECT_LT(found.size(), 5U);
    EXPECT_LT(calls.load(), 6);
}

TEST_F(FolderWalkTest, AUserClosingEndsAWaitForAHungReader)
{
    writeFile(dir / "r" / "hang" / "aircraft.cfg");
    writeFile(dir / "r" / "next" / "aircraft.cfg");
    std::promise<void> release;
    const std::shared_future<void> released = release.get_future().share();
    auto reader = [&, released](int32_t sourceIndex, const fs::path& file) {
        runState.closing = true;
        released.wait();
        return pathLivery(sourceIndex, file);
    };
    ScannedLiveryList out;
    ReaderTaskPool tasks({.limit = 1, .waitTimeout = 60s, .finishTimeout = 5s});
    const auto started = std::chrono::steady_clock::now();
    gf_scanLiveryFolder(1, dir / "r", {reader, reader}, tasks, out);
    EXPECT_LT(std::chrono::steady_clock::now() - started, 10s);
    EXPECT_TRUE(out.empty());
    release.set_value();
    tasks.finish();
}

TEST_F(FolderWalkTest, ATaskStillRunningAfterItsScanIsLate)
{
    writeFile(dir / "r" / "slow" / "aircraft.cfg");
    std::promise<void> release;
    const std::shared_future<void> released = release.get_future().share();
    auto lateSeen = std::make_shared<std::promise<bool>>();
    std::future<bool> late = lateSeen->get_future();
    auto reader = [released, lateSeen](int32_t sourceIndex, const fs::path& file) {
        EXPECT_FALSE(gf_readerTaskIsLate());
        released.wait();
        ScannedLiveryList result = pathLivery(sourceIndex, file);
        lateSeen->set_value(gf_readerTaskIsLate());
        return result;
    };
    ScannedLiveryList out;
    {
        ReaderTaskPool tasks({.limit = 1, .waitTimeout = 20ms, .finishTimeout = 20ms});
        gf_scanLiveryFolder(1, dir / "r", {reader, reader}, tasks, out);
    }
    EXPECT_TRUE(out.empty());
    EXPECT_FALSE(gf_readerTaskIsLate());
    release.set_value();
    EXPECT_TRUE(late.get());
    EXPECT_NE(logText().find("left behind: " + (dir / "r" / "slow" / "aircraft.cfg").string()), std::string::npos);
}

TEST_F(FolderWalkTest, ALateTaskAddsNothingToTheNextScansListsOrTitles)
{
    writeFile(dir / "r" / "slow" / "aircraft.cfg");
    std::promise<void> release;
    const std::shared_future<void> released = release.get_future().share();
    auto done = std::make_shared<std::promise<void>>();
    std::future<void> finished = done->get_future();
    auto reader = [released, done](int32_t sourceIndex, const fs::path& file) {
        released.wait();
        gf_addFix("late fix line");
        gf_addIncompleteSection("late incomplete line");
        const LiveryData livery = gf_makeLiveryData(static_cast<uint16_t>(sourceIndex), {}, "Late Title", "");
        EXPECT_TRUE(livery.title.empty());
        ScannedLiveryList result = pathLivery(sourceIndex, file);
        // Last: the test may end as soon as this is set, while this left-behind thread still returns.
        done->set_value();
        return result;
    };
    ScannedLiveryList out;
    {
        ReaderTaskPool tasks({.limit = 1, .waitTimeout = 20ms, .finishTimeout = 20ms});
        gf_scanLiveryFolder(1, dir / "r", {reader, reader}, tasks, out);
    }
    // The next scan starts: it empties the shared lists and titles, then the given-up task wakes up.
    gf_clearScanLists();
    gf_clearScannedTitles();
    release.set_value();
    finished.get();
    EXPECT_EQ(gf_scanReport(ScanReport::Fix).size(), 0U);
    EXPECT_EQ(gf_scanReport(ScanReport::IncompleteSection).size(), 0U);
    EXPECT_EQ(gf_scannedTitleCount(), 0U);
    EXPECT_FALSE(gf_makeLiveryData(1, {}, "Late Title", "").title.empty()) << "the title stays free for this scan";
}

TEST_F(FolderWalkTest, AFolderThatCannotBeListedIsLogged)
{
    walk(dir / "missing");
    EXPECT_NE(logText().find("liveries walk of " + (dir / "missing").string() + " ended early"), std::string::npos);
}

TEST_F(FolderWalkTest, NamesThatAreNoValidUtf8AreStillWalked)
{
    writeFile(dir / "r" / std::string("bad\xff name") / "aircraft.cfg");
    EXPECT_EQ(readFiles(dir / "r"), (std::set<std::string>{(dir / "r" / std::string("bad\xff name") / "aircraft.cfg").string()}));
}

TEST_F(FolderWalkTest, FolderLinksAreNotFollowed)
{
    writeFile(dir / "r" / "real" / "aircraft.cfg");
    fs::create_directory_symlink(dir / "r" / "real", dir / "r" / "link");
    EXPECT_EQ(readFiles(dir / "r"), std::set<std::string>{(dir / "r" / "real" / "aircraft.cfg").string()});
}

TEST(ReaderTaskLimitTest, IsTheHardwareThreadCount)
{
    const unsigned threads = std::thread::hardware_concurrency();
    EXPECT_EQ(gf_readerTaskLimit(), threads == 0 ? 2 : static_cast<int32_t>(threads));
}

} // namespace
} // namespace hlw
