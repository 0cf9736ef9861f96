#include "engine/run/main_loop.h"

#include "core/log.h"
#include "engine/base/run_state.h"
#include "liveries/matching_summary.h"
#include "settings/catalogue.h"
#include "support/temp_dir.h"
#include "worker_fakes.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <map>
#include <set>

namespace hlw {
namespace {

using namespace std::chrono_literals;
using ::testing::ElementsAre;
using ::testing::ElementsAreArray;
using Duration = SteadyTimeSource::Duration;

class MainLoopTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        gf_resetRunFlags();
        userClosing.store(false);
        flightRunning.store(true);
        gf_startLog(dir / "Log.txt");
    }
    void TearDown() override
    {
        gf_stopLog();
        gf_resetRunFlags();
        userClosing.store(false);
        for (BoolCheckBoxParameter* setting : {&settings::autoRange, &settings::objectIdList}) {
            setting->set(setting->defaultValue());
        }
    }
    std::string log()
    {
        gf_logFlushNow();
        return test::readWholeFile(dir / "Log.txt");
    }
    // Runs `last` more per-second steps; `each` is called after every one with its number (from 1).
    void runSeconds(MainLoop& loop, int last, const std::function<void(int)>& each)
    {
        const int64_t before = loop.seconds();
        for (int s = 1; s <= last; ++s) {
            userDataArrived.store(true);
            ASSERT_TRUE(loop.step());
            ASSERT_EQ(loop.seconds(), before + s);
            each(s);
        }
    }
    // The seconds at which each scheduled task ran; "static countdown" is a change of the minutes shown.
    std::map<std::string, std::vector<int>> scheduleOf(MainLoop& loop, int last)
    {
        const std::set<std::string> scheduled = {"collect callsigns", "driver", "watchdog", "twins", "range centre",
                                                 "link simTime", "free stand B12", "auto range", "object id list",
                                                 "unmatched names", "adjustment first half",
                                                 "adjustment second half", "forget titles"};
        std::map<std::string, std::vector<int>> seconds;
        int32_t minutesShown = world.status.snapshot().minutesToStaticUpdate;
        runSeconds(loop, last, [&](int s) {
            for (const std::string& entry : world.journal.take()) {
                if (scheduled.contains(entry)) {
                    seconds[entry].push_back(s);
                }
            }
            const int32_t minutes = world.status.snapshot().minutesToStaticUpdate;
            if (minutes != minutesShown) {
                seconds["static countdown"].push_back(s);
                minutesShown = minutes;
            }
        });
        return seconds;
    }

    test::TempDir dir;
    test::FakeWorld world;
    WorkerContext context = world.context();
};

TEST_F(MainLoopTest, TheScheduleOfTheFirst1200SecondsFollowsItsTable)
{
    settings::autoRange.set(true);
    settings::objectIdList.set(true);
    simTimeEnabled.store(true);
    world.parking.standReserved.store(true);
    struct Row {
        const char* task;
        bool (*due)(int s);
    };
    const Row rows[] = {
        {"driver", [](int s) { return s % 5 != 0 && s % 16 == 0; }},
        {"watchdog", [](int s) { return s % 5 != 0 && s % 59 == 0; }},
        {"twins", [](int s) { return s % 5 != 0 && s % 61 == 0; }},
        {"range centre", [](int s) { return s % 5 == 0; }},
        {"link simTime", [](int s) { return s % 5 == 0; }},
        {"free stand B12", [](int s) { return s % 5 == 0; }},
        {"auto range", [](int s) { return s % 30 == 0; }},
        {"static countdown", [](int s) { return s % 60 == 0; }},
        {"object id list", [](int s) { return s % 60 == 0; }},
        {"unmatched names", [](int s) { return s % 1200 == 0; }},
    };
    MainLoop loop(context);
    std::map<std::string, std::vector<int>> ran = scheduleOf(loop, 1200);
    for (const Row& row : rows) {
        std::vector<int> expected;
        for (int s = 1; s <= 1200; ++s) {
            if (row.due(s)) {
                expected.push_back(s);
            }
        }
        EXPECT_EQ(ran[row.task], expected) << row.task;
    }
    // The grids that meet the 5-second grid: the driver at 16 and 96 but not 80, and so on.
    const auto has = [&](const char* task, int s) { return std::ranges::count(ran[task], s) == 1; };
    EXPECT_TRUE(has("driver", 16) && has("driver", 96) && !has("driver", 80));
    EXPECT_TRUE(has("watchdog", 59) && !has("watchdog", 295));
    EXPECT_TRUE(has("twins", 61) && !has("twins", 305));
    EXPECT_EQ(ran["adjustment first half"].size(), 0U);
}

TEST_F(MainLoopTest, AStalledReaderLampAddsTheWatchdogAtEveryQuarterMinute)
{
    world.status.update([](StatusValues& values) { values.qnhReader = ReaderLamp::stalled; });
    MainLoop loop(context);
    EXPECT_THAT(scheduleOf(loop, 60)["watchdog"], ElementsAre(15, 30, 45, 59, 60));
}

// Requested at s = 20: the first half runs at 30, the second at 45; the driver waits in between.
TEST_F(MainLoopTest, AParkingAdjustmentRunsInTwoHalvesAtTheNextTwoQuarterMinutes)
{
    world.parking.active.store(true);
    MainLoop loop(context);
    std::map<std::string, std::vector<int>> ran = scheduleOf(loop, 20);
    world.requests.parkAdjust.store(true);
    for (const auto& [task, seconds] : scheduleOf(loop, 40)) {
        for (const int s : seconds) {
            ran[task].push_back(20 + s);
        }
    }
    EXPECT_THAT(ran["adjustment first half"], ElementsAre(30));
    EXPECT_THAT(ran["collect callsigns"], ElementsAre(30));
    EXPECT_THAT(ran["adjustment second half"], ElementsAre(45));
    EXPECT_THAT(ran["driver"], ElementsAre(16, 48));
    EXPECT_FALSE(world.requests.parkAdjust.load());
}

TEST_F(MainLoopTest, TheCounterStartsAgainAfterADay)
{
    // The summary is logged only when a livery was matched.
    gf_resetMatchStepCounts();
    gf_countMatch(MatchStep{});
    MainLoop loop(context);
    const std::map<std::string, std::vector<int>> ran = scheduleOf(loop, 86401);
    EXPECT_EQ(ran.at("unmatched names").size(), 72U);
    EXPECT_THAT(ran.at("forget titles"), ElementsAre(86400));
    const std::string text = log();
    const auto summary = text.find("live traffic livery matching summary");
    ASSERT_NE(summary, std::string::npos);
    EXPECT_EQ(text.find("live traffic livery matching summary", summary + 1), std::string::npos);
    gf_resetMatchStepCounts();
    EXPECT_EQ(loop.secondCounter(), 1);
    EXPECT_EQ(loop.seconds(), 86401);
}

TEST_F(MainLoopTest, PerSecondRequestsAreConsumedOnce)
{
    settings::callsign2ObjectId.set("KLM123");
    settings::blockCallsign.set("DLH4");
    world.requests.objectIdLookup.store(true);
    world.requests.blockCallsign.store(true);
    MainLoop loop(context);
    runSeconds(loop, 2, [](int) {});
    EXPECT_EQ(world.journal.count("object id of KLM123"), 1);
    EXPECT_EQ(world.journal.count("block DLH4"), 1);
    EXPECT_EQ(world.status.snapshot().callsignObjectIdText, "= 4711");
    settings::callsign2ObjectId.set("GONE1");
    world.requests.refillCallsignList.store(true);
    runSeconds(loop, 1, [](int) {});
    runSeconds(loop, 1, [](int) {});
    EXPECT_EQ(world.status.snapshot().callsignObjectIdText, "has left");
    settings::callsign2ObjectId.set("");
    settings::blockCallsign.set("");
}

// The window's requests that change worker-owned data: each is consumed once by the next per-second step, the
// destination before the automatic range, which measures to the park-airport list's first airport.
TEST_F(MainLoopTest, WindowRequestsOnWorkerDataAreConsumedInOrderOnce)
{
    settings::autoRange.set(true);
    world.requests.navLightsOn.store(false);
    world.requests.navLights.store(true);
    world.requests.postDestination({FixedCode<4>("ehrd"), {51.95, 4.44}});
    world.requests.postDestination({FixedCode<4>("EHAM"), {52.31, 4.76}});
    world.requests.autoRange.store(true);
    MainLoop loop(context);
    runSeconds(loop, 2, [](int) {});
    const std::vector<std::string> entries = world.journal.take();
    std::vector<std::string> consumed;
    std::ranges::copy_if(entries, std::back_inserter(consumed), [](const std::string& entry) {
        return entry.starts_with("nav lights") || entry.starts_with("park airport") || entry == "auto range";
    });
    EXPECT_THAT(consumed, ElementsAre("nav lights off", "park airport EHAM", "auto range"));
    EXPECT_EQ(world.requests.secondCounter.load(), 2);

    // Switched off again before the step: no range is computed.
    settings::autoRange.set(false);
    world.requests.autoRange.store(true);
    runSeconds(loop, 1, [](int) {});
    EXPECT_EQ(world.journal.count("auto range"), 0);
    EXPECT_FALSE(world.requests.autoRange.load());
}

class LoopTimingTest : public MainLoopTest {
protected:
    // Runs the loop until the tick with this number ends the run; returns the time of every tick since the start.
    std::vector<Duration> tickTimes(int64_t lastTick)
    {
        std::vector<Duration> times;
        world.tick.onTick = [&](int64_t number) {
            times.push_back(world.time.elapsed());
            if (slowTick == number) {
                world.time.advance(slowBy);
                // The slow step is a per-second step, and the next report arrives while it runs.
                userDataArrived.store(reportDuringSlowStep);
                world.lifecycle.onRefreshCounts = [this] {
                    userDataArrived.store(true);
                    world.lifecycle.onRefreshCounts = nullptr;
                };
            }
            if (number == lastTick) {
                gf_requestStop(ExitReason::userClosedSim, 0);
            }
        };
        MainLoop(context).run();
        return times;
    }

    int64_t slowTick = 0;
    Duration slowBy{};
    bool reportDuringSlowStep = false;
};

TEST_F(LoopTimingTest, ASlowStepNeitherBurstsNorDriftsTheGrid)
{
    struct Row {
        const char* name;
        Duration slowBy;
        bool report;
        std::vector<Duration> afterSlowStep; // the next ticks, counted from the slow step's end
    };
    const Row rows[] = {
        {"150 ms: a new grid 10 ms after the step's end", 150ms, false, {10ms, 20ms, 30ms}},
        {"50 ms: the missed steps run at once", 50ms, false, {0ms, 0ms, 0ms, 0ms, 0ms, 10ms}},
        {"50 ms with the report: the grid counts from now", 50ms, true, {0ms, 10ms, 20ms}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        gf_resetRunFlags();
        flightRunning.store(true);
        world.reporting.store(false);
        world.tick.ticks.store(0);
        slowTick = 20;
        slowBy = row.slowBy;
        reportDuringSlowStep = row.report;
        const std::vector<Duration> times = tickTimes(20 + static_cast<int64_t>(row.afterSlowStep.size()));
        ASSERT_EQ(times.size(), 20 + row.afterSlowStep.size());
        EXPECT_EQ(times[19] - times[18], 10ms);
        const Duration slowEnd = times[19] + row.slowBy;
        std::vector<Duration> after;
        for (std::size_t i = 20; i < times.size(); ++i) {
            after.push_back(times[i] - slowEnd);
        }
        EXPECT_THAT(after, ElementsAreArray(row.afterSlowStep));
    }
}

TEST_F(LoopTimingTest, EveryReportGetsAHundredSteps)
{
    std::vector<int64_t> ticksAtSecond;
    world.director = [&](Duration elapsed) {
        if (elapsed >= 10s) {
            gf_requestStop(ExitReason::userClosedSim, 0);
        }
    };
    world.tick.onTick = [&](int64_t number) {
        if (userDataArrived.load()) {
            ticksAtSecond.push_back(number);
        }
    };
    MainLoop loop(context);
    loop.run();
    ASSERT_GE(ticksAtSecond.size(), 9U);
    for (std::size_t i = 1; i < ticksAtSecond.size(); ++i) {
        EXPECT_EQ(ticksAtSecond[i] - ticksAtSecond[i - 1], 100);
    }
    EXPECT_EQ(loop.seconds(), static_cast<int64_t>(ticksAtSecond.size()));
}

TEST_F(LoopTimingTest, APauseOfThreeSecondsKeepsTheLinkInformedAndResumesOnce)
{
    world.director = [&](Duration elapsed) {
        if (elapsed >= 2005ms && elapsed < 5005ms) {
            flightRunning.store(false);
        } else if (elapsed >= 5005ms) {
            flightRunning.store(true);
        }
        if (elapsed >= 8s) {
            gf_requestStop(ExitReason::userClosedSim, 0);
        }
    };
    MainLoop(context).run();
    const std::string text = log();
    const auto count = [&](const std::string& needle) {
        int n = 0;
        for (auto at = text.find(needle); at != std::string::npos; at = text.find(needle, at + 1)) {
            ++n;
        }
        return n;
    };
    EXPECT_EQ(count(" Flight not running\n"), 1);
    EXPECT_EQ(count(" Flight resumed\n"), 1);
    EXPECT_EQ(world.journal.count("link position"), 3);
    EXPECT_EQ(world.journal.count("sim discardAiPositions"), 1);
    EXPECT_GE(world.tick.replies.load(), 299);
    EXPECT_TRUE(world.traffic.running());
}

TEST_F(LoopTimingTest, ACloseEndsTheLoopWithinOneStepWhileTheReportIsMissing)
{
    world.reporting.store(false);
    Duration closedAt{};
    int64_t ticksAtClose = 0;
    world.director = [&](Duration elapsed) {
        if (elapsed >= 3s && !userClosing.load()) {
            closedAt = elapsed;
            ticksAtClose = world.tick.ticks.load();
            userClosing.store(true);
        }
    };
    MainLoop loop(context);
    loop.run();
    EXPECT_LE(world.time.elapsed() - closedAt, 10ms);
    EXPECT_LE(world.tick.ticks.load() - ticksAtClose, 1);
    EXPECT_EQ(loop.seconds(), 0);
}

} // namespace
} // namespace hlw
