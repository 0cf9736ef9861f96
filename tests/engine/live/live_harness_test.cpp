// Whole runs of the live aircraft in simulated time: the airborne scenario (cruise, turns, climbs, descents, an
// approach, a gap in the data, noisy, duplicated and late samples) through the headless driver and the in-process
// simulator, checked every tick.
#include "fake_simulator.h"
#include "headless_driver.h"
#include "livery_world.h"
#include "stream_checks.h"
#include "trajectory.h"

#include "settings/catalogue.h"

#include <gtest/gtest.h>

#include <string>

namespace hlw::test {
namespace {

constexpr int32_t startTick = 1000;

class Harness : public ::testing::Test {
protected:
    Harness()
    {
        gf_restoreLiveSettings();
        settings::maxHoldingMinutes.set(1);
        driver.state.tick = startTick;
        driver.beforeTick = [this] {
            checker.before(driver.state);
            firstNew_ = driver.sent.size();
        };
        driver.afterTick = [this] {
            simulator.frame(driver.state.tick);
            checker.after(driver.state, driver.sent, firstNew_);
            track.write(driver.state);
            aircraftTicks_ += static_cast<int64_t>(driver.state.live.size());
        };
    }
    ~Harness() override { gf_restoreLiveSettings(); }

    feed::Scenario scenario() const
    {
        return feed::gf_readScenario(std::filesystem::path(HLMR_SCENARIO_DIR) / "airborne_stream.txt");
    }
    void run(const feed::Scenario& flights)
    {
        const Trajectory trajectory = gf_trajectoryOf(flights, startTick);
        ASSERT_EQ(trajectory.refusedLines, 0);
        driver.schedule(trajectory.records);
        driver.runUntilEmpty(60'000);
    }

    LiveryWorld world;
    SimCommandQueues commands;
    SimReplyQueue replies;
    HeadlessDriver driver{commands, replies};
    FakeSimulator simulator{commands, replies};
    InvariantChecker checker{{.smoothData = false}};
    TrackWriter track{world.dir / "track.csv"};

private:
    std::size_t firstNew_ = 0;

protected:
    int64_t aircraftTicks_ = 0;
};

TEST_F(Harness, TheAirborneScenarioIsFlownWithinTheInvariantsAndEndsWhenTheMadeUpPositionsRunOut)
{
    run(scenario());
    EXPECT_FALSE(checker.firstViolation()) << *checker.firstViolation();
    EXPECT_TRUE(driver.state.live.empty()) << driver.state.live.size() << " aircraft left";
    EXPECT_EQ(simulator.created, 8u);
    EXPECT_EQ(simulator.removed, 8u);
    EXPECT_TRUE(simulator.objects.empty());
    EXPECT_GT(checker.legsChecked(), 400);
    EXPECT_EQ(track.rows(), aircraftTicks_);
}

TEST_F(Harness, OnSmoothDataTheSpeedFlownPerLegFollowsTheData)
{
    checker = InvariantChecker({.smoothData = true});
    feed::Scenario smooth = scenario();
    smooth.flights.resize(4);
    run(smooth);
    EXPECT_FALSE(checker.firstViolation()) << *checker.firstViolation();
    EXPECT_GT(checker.speedsChecked(), 150);
    EXPECT_EQ(simulator.created, 4u);
}

} // namespace
} // namespace hlw::test
