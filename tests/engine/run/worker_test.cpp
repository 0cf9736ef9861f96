#include "engine/run/worker.h"

#include "core/log.h"
#include "core/message_line.h"
#include "engine/base/run_state.h"
#include "engine/base/stop_requests.h"
#include "engine/run/closing_down.h"
#include "engine/run/start_up.h"
#include "settings/catalogue.h"
#include "support/temp_dir.h"
#include "worker_fakes.h"

#include <fmt/format.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <barrier>
#include <cstdlib>
#include <memory>
#include <mutex>
#include <thread>

namespace hlw {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using ::testing::Contains;
using ::testing::HasSubstr;
using ::testing::Not;
using Duration = SteadyTimeSource::Duration;

int lf_count(const std::string& text, const std::string& needle)
{
    int n = 0;
    for (auto at = text.find(needle); at != std::string::npos; at = text.find(needle, at + 1)) {
        ++n;
    }
    return n;
}

// Every text the message line showed, in order (the line itself keeps only the last one).
std::mutex shownMutex;
std::vector<std::string> shownMessages;

void lf_recordMessageLine()
{
    const MessageLineTexts texts = gf_messageLineTexts();
    std::lock_guard lock(shownMutex);
    if (shownMessages.empty() || shownMessages.back() != texts.message) {
        shownMessages.push_back(texts.message);
    }
}

class WorkerTest : public ::testing::Test {
public:
    void SetUp() override
    {
        gf_resetRunFlags();
        userClosing.store(false);
        isRestart.store(false);
        productionMode.store(false);
        test::gf_makeProgramFolder(dir.path());
        gf_overrideDataFolderPath(dir / "user");
        setenv("HLMR_ROAMING_APPDATA", (dir / "roaming").c_str(), 1);
        gf_startLog(dir / "Log.txt");
        gf_resetMessageLine();
        shownMessages.clear();
        gf_setMessageRepaintHook(lf_recordMessageLine);
    }
    void TearDown() override
    {
        gf_setMessageRepaintHook(nullptr);
        gf_resetMessageLine();
        gf_stopLog();
        gf_overrideDataFolderPath(std::nullopt);
        unsetenv("HLMR_ROAMING_APPDATA");
        unsetenv("HLMR_LOCAL_APPDATA");
        for (BoolCheckBoxParameter* scan : {&settings::scanLiveries, &settings::scanAirports}) {
            scan->set(scan->defaultValue());
        }
        gf_resetRunFlags();
        userClosing.store(false);
        isRestart.store(false);
        productionMode.store(false);
    }

    void writeParameters(const std::string& extra = {}) { test::gf_writeWorkerParameters(dir.path(), extra); }
    std::string log()
    {
        gf_logFlushNow();
        return test::readWholeFile(dir / "Log.txt");
    }
    int logCount(const std::string& needle) { return lf_count(log(), needle); }
    std::vector<std::string> messages()
    {
        std::lock_guard lock(shownMutex);
        return shownMessages;
    }
    void closeAt(Duration when)
    {
        world.director = [this, when](Duration elapsed) {
            if (elapsed >= when && !userClosing.load()) {
                closedAt = elapsed;
                userClosing.store(true);
                gf_requestStop(ExitReason::userClosedSim, 0);
            }
        };
    }
    void runWorker()
    {
        WorkerContext context = world.context();
        gf_runWorker(context);
    }
    bool journalHas(const std::string& entry) { return world.journal.count(entry) > 0; }
    std::size_t journalIndex(const std::string& entry)
    {
        const std::vector<std::string> entries = world.journal.entries();
        return static_cast<std::size_t>(std::ranges::find(entries, entry) - entries.begin());
    }

    test::TempDir dir;
    const bool programFolderMade_ = fs::create_directories(dir / "program");
    test::ScopedCurrentPath current{dir / "program"};
    test::FakeWorld world;
    Duration closedAt{};
    // Set by a test whose expected reason is known only once the run has ended.
    std::shared_ptr<std::string> expectedWinner;
};

TEST_F(WorkerTest, AWholeRunStartsTrafficLoopsAndClosesDownWithEveryThreadJoined)
{
    fs::create_directories(dir / "roaming" / "VidiveZovadaz");
    test::writeWholeFile(dir / "roaming" / "VidiveZovadaz" / "RealTraffic.jar", "");
    closeAt(5s);
    runWorker();
    const std::vector<std::string> order = {"check versions",      "sim start",         "qnh reader start",
                                            "traffic reader start local", "driver first", "sim stop",
                                            "readers stop",        "sim join",          "readers join",
                                            "post quit"};
    for (std::size_t i = 1; i < order.size(); ++i) {
        EXPECT_LT(journalIndex(order[i - 1]), journalIndex(order[i])) << order[i - 1] << " before " << order[i];
    }
    EXPECT_TRUE(journalHas("link startServer"));
    EXPECT_TRUE(journalHas("link handshake"));
    EXPECT_FALSE(world.simLink.thread.running());
    EXPECT_FALSE(world.readers.trafficThread.running());
    EXPECT_THAT(messages(), Contains("RealTraffic detected at this PC"));
    EXPECT_TRUE(rtOnThisPc.load());
    EXPECT_EQ(logCount("Exiting: USER CLOSED SIM\n"), 1);
    EXPECT_THAT(log(), HasSubstr("Main loop ended after "));
    EXPECT_FALSE(fs::exists(gf_flightPlanFolder()));
    EXPECT_FALSE(isRestart.load());
}

// "AEROWINX" on: the application installed here gets no server and no simulator time; the readers still listen on
// 127.0.0.1 and the watchdog needs no link to start.
TEST_F(WorkerTest, WithAerowinxOnTheApplicationHereGetsNoLink)
{
    fs::create_directories(dir / "roaming" / "VidiveZovadaz");
    test::writeWholeFile(dir / "roaming" / "VidiveZovadaz" / "RealTraffic.jar", "");
    writeParameters("<parameter name=\"AEROWINX\" value=\"true\"/>");
    closeAt(5s);
    runWorker();
    settings::aerowinx.set(settings::aerowinx.defaultValue());
    EXPECT_TRUE(rtOnThisPc.load());
    EXPECT_TRUE(journalHas("traffic reader start local"));
    for (const char* link : {"link startServer", "link handshake", "link simTime"}) {
        EXPECT_FALSE(journalHas(link)) << link;
    }
    EXPECT_TRUE(world.status.snapshot().liveSourceReady);
    EXPECT_FALSE(simTimeEnabled.load());
}

TEST_F(WorkerTest, OnlyTheFirstStartChecksVersionsAndReadsTheDataFiles)
{
    struct Row {
        const char* name;
        bool restart;
        bool dataFilesAlreadyRead;
        bool versionsChecked;
    };
    const Row rows[] = {{"first start", false, false, true}, {"restart", true, true, false}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        world.journal.take();
        gf_resetRunFlags();
        userClosing.store(false);
        productionMode.store(true);
        isRestart.store(row.restart);
        dataFilesRead.store(row.dataFilesAlreadyRead);
        if (row.dataFilesAlreadyRead) {
            // Read once per program run: a restart would fail here if it read the file again.
            fs::remove(dir / "program" / "input" / "dbase.enc");
        }
        runWorker();
        EXPECT_EQ(journalHas("check versions"), row.versionsChecked);
        EXPECT_TRUE(dataFilesRead.load());
        EXPECT_TRUE(journalHas("post quit"));
    }
    EXPECT_EQ(logCount("Exiting: USER CLOSED SIM\n"), 2);
    EXPECT_THAT(log(), Not(HasSubstr("Error ")));
}

TEST_F(WorkerTest, ProductionModeEndsAfterTheDataFilesAsClosedByTheUser)
{
    productionMode.store(true);
    runWorker();
    EXPECT_TRUE(journalHas("exit code 0"));
    EXPECT_TRUE(journalHas("link close"));
    EXPECT_FALSE(journalHas("sim start"));
    EXPECT_TRUE(userClosing.load());
    EXPECT_LT(log().find("\nproduction\n"), log().find("Exiting: USER CLOSED SIM\n"));
    EXPECT_TRUE(journalHas("post quit"));
}

TEST_F(WorkerTest, StartUpEndsThatStopTheRun)
{
    struct Row {
        const char* name;
        std::function<void(WorkerTest&)> prepare;
        const char* exiting;
        const char* error;
    };
    const Row rows[] = {
        {"no docs folder", [](WorkerTest& t) { fs::remove(t.dir / "program" / "docs"); },
         "Exiting: SYSTEM ERROR\n", "Error 41: Hollowmere must be run from the Hollowmere folder!\n"},
        {"a newer version", [](WorkerTest& t) { t.world.app.newVersion.store(true); },
         "Exiting: NEW VERSION\n", nullptr},
        {"an invalid destination",
         [](WorkerTest& t) { t.writeParameters("<parameter name=\"DESTINATION\" value=\"E?AM\"/>"); },
         "Exiting: SYSTEM ERROR\n", "Error 'E?AM' FixedCode: invalid string (length/charset)\n"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        gf_resetRunFlags();
        userClosing.store(false);
        gf_resetMessageLine();
        world.journal.take();
        world.app.newVersion.store(false);
        row.prepare(*this);
        // "SYSTEM ERROR" keeps the program open until the user closes it.
        closeAt(world.time.elapsed() + 30s);
        runWorker();
        writeParameters();
        fs::create_directories(dir / "program" / "docs");
        EXPECT_THAT(log(), HasSubstr(row.exiting));
        if (row.error != nullptr) {
            EXPECT_THAT(log(), HasSubstr(row.error));
            EXPECT_THAT(log(), HasSubstr("User closed Hollowmere\n"));
            EXPECT_GE(world.time.elapsed(), closedAt);
        }
        EXPECT_FALSE(journalHas("sim start"));
        EXPECT_EQ(world.journal.entries().back(), "post quit");
    }
}

// A close in any of the traffic start's waits ends the start-up within 100 ms.
TEST_F(WorkerTest, ACloseInTheTrafficStartsWaitsIsSeenWithin100ms)
{
    struct Row {
        const char* name;
        void (*prepare)(test::FakeWorld&);
        bool (*waiting)(test::FakeWorld&);
        Duration into;
    };
    const Row rows[] = {
        {"a flight to run", [](test::FakeWorld& w) { w.simLink.startsFlight.store(false); },
         [](test::FakeWorld& w) { return w.simLink.thread.running() && !flightRunning.load(); }, 3020ms},
        {"the user position", [](test::FakeWorld& w) { w.simLink.positionKnown.store(false); },
         [](test::FakeWorld& w) { return w.journal.count("sim requestUserOnGround") > 0; }, 2270ms},
        {"the user position away from 0, 0 after the title",
         [](test::FakeWorld& w) { w.simLink.zeroAfterTitle.store(true); },
         [](test::FakeWorld& w) { return w.journal.count("sim requestUserTitle") > 0; }, 1130ms},
        {"2 s before the traffic reader", [](test::FakeWorld&) {},
         [](test::FakeWorld& w) { return w.readers.qnhThread.running() && !w.readers.trafficThread.running(); },
         1050ms},
        {"15 s for the first traffic", [](test::FakeWorld&) {},
         [](test::FakeWorld& w) { return w.readers.trafficThread.running(); }, 7030ms},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        gf_resetRunFlags();
        userClosing.store(false);
        world.journal.take();
        world.readers.latest.store(0.0);
        world.simLink.startsFlight.store(true);
        world.simLink.positionKnown.store(true);
        world.simLink.zeroAfterTitle.store(false);
        row.prepare(world);
        std::optional<Duration> waitBegan;
        world.director = [&](Duration elapsed) {
            if (!waitBegan && row.waiting(world)) {
                waitBegan = elapsed;
            }
            if (waitBegan && elapsed >= *waitBegan + row.into && !userClosing.load()) {
                closedAt = elapsed;
                userClosing.store(true);
            }
        };
        runWorker();
        ASSERT_TRUE(waitBegan);
        EXPECT_TRUE(userClosing.load());
        EXPECT_LE(world.time.elapsed() - closedAt, 100ms);
        EXPECT_THAT(log(), Not(HasSubstr("Main loop ended")));
        EXPECT_EQ(world.journal.entries().back(), "post quit");
    }
    world.simLink.startsFlight.store(true);
    world.simLink.positionKnown.store(true);
    world.simLink.zeroAfterTitle.store(false);
    EXPECT_EQ(logCount("Exiting: USER CLOSED SIM\n"), std::ssize(rows));
    EXPECT_EQ(logCount("No traffic in this region?"), 0);
}

// A restart reason that comes while the traffic start runs ends the start-up, and the run still restarts: the
// start-up's own end gives a reason only when nobody gave one.
TEST_F(WorkerTest, ARestartReasonDuringTheTrafficStartStillRestarts)
{
    struct Row {
        const char* name;
        void (*prepare)(test::FakeWorld&);
        ExitReason reason;
        int32_t seconds;
    };
    const Row rows[] = {
        {"a simulator error while no flight runs", [](test::FakeWorld& w) { w.simLink.startsFlight.store(false); },
         ExitReason::simConnectError, 9},
        {"a reader error while waiting for the first traffic", [](test::FakeWorld& w) { w.readers.latest.store(0.0); },
         ExitReason::readerError, 15},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        gf_resetRunFlags();
        userClosing.store(false);
        world.journal.take();
        world.simLink.startsFlight.store(true);
        world.readers.latest.store(1.7e9);
        row.prepare(world);
        const Duration start = world.time.elapsed();
        world.director = [&](Duration elapsed) {
            if (elapsed >= start + 3s && !stopRequested.load()) {
                gf_requestStop(row.reason, row.seconds);
            }
        };
        runWorker();
        EXPECT_EQ(logCount(fmt::format("Exiting: {}\n", gf_exitReasonName(row.reason))), 1);
        EXPECT_FALSE(journalHas("driver first")) << "the main loop never ran";
        EXPECT_EQ(world.journal.entries().back(), "post start worker");
        EXPECT_TRUE(isRestart.load());
    }
    world.simLink.startsFlight.store(true);
    EXPECT_EQ(logCount("Exiting: USER CLOSED SIM"), 0);
}

// Whoever asks for the stop, and in whatever order, closing down logs one "Exiting:" line with the reason that
// won, and a close by the user always ends the program.
TEST_F(WorkerTest, StopArbitrationGivesOneExitingLineAndNeverLosesAClose)
{
    struct Row {
        const char* name;
        // Arranges the requests; returns the reason closing down must name.
        std::function<std::string(WorkerTest&)> arrange;
        // The start of the error line the run shows, if any.
        const char* error = nullptr;
    };
    const Row rows[] = {
        {"three requesters racing in the main loop: a reader, the simulator link and the window's close",
         [](WorkerTest& t) {
             auto winner = std::make_shared<std::string>();
             t.world.tick.onTick = [winner](int64_t number) {
                 if (number != 250) {
                     return;
                 }
                 std::barrier start(3);
                 std::mutex mutex;
                 const auto request = [&](ExitReason reason, int32_t seconds, bool close) {
                     start.arrive_and_wait();
                     if (close) {
                         userClosing.store(true);
                     }
                     if (gf_requestStop(reason, seconds)) {
                         std::lock_guard lock(mutex);
                         *winner = gf_exitReasonName(reason);
                     }
                 };
                 std::jthread reader(request, ExitReason::readerError, 15, false);
                 std::jthread simulator(request, ExitReason::simConnectError, 9, false);
                 std::jthread window(request, ExitReason::userClosedSim, 0, true);
             };
             t.expectedWinner = winner;
             return std::string();
         }},
        {"the window's close after a restart reason",
         [](WorkerTest& t) {
             t.world.tick.onTick = [](int64_t number) {
                 if (number == 250) {
                     gf_requestStop(ExitReason::newSettings, 3);
                     userClosing.store(true);
                     gf_requestStop(ExitReason::userClosedSim, 0);
                 }
             };
             return std::string("NEW SETTINGS");
         }},
        {"a user error after a restart reason",
         [](WorkerTest& t) {
             t.world.app.onCheckVersions = [] { gf_requestStop(ExitReason::newSettings, 2); };
             // No stored installation and none to detect: user error 150.
             setenv("HLMR_LOCAL_APPDATA", (t.dir / "local").c_str(), 1);
             test::writeWholeFile(t.dir / "user" / "parameters.xml",
                                  "<?xml version=\"1.0\"?>\n<root><parameters>"
                                  "<parameter name=\"SCAN_LIVERIES\" value=\"false\"/>"
                                  "<parameter name=\"SCAN_AIRPORTS\" value=\"false\"/>"
                                  "</parameters></root>\n");
             t.closeAt(t.world.time.elapsed() + 20s);
             return std::string("SYSTEM ERROR");
         },
         "Error 150: No install path detected."},
        {"a restart requester during the SYSTEM ERROR wait, then the close",
         [](WorkerTest& t) {
             fs::remove(t.dir / "program" / "docs");
             const Duration start = t.world.time.elapsed();
             t.world.director = [start](Duration elapsed) {
                 if (elapsed >= start + 5s) {
                     gf_requestStop(ExitReason::newSettings, 3);
                 }
                 if (elapsed >= start + 10s && !userClosing.load()) {
                     userClosing.store(true);
                     gf_requestStop(ExitReason::userClosedSim, 0);
                 }
             };
             return std::string("SYSTEM ERROR");
         },
         "Error 41: "},
    };
    int resets = 0;
    world.resets.add("test", [&] { ++resets; });
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        gf_resetRunFlags();
        userClosing.store(false);
        world.journal.take();
        world.director = nullptr;
        world.tick.onTick = nullptr;
        world.tick.ticks.store(0);
        world.app.onCheckVersions = nullptr;
        expectedWinner.reset();
        const std::size_t logBefore = log().size();
        std::string expected = row.arrange(*this);
        runWorker();
        if (expectedWinner) {
            expected = *expectedWinner;
        }
        writeParameters();
        fs::create_directories(dir / "program" / "docs");
        unsetenv("HLMR_LOCAL_APPDATA");
        const std::string added = log().substr(logBefore);
        EXPECT_EQ(lf_count(added, "Exiting: "), 1) << added;
        EXPECT_EQ(lf_count(added, fmt::format("Exiting: {}\n", expected)), 1) << expected;
        EXPECT_EQ(lf_count(added, "Error "), row.error != nullptr ? 1 : 0);
        if (row.error != nullptr) {
            EXPECT_THAT(added, HasSubstr(row.error));
        }
        EXPECT_EQ(world.journal.entries().back(), "post quit");
        EXPECT_FALSE(isRestart.load());
        // The decision closing down acted on is the one it logged.
        EXPECT_EQ(gf_exitReasonName(gf_stopDecision().reason), expected);
    }
    world.tick.onTick = nullptr;
    world.app.onCheckVersions = nullptr;
    EXPECT_EQ(resets, 0);
}

TEST_F(WorkerTest, NoTrafficForFifteenSecondsIsLoggedAndTheLoopStarts)
{
    world.readers.latest.store(0.4); // a time stamp that truncates to 0 is no traffic
    closeAt(20s);
    runWorker();
    EXPECT_EQ(logCount("No traffic in this region?\n"), 1);
    EXPECT_THAT(log(), HasSubstr("Main loop ended after "));
}

class ClosingDownTest : public WorkerTest {
protected:
    void closeDown()
    {
        WorkerContext context = world.context();
        gf_closingDown(context);
    }
};

TEST_F(ClosingDownTest, EveryReasonRestartsOrEndsAsItsTableSays)
{
    struct Row {
        ExitReason reason;
        int32_t seconds;
        bool restarts;
        bool scansOff;
        std::vector<std::string> shown; // the message line's texts from "Prepare" on, or of the end
        Duration waited;
        // The user has closed the window already (a reason that waits for the close ends at once).
        bool closedBefore = false;
    };
    const Row rows[] = {
        {ExitReason::newSettings, 3, true, false,
         {"Prepare for a restart ...", "Restarting after 3 seconds", "Restarting after 2 seconds",
          "Restarting after 1 second"},
         3s},
        {ExitReason::simConnectError, 9, true, true, {"Prepare for a restart ...", "Restarting after 9 seconds"}, 9s},
        {ExitReason::readerError, 1, true, true, {"Prepare for a restart ...", "Restarting after 1 second"}, 1s},
        {ExitReason::simWasClosed, 0, false, false, {}, 0s},
        {ExitReason::newFlight, 45, false, false,
         {"New flight detected, Hollowmere will close, please restart manually ..."}, 10s},
        {ExitReason::userClosedSim, 0, false, false, {}, 0s},
        {ExitReason::newVersion, 0, false, false, {"User closed Hollowmere"}, 0s, true},
    };
    int resets = 0;
    world.resets.add("test", [&] { ++resets; });
    for (const Row& row : rows) {
        const std::string name(gf_exitReasonName(row.reason));
        SCOPED_TRACE(name);
        gf_resetRunFlags();
        resets = 0;
        world.journal.take();
        shownMessages.clear();
        for (BoolCheckBoxParameter* scan : {&settings::scanLiveries, &settings::scanAirports}) {
            scan->set(true);
        }
        fs::create_directories(gf_flightPlanFolder() / "inside");
        test::writeWholeFile(gf_flightPlanFolder() / "KLM1.pln", "plan");
        userClosing.store(row.closedBefore);
        gf_requestStop(row.reason, row.seconds);
        const Duration before = world.time.elapsed();

        closeDown();

        EXPECT_EQ(logCount(fmt::format("Exiting: {}\n", name)), 1);
        EXPECT_EQ(world.journal.entries().back(), row.restarts ? "post start worker" : "post quit");
        EXPECT_EQ(isRestart.load(), row.restarts);
        EXPECT_EQ(resets, row.restarts ? 1 : 0);
        EXPECT_EQ(settings::scanLiveries.get(), !row.scansOff);
        EXPECT_EQ(settings::scanAirports.get(), !row.scansOff);
        EXPECT_FALSE(fs::exists(gf_flightPlanFolder()));
        EXPECT_GE(world.time.elapsed() - before, row.waited);
        EXPECT_LT(world.time.elapsed() - before, row.waited + 200ms);
        std::vector<std::string> shown = messages();
        std::erase(shown, "");
        if (row.restarts) {
            // The reset empties the message line last.
            EXPECT_EQ(gf_stopDecision(), StopDecision{});
            shown.resize(std::min(shown.size(), row.shown.size()));
        }
        EXPECT_EQ(shown, row.shown);
    }
    EXPECT_EQ(logCount("Restarting after 1 seconds\n"), 1);
    EXPECT_EQ(logCount("Restart countdown finished\n"), 3);
}

TEST_F(ClosingDownTest, SystemErrorLeavesTheParkAirportThenWaitsForTheClose)
{
    world.parking.active.store(true);
    gf_forceSystemErrorStop();
    bool leftBeforeTheClose = false;
    world.director = [&](Duration elapsed) {
        if (elapsed >= 20s && !userClosing.load()) {
            leftBeforeTheClose = journalHas("leave park airport");
            userClosing.store(true);
        }
    };
    closeDown();
    EXPECT_TRUE(leftBeforeTheClose);
    EXPECT_GE(world.time.elapsed(), 20s);
    EXPECT_EQ(world.journal.count("leave park airport"), 1);
    EXPECT_EQ(world.journal.entries().back(), "post quit");
    EXPECT_THAT(log(), HasSubstr("User closed Hollowmere\n"));
}

// The note about the new version stays on the window, like an error, until the user closes it.
TEST_F(ClosingDownTest, NewVersionWaitsForTheClose)
{
    gf_requestStop(ExitReason::newVersion, 0);
    world.director = [&](Duration elapsed) {
        if (elapsed >= 20s && !userClosing.load()) {
            userClosing.store(true);
        }
    };
    closeDown();
    EXPECT_GE(world.time.elapsed(), 20s);
    EXPECT_EQ(world.journal.entries().back(), "post quit");
    EXPECT_THAT(log(), HasSubstr("Exiting: NEW VERSION\nUser closed Hollowmere\n"));
}

// The user's close is never lost to a restart: during the countdown, or racing the restart's requester.
TEST_F(ClosingDownTest, ACloseDuringTheCountdownOrRacingARestartEndsTheProgram)
{
    struct Row {
        const char* name;
        bool closeFirst;
        Duration closeAfter;
    };
    const Row rows[] = {{"close in the countdown", false, 5s}, {"close racing the reader's request", true, 0s}};
    int resets = 0;
    world.resets.add("test", [&] { ++resets; });
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        gf_resetRunFlags();
        userClosing.store(false);
        world.journal.take();
        gf_readerStopped("traffic reader", "test");
        if (row.closeFirst) {
            userClosing.store(true);
            gf_requestStop(ExitReason::userClosedSim, 0);
        } else {
            closeAt(world.time.elapsed() + row.closeAfter);
        }
        const Duration before = world.time.elapsed();
        closeDown();
        EXPECT_LE(world.time.elapsed() - before, row.closeAfter + 100ms);
        EXPECT_EQ(world.journal.entries().back(), "post quit");
        EXPECT_FALSE(isRestart.load());
    }
    EXPECT_EQ(resets, 0);
    EXPECT_EQ(logCount("Exiting: READER ERROR\n"), 2);
}

TEST_F(ClosingDownTest, AnExceptionStillJoinsTheThreadsAndPosts)
{
    world.simLink.thread.start();
    world.readers.qnhThread.start();
    world.lifecycle.failClosingDown.store(true);
    gf_requestStop(ExitReason::readerError, 15);
    closeDown();
    EXPECT_FALSE(world.simLink.thread.running());
    EXPECT_FALSE(world.readers.qnhThread.running());
    EXPECT_EQ(world.journal.entries().back(), "post quit");
    EXPECT_FALSE(isRestart.load());
    EXPECT_THAT(log(), HasSubstr("lf_closingDown exception titles are gone\n"));
}

} // namespace
} // namespace hlw
