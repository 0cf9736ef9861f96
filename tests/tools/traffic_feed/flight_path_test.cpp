#include "traffic_feed/feed_sources.h"
#include "traffic_feed/flight_path.h"
#include "traffic_feed/scenario.h"

#include <gtest/gtest.h>

#include <charconv>
#include <cmath>
#include <map>
#include <numbers>

namespace hlw::feed {
namespace {

FlightSpec lf_flight(double gs, double track, double altitude = 5000.0)
{
    FlightSpec spec;
    spec.identity.hexId = 4000000;
    spec.start = GeoPoint{52.0, 4.0};
    spec.groundSpeedKt = gs;
    spec.trackDeg = track;
    spec.altitudeFt = altitude;
    return spec;
}

TEST(FlightPath, StraightFlightCoversGroundSpeedTimesTime)
{
    FlightPath path(lf_flight(300.0, 45.0), {});
    path.advance(120.0);
    EXPECT_NEAR(gf_distanceNm({52.0, 4.0}, path.state().position), 10.0, 1e-4);
    EXPECT_NEAR(gf_bearingDeg({52.0, 4.0}, path.state().position), 45.0, 0.2);
    EXPECT_FALSE(path.state().onGround);
    EXPECT_DOUBLE_EQ(path.state().rollDeg, 0.0);

    // A flight ends with its end time or its last finite leg; otherwise only the feed's duration ends it.
    FlightSpec spec = lf_flight(300.0, 45.0);
    EXPECT_TRUE(gf_makeFlightSource(spec)->openEnded());
    spec.endTime = 30.0;
    EXPECT_FALSE(gf_makeFlightSource(spec)->openEnded());
    spec.endTime.reset();
    spec.legs.push_back({LegKind::hold, 30.0, {}, {}, {}, {}, {}});
    EXPECT_FALSE(gf_makeFlightSource(spec)->openEnded());
}

TEST(FlightPath, AFullTurnComesBackToTheStartWithABankTowardsTheTurn)
{
    FlightSpec spec = lf_flight(200.0, 0.0);
    spec.turnDegPerS = 2.0;
    FlightPath path(spec, {});
    path.advance(45.0);
    EXPECT_NEAR(path.state().trackDeg, 90.0, 1.0);
    // Right turn, right wing down, at the bank of a coordinated turn: tan(bank) = speed * rate of turn / g.
    const double radPerDeg = std::numbers::pi / 180.0;
    EXPECT_NEAR(path.state().rollDeg, std::atan(200.0 * 1852.0 / 3600.0 * 2.0 * radPerDeg / 9.80665) / radPerDeg, 1e-3);
    path.advance(135.0);
    EXPECT_LT(gf_distanceNm({52.0, 4.0}, path.state().position), 0.05);
}

TEST(FlightPath, RelativeStartIsTakenFromTheCentre)
{
    FlightSpec spec = lf_flight(0.0, 0.0);
    spec.start.reset();
    spec.bearingDeg = 90.0;
    spec.distanceNm = 10.0;
    FlightPath path(spec, {47.4647, 8.5492});
    EXPECT_NEAR(gf_distanceNm({47.4647, 8.5492}, path.state().position), 10.0, 0.01);
    EXPECT_NEAR(gf_bearingDeg({47.4647, 8.5492}, path.state().position), 90.0, 0.2);
}

TEST(FlightPath, DescentStopsAtTheGroundElevation)
{
    FlightSpec spec = lf_flight(140.0, 180.0, 1000.0);
    spec.verticalFpm = -700.0;
    spec.elevationFt = -11.0;
    spec.legs.push_back({LegKind::fly, 200.0, {}, {}, {}, {}, {}});
    FlightPath path(spec, {});
    path.advance(60.0);
    EXPECT_NEAR(path.state().altitudeFt, 300.0, 1.0);
    path.advance(100.0);
    EXPECT_DOUBLE_EQ(path.state().altitudeFt, -11.0);
    EXPECT_TRUE(path.state().onGround);
}

TEST(FlightPath, TaxiPushAndHoldLegs)
{
    FlightSpec spec = lf_flight(0.0, 0.0, 0.0);
    const GeoPoint pushTarget = gf_destination({52.0, 4.0}, 180.0, 0.05);
    const GeoPoint taxiTarget = gf_destination(pushTarget, 270.0, 0.5);
    spec.legs.push_back({LegKind::push, 0.0, pushTarget, {}, 3.0, {}, {}});
    spec.legs.push_back({LegKind::hold, 30.0, {}, {}, {}, {}, {}});
    spec.legs.push_back({LegKind::taxi, 0.0, taxiTarget, {}, 15.0, {}, {}});
    FlightPath path(spec, {});

    path.advance(30.0); // push: 0.05 nm at 3 kt takes 60 s
    EXPECT_TRUE(path.state().onGround);
    EXPECT_NEAR(path.state().trackDeg, 180.0, 0.5);
    EXPECT_NEAR(path.state().headingDeg, 0.0, 0.5);
    path.advance(40.0); // pushed back, holding
    EXPECT_DOUBLE_EQ(path.state().groundSpeedKt, 0.0);
    EXPECT_LT(gf_distanceNm(path.state().position, pushTarget), 0.001);
    path.advance(135.0); // 20 s of hold left, then 120 s for the 0.5 nm at 15 kt
    EXPECT_FALSE(path.finished());
    EXPECT_NEAR(path.state().headingDeg, 270.0, 0.5);
    path.advance(10.0);
    EXPECT_TRUE(path.finished());
    EXPECT_LT(gf_distanceNm(path.state().position, taxiTarget), 0.001);
}

TEST(FlightPath, MinimumSampleIntervalExceedsWhatTheReceiverNeedsByAMargin)
{
    const std::tuple<double, bool, double> cases[] = {
        // ground speed, on ground, the receiver's limit to be exceeded
        {300.0, false, 2.916}, // 450 m at 300 kt
        {480.0, false, 1.823},
        {100.0, false, 1.0}, // slow in the air: any gap above 1 s
        {10.0, true, 3.888}, // 20 m at 10 kt
        {1.0, true, 15.0},   // capped at 15 s
        {0.0, true, 15.0},   // stopped
        {60.0, true, 1.0}};  // roll-out
    for (const auto& [groundSpeed, onGround, atLeast] : cases) {
        AircraftState state;
        state.groundSpeedKt = groundSpeed;
        state.onGround = onGround;
        // The same margin of half a second above every limit.
        EXPECT_NEAR(gf_minimumSampleInterval(state), atLeast + 0.5, 0.002) << groundSpeed;
    }
}

// Collects the traffic lines of a source run in simulated time.
class RecordingContext final : public FeedContext {
public:
    void sendTraffic(const std::string& line) override { lines.emplace_back(now, line); }
    void sendQnh(const std::string&) override {}
    GeoPoint centre() const override { return {52.3086, 4.7639}; }
    double stampNow() const override { return 1800000000.0 + now; }
    bool restampRecords() const override { return true; }
    std::mt19937& random() override { return random_; }
    const std::string& lastTrafficLine() const override { return empty_; }

    double now = 0.0;
    std::vector<std::pair<double, std::string>> lines;

private:
    std::mt19937 random_{3};
    std::string empty_;
};

double lf_field(const std::string& line, int index)
{
    std::size_t start = 0;
    for (int i = 0; i < index; ++i) {
        start = line.find(',', start) + 1;
    }
    double value = 0.0;
    std::from_chars(line.data() + start, line.data() + line.size(), value);
    return value;
}

// Every sample of every flight of the bundled scenarios must pass the receiver's plausibility filters as a new
// position of the same aircraft: a dropped sample would make the demo traffic jump.
class SampleScenario : public ::testing::TestWithParam<const char*> {};

TEST_P(SampleScenario, ConsecutiveSamplesPassThePlausibilityFilters)
{
    const Scenario scenario = gf_readScenario(std::string(HLMR_SAMPLE_SCENARIOS) + "/" + GetParam());
    ASSERT_TRUE(scenario.duration);
    ASSERT_FALSE(scenario.flights.empty());
    for (const FlightSpec& flight : scenario.flights) {
        auto source = gf_makeFlightSource(flight);
        RecordingContext context;
        while (source->nextTime() <= *scenario.duration) {
            context.now = source->nextTime();
            source->fire(context);
        }
        ASSERT_GT(context.lines.size(), 3u) << flight.identity.callsign;
        for (std::size_t i = 1; i < context.lines.size(); ++i) {
            const std::string& line = context.lines[i].second;
            const double dt = lf_field(line, 14) - lf_field(context.lines[i - 1].second, 14);
            const double gs = lf_field(line, 8);
            const double lastGs = lf_field(context.lines[i - 1].second, 8);
            const double altitude = lf_field(line, 4);
            const bool onGround = altitude <= flight.elevationFt + 0.5;
            SCOPED_TRACE(flight.identity.callsign + " sample " + std::to_string(i));
            EXPECT_GT(dt, 1.0);
            if (!onGround && gs > 120.0) {
                EXPECT_GT(dt, 0.2429805615550756 / gs * 3600.0);
            }
            if (onGround && gs <= 30.0) {
                EXPECT_GT(dt, gs > 0.0 ? std::min(15.0, 0.010799136069114472 / gs * 3600.0) : 15.0);
            }
            EXPECT_FALSE(lastGs > 5.0 && gs >= 10.0 * lastGs);
            EXPECT_FALSE(gs > 5.0 && lastGs >= 10.0 * gs);
            EXPECT_FALSE(lastGs <= 5.0 && gs >= 80.0);
            EXPECT_FALSE(gs <= 5.0 && lastGs >= 80.0);
        }
    }
}

TEST(FlightPath, AnApproachDescendsOnAThreeDegreePathOntoTheThreshold)
{
    FlightSpec spec = lf_flight(140.0, 90.0, 2000.0);
    const GeoPoint threshold = gf_destination({52.0, 4.0}, 90.0, 3.0);
    spec.legs.push_back({LegKind::approach, 0.0, threshold, {}, 140.0, {}, {}});
    FlightPath path(spec, {});
    path.advance(3600.0 / 140.0); // 1 nm flown, 2 nm to go
    EXPECT_NEAR(path.state().altitudeFt, 2.0 * 6076.11549 * std::tan(3.0 * 0.017453292519943295), 1.0);
    EXPECT_NEAR(path.state().verticalFpm, -140.0 * 6076.11549 / 60.0 * 0.0524078, 1.0);
    path.advance(2.0 * 3600.0 / 140.0 + 1.0);
    EXPECT_TRUE(path.finished());
    EXPECT_TRUE(path.state().onGround);
    EXPECT_LT(gf_distanceNm(path.state().position, threshold), 0.001);
}

// Imperfect data: no samples within a gap, every 3rd sample twice, every 4th one after the next with its older
// timestamp, positions within the noise.
TEST(FeedSources, ImperfectSamples)
{
    FlightSpec spec = lf_flight(100.0, 0.0);
    spec.gaps = {{10.0, 20.0}};
    spec.duplicateEvery = 3;
    spec.lateEvery = 4;
    spec.noiseMetres = 30.0;
    spec.endTime = 40.0;
    auto source = gf_makeFlightSource(spec);
    RecordingContext context;
    while (source->nextTime() <= 40.0) {
        context.now = source->nextTime();
        source->fire(context);
    }
    int duplicates = 0;
    int late = 0;
    for (std::size_t i = 0; i < context.lines.size(); ++i) {
        const double stamp = lf_field(context.lines[i].second, 14) - 1800000000.0;
        EXPECT_FALSE(stamp >= 10.0 && stamp < 20.0) << stamp;
        if (i > 0) {
            const double before = lf_field(context.lines[i - 1].second, 14) - 1800000000.0;
            duplicates += context.lines[i].second == context.lines[i - 1].second ? 1 : 0;
            late += stamp < before ? 1 : 0;
        }
        const GeoPoint exact = gf_destination({52.0, 4.0}, 0.0, 100.0 * stamp / 3600.0);
        const GeoPoint sent{lf_field(context.lines[i].second, 2), lf_field(context.lines[i].second, 3)};
        EXPECT_LT(gf_distanceNm(exact, sent) * 1852.0, 31.0);
    }
    EXPECT_GE(duplicates, 2);
    EXPECT_GE(late, 2);
}

// A lagging speed source: each sample's position is where the flight is, its ground speed what it was five seconds
// before.
TEST(FeedSources, TheSentGroundSpeedLagsBehindThePositions)
{
    FlightSpec spec = lf_flight(100.0, 0.0);
    spec.legs.push_back({LegKind::fly, 10.0, {}, {}, {}, {}, {}});
    spec.legs.push_back({LegKind::fly, 30.0, {}, {}, 200.0, {}, {}});
    spec.speedLagSeconds = 5.0;
    auto source = gf_makeFlightSource(spec);
    RecordingContext context;
    while (source->nextTime() <= 40.0) {
        context.now = source->nextTime();
        source->fire(context);
    }
    ASSERT_GE(context.lines.size(), 8u);
    for (const auto& [time, line] : context.lines) {
        EXPECT_EQ(lf_field(line, 8), time < 15.0 ? 100.0 : 200.0) << time;
        const double flownNm = time <= 10.0 ? 100.0 * time / 3600.0 : (1000.0 + 200.0 * (time - 10.0)) / 3600.0;
        const GeoPoint sent{lf_field(line, 2), lf_field(line, 3)};
        EXPECT_LT(gf_distanceNm(gf_destination({52.0, 4.0}, 0.0, flownNm), sent) * 1852.0, 2.0) << time;
    }
}

INSTANTIATE_TEST_SUITE_P(Files, SampleScenario, ::testing::Values("eham_airborne.txt", "eham_ground.txt"));

} // namespace
} // namespace hlw::feed
