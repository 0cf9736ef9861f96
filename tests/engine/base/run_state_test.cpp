#include "engine/base/reset_registry.h"
#include "engine/base/run_state.h"
#include "engine/base/stop_requests.h"

#include "core/log.h"
#include "core/message_line.h"
#include "liveries/livery_catalogue.h"
#include "liveries/livery_tables.h"
#include "refdata/code_table.h"
#include "settings/catalogue.h"
#include "support/recorded_window.h"
#include "support/temp_dir.h"

#include <fmt/format.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <atomic>
#include <barrier>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

namespace hlw {
namespace {

namespace fs = std::filesystem;
using ::testing::HasSubstr;

class RunStateTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        gf_resetRunFlags();
        userClosing.store(false);
    }
    void TearDown() override
    {
        gf_resetRunFlags();
        userClosing.store(false);
    }
};

TEST_F(RunStateTest, ReasonNamesAndWhichReasonsRestart)
{
    struct Row {
        ExitReason reason;
        const char* name;
        bool restarts;
    };
    const Row rows[] = {
        {ExitReason::notYetSet, "NOT YET SET", false},          {ExitReason::simWasClosed, "SIM WAS CLOSED", false},
        {ExitReason::newFlight, "NEW FLIGHT", false},           {ExitReason::newSettings, "NEW SETTINGS", true},
        {ExitReason::userClosedSim, "USER CLOSED SIM", false},  {ExitReason::simConnectError, "SIMCONNECT ERROR", true},
        {ExitReason::readerError, "READER ERROR", true},        {ExitReason::systemError, "SYSTEM ERROR", false},
        {ExitReason::newVersion, "NEW VERSION", false},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(gf_exitReasonName(row.reason), row.name);
        EXPECT_EQ((StopDecision{row.reason, 0}.restarts()), row.restarts) << row.name;
    }
}

// Each row is a sequence of requests in one thread; the table states who wins.
TEST_F(RunStateTest, TheFirstRequesterFixesReasonAndCountdown)
{
    enum class Kind { request, forceSystemError };
    struct Step {
        Kind kind;
        ExitReason reason;
        int32_t seconds;
    };
    struct Row {
        const char* name;
        std::vector<Step> steps;
        StopDecision expected;
    };
    const Row rows[] = {
        {"reader error then simulator error",
         {{Kind::request, ExitReason::readerError, 15}, {Kind::request, ExitReason::simConnectError, 9}},
         {ExitReason::readerError, 15}},
        {"the window's close after a restart reason keeps the restart reason",
         {{Kind::request, ExitReason::newSettings, 3}, {Kind::request, ExitReason::userClosedSim, 0}},
         {ExitReason::newSettings, 3}},
        {"a user error after another reason is SYSTEM ERROR without countdown",
         {{Kind::request, ExitReason::readerError, 15}, {Kind::forceSystemError, {}, 0}},
         {ExitReason::systemError, 0}},
        {"a restart reason after a user error changes nothing",
         {{Kind::forceSystemError, {}, 0}, {Kind::request, ExitReason::newSettings, 3}},
         {ExitReason::systemError, 0}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        gf_resetRunFlags();
        EXPECT_FALSE(stopRequested.load());
        for (const Step& step : row.steps) {
            switch (step.kind) {
            case Kind::request: gf_requestStop(step.reason, step.seconds); break;
            case Kind::forceSystemError: gf_forceSystemErrorStop(); break;
            }
            EXPECT_TRUE(stopRequested.load());
        }
        EXPECT_EQ(gf_stopDecision(), row.expected);
    }
}

// Many threads request at once: exactly one of them reports that it fixed the word, and the word is its request.
TEST_F(RunStateTest, RacingRequestersHaveExactlyOneWinner)
{
    constexpr int threads = 8;
    for (int round = 0; round < 50; ++round) {
        gf_resetRunFlags();
        std::barrier start(threads);
        std::atomic<int> winners{0};
        std::atomic<int> winner{-1};
        std::vector<std::thread> requesters;
        for (int i = 0; i < threads; ++i) {
            requesters.emplace_back([&, i] {
                start.arrive_and_wait();
                if (gf_requestStop(i % 2 == 0 ? ExitReason::readerError : ExitReason::newFlight, 100 + i)) {
                    ++winners;
                    winner.store(i);
                }
            });
        }
        for (std::thread& requester : requesters) {
            requester.join();
        }
        ASSERT_EQ(winners.load(), 1);
        const int i = winner.load();
        EXPECT_EQ(gf_stopDecision(),
                  (StopDecision{i % 2 == 0 ? ExitReason::readerError : ExitReason::newFlight, 100 + i}));
    }
}

TEST_F(RunStateTest, TheResetClearsTheRunButNotAUserClose)
{
    gf_requestStop(ExitReason::simConnectError, 9);
    simConnectError.store(true);
    flightRunning.store(true);
    userDataArrived.store(true);
    simTimeEnabled.store(true);
    simTimeInUse.store(true);
    simUtcSeconds.store(1717000000);
    userClosing.store(true);
    gf_resetRunFlags();
    EXPECT_EQ(gf_stopDecision(), StopDecision{});
    EXPECT_EQ(simUtcSeconds.load(), 0) << "a restart never sends the previous run's simulator time";
    for (const std::atomic<bool>* flag : {&stopRequested, &flightRunning, &simConnectError, &userDataArrived,
                                          &simTimeEnabled, &simTimeInUse}) {
        EXPECT_FALSE(flag->load());
    }
    EXPECT_TRUE(userClosing.load());
}

// The run reset reaches every registered part, in the order of registration, even when one of them fails.
TEST(ResetRegistry, RunsEveryHookInOrderAndLogsAFailingOne)
{
    test::TempDir dir;
    gf_startLog(dir / "Log.txt");
    ResetRegistry resets;
    std::vector<std::string> ran;
    resets.add("readers", [&] { ran.emplace_back("readers"); });
    resets.add("link", [&] {
        ran.emplace_back("link");
        throw std::runtime_error("socket busy");
    });
    resets.add("parking", [&] { ran.emplace_back("parking"); });
    resets.add("window", [&] {
        ran.emplace_back("window");
        throw 42;
    });
    resets.runAll();
    resets.runAll();
    gf_logFlushNow();
    const std::string log = test::readWholeFile(dir / "Log.txt");
    gf_stopLog();
    EXPECT_EQ(ran, (std::vector<std::string>{"readers", "link", "parking", "window", "readers", "link", "parking",
                                             "window"}));
    EXPECT_THAT(log, HasSubstr("==> Reset of link failed: socket busy\n"));
    EXPECT_THAT(log, HasSubstr("==> Reset of window failed: Unknown exception\n"));
}

class StopRequestsTest : public RunStateTest {
protected:
    void SetUp() override
    {
        RunStateTest::SetUp();
        gf_overrideDataFolderPath(dir.path());
        fs::create_directories(dir / "output");
        gf_startLog(dir / "Log.txt");
        gf_resetMessageLine();
    }
    void TearDown() override
    {
        gf_stopLog();
        gf_resetMessageLine();
        gf_overrideDataFolderPath(std::nullopt);
        for (BoolCheckBoxParameter* scan : {&settings::scanAirports, &settings::scanLiveries}) {
            scan->set(scan->defaultValue());
        }
        settings::simChoice.set(settings::simChoice.defaultValue());
        settings::dudiduzavu24Version.set("");
        settings::allInstallPath.set("");
        simIsMsfs2020.store(true);
        RunStateTest::TearDown();
    }
    std::string log()
    {
        gf_logFlushNow();
        return test::readWholeFile(dir / "Log.txt");
    }

    test::TempDir dir;
    test::ScopedCurrentPath current{dir.path()};
    test::RecordedWindow window;
};

TEST_F(StopRequestsTest, AReaderErrorRestartsAfter15Seconds)
{
    gf_readerStopped("traffic reader", "bind failed on port 49005");
    EXPECT_EQ(gf_stopDecision(), (StopDecision{ExitReason::readerError, 15}));
    EXPECT_EQ(gf_messageLineTexts().message, "The traffic reader has stopped with error: bind failed on port 49005");
    EXPECT_THAT(log(), HasSubstr("The traffic reader has stopped with error: bind failed on port 49005\n"));
}

TEST_F(StopRequestsTest, TheSimulatorSwitchTurnsScansOnAndAsksForARebuildWithoutClearing)
{
    struct Row {
        bool msfs2020InUse;
        bool removable;
        const char* choiceAfterDisconnect;
        bool versionForgotten;
    };
    const Row rows[] = {{true, true, "MSFS 2024", false}, {false, false, "MSFS 2020", true}};
    // Tables the worker may be matching from while the switch runs on another thread.
    gf_buildLiveryTables({LiveryData{"KLM B738 PH-BXA", "PH-BXA", gf_airlineIndex("KLM"), 0, gf_modelIndex("B738")}},
                         {});
    const std::string_view title = gf_liveryCatalogue().titleArena.front();
    for (const Row& row : rows) {
        SCOPED_TRACE(row.msfs2020InUse);
        gf_resetRunFlags();
        simIsMsfs2020.store(row.msfs2020InUse);
        settings::dudiduzavu24Version.set("1.2.3");
        settings::allInstallPath.set("/sim/packages");
        settings::scanAirports.set(false);
        settings::scanLiveries.set(false);
        fs::remove_all(dir / "output" / "LiveriesScanned.xml");
        // A folder in place of the file cannot be removed: the failure is logged and the switch goes on.
        if (row.removable) {
            test::writeWholeFile(dir / "output" / "LiveriesScanned.xml", "<root/>");
        } else {
            fs::create_directories(dir / "output" / "LiveriesScanned.xml" / "inside");
        }
        gf_simDisconnected(true);

        EXPECT_EQ(gf_stopDecision(), (StopDecision{ExitReason::newSettings, 3}));
        EXPECT_EQ(settings::simChoice.get(), row.choiceAfterDisconnect);
        EXPECT_TRUE(settings::scanAirports.get());
        EXPECT_TRUE(settings::scanLiveries.get());
        EXPECT_TRUE(gf_liveryRebuildRequested());
        ASSERT_EQ(gf_liveryCatalogue().titleArena.size(), 1U) << "the tables stay until the next start-up";
        EXPECT_EQ(gf_liveryCatalogue().titleArena.front(), title);
        EXPECT_EQ(settings::allInstallPath.get(), "");
        EXPECT_EQ(settings::dudiduzavu24Version.get(), row.versionForgotten ? "" : "1.2.3");
        EXPECT_EQ(fs::exists(dir / "output" / "LiveriesScanned.xml"), !row.removable);
        const std::string saved = test::readWholeFile(parametersFilePath());
        EXPECT_THAT(saved, HasSubstr("name=\"SCAN_LIVERIES\" value=\"true\""));
        EXPECT_THAT(saved, HasSubstr(fmt::format("name=\"SIM_CHOICE\" value=\"{}\"", row.choiceAfterDisconnect)));
        const std::optional<ui::ControlState> box = window.port.control(settings::scanAirports.controlId());
        ASSERT_TRUE(box);
        EXPECT_TRUE(box->checked);
    }
    gf_clearLiveryCatalogue();
    EXPECT_THAT(log(), HasSubstr("==> Warning: could not remove output/LiveriesScanned.xml"));
    EXPECT_THAT(log(), HasSubstr("Switching MSFS version in Hollowmere\n"));
}

TEST_F(StopRequestsTest, ALostSimulatorEndsTheRunUnlessAStopIsRequested)
{
    gf_simDisconnected(false);
    EXPECT_EQ(gf_stopDecision(), (StopDecision{ExitReason::simWasClosed, 0}));
    EXPECT_THAT(log(), HasSubstr(" Flight Simulator no longer connected, Hollowmere will stop ...\n"));

    gf_resetRunFlags();
    gf_requestStop(ExitReason::newFlight, 45);
    gf_simDisconnected(true);
    EXPECT_EQ(gf_stopDecision(), (StopDecision{ExitReason::newFlight, 45}));
    EXPECT_EQ(settings::simChoice.get(), settings::simChoice.defaultValue());
}

} // namespace
} // namespace hlw
