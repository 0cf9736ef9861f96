// The position stream: re-timing within the windows, the leg speed, made-up positions and holds over gaps, the
// screens of received positions by phase, and what an active aircraft sends each tick.
#include "engine/live/received_positions.h"
#include "engine/live/stream_gaps.h"
#include "live_fixture.h"

#include "engine/live/angles.h"
#include "engine/live/live_lifecycle.h"
#include "engine/live/position_stream.h"
#include "settings/catalogue.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <stdexcept>
#include <vector>

namespace hlw::test {
namespace {

// Degrees of latitude per nautical mile.
constexpr double degPerNm = 1.0 / 60.0;

class Stream : public ::testing::Test, public LiveFixture {
protected:
    LiveAircraft& flying(std::vector<PositionRecord> stream)
    {
        LiveAircraft& ac = addActive(gf_makeLive(AircraftCategory::Large, MovementPhase::flying, std::move(stream)));
        ac.groundMode = 0;
        return ac;
    }
    LiveAircraft& taxiing(std::vector<PositionRecord> stream)
    {
        LiveAircraft& ac = addActive(gf_makeLive(AircraftCategory::Large, MovementPhase::taxi, std::move(stream)));
        ac.groundMode = 1;
        return ac;
    }
};

struct Retiming {
    const char* name;
    double distanceNm;
    double speedKt;
    int32_t frontReceivedDue; // relative to now
    int32_t receivedDue;      // relative to now
    bool extrapolating;
    int32_t expectedDue; // relative to now
};

// The front's report came as long before the next one's as the speeds take (2 nm at 240 kt: 3000 ticks), unless
// the row is about the two disagreeing.
TEST_F(Stream, ANextPositionIsRetimedToTheLegSpeedWithinItsWindows)
{
    const std::vector<Retiming> cases = {
        {"2 nm at 240 kt, a twentieth nearer the received due tick", 2.0, 240, 500, 3500, false, 3150},
        {"2 nm at 240 kt, within 0.2 s of the received due tick", 2.0, 240, 15, 3015, false, 3000},
        {"2 nm at 240 kt, a lead pulled back to the received due tick", 2.0, 240, -100, 2900, false, 2900},
        {"0.5 nm at 120 kt, as much pulled as 12 kt of speed: a tenth", 0.5, 120, 500, 2000, false, 1650},
        {"4 nm held by the late window", 4.0, 240, -2500, 3500, false, 4500},
        {"4 nm while extrapolating", 4.0, 240, 0, 3500, true, 6000},
        {"early window", 0.5, 240, 2750, 3500, false, 2500},
        {"a leg never shorter than 25 ticks", 0.01, 240, -5, 10, false, minLegTicks},
        {"an overdue position still gets a whole leg", 2.0, 240, -5000, -2000, false, minLegTicks},
        {"a garbage speed is held within a day", 4.0, 0.001, 0, 3500, true, int32_t(maxTravelTicks)},
        {"reports 4000 ticks apart: in the air the speeds time the leg", 2.0, 240, 0, 4000, false, 3150},
    };
    for (const Retiming& row : cases) {
        SCOPED_TRACE(row.name);
        state.live.clear();
        const int32_t now = state.tick;
        LiveAircraft& ac = flying({gf_air(47.0, 8.0, 5000, row.speedKt, now),
                                   gf_air(47.0 + row.distanceNm * degPerNm, 8.0, 5000, row.speedKt, now + row.receivedDue)});
        ac.extrapolationCount = row.extrapolating ? 3 : 0;
        ac.legReceivedDueTick = now + row.frontReceivedDue;
        gf_retimeNext(context, ac);
        EXPECT_EQ(ac.positions[1].dueTick - now, row.expectedDue);
    }
}

// On the ground a leg whose speeds take 1200 ticks (0.1 nm at 30 kt) while its reports lie further apart ends when
// its report is due, catching up at most a tenth of the reports' pace.
TEST_F(Stream, AGroundLegWhoseSpeedsDisagreeWithItsReportsTakesTheirTime)
{
    struct Row {
        const char* name;
        int32_t frontReceivedDue; // relative to now
        int32_t receivedDue;
        int32_t expectedDue;
    };
    for (const Row& row : {Row{"reports as far apart as the speeds take: a twentieth pulled", -200, 1000, 1140},
                           Row{"reports 1600 ticks apart", 0, 1600, 1600},
                           Row{"the same 10 s behind: a tenth caught up, a twentieth pulled", -1000, 600, 1368}}) {
        state.live.clear();
        const int32_t now = state.tick;
        LiveAircraft& ac = taxiing({gf_ground(47.0, 8.0, 30, now), gf_ground(47.0 + 0.1 * degPerNm, 8.0, 30,
                                                                               now + row.receivedDue)});
        ac.legReceivedDueTick = now + row.frontReceivedDue;
        gf_retimeNextBy(context, ac, 1200);
        EXPECT_EQ(ac.positions[1].dueTick - now, row.expectedDue) << row.name;
    }
}

TEST_F(Stream, LegSpeedOfStandingPositionsComesFromTheirSpacing)
{
    struct Row {
        double distanceNm;
        double frontKt;
        double nextKt;
        double expectedKt;
    };
    for (const Row row : {Row{0.01, 0, 0, 1.2}, Row{0.001, 0, 0, 1.0}, Row{1.0, 200, 300, 250}}) {
        state.live.clear();
        LiveAircraft& ac = taxiing({gf_ground(47.0, 8.0, row.frontKt, 0),
                                    gf_ground(47.0 + row.distanceNm * degPerNm, 8.0, row.nextKt, 3000)});
        EXPECT_NEAR(gf_legSpeed(ac), row.expectedKt, 1e-6) << row.distanceNm;
    }
}

TEST_F(Stream, AnAirborneAircraftWithoutDataFliesEightSlowerMadeUpPositionsThenIsRemoved)
{
    LiveAircraft& ac = flying({gf_air(47.0, 8.0, 5000, 300, state.tick)});
    ac.heading = 0.0;
    double speed = 300.0;
    for (int32_t count = 8; count >= 1; --count) {
        SCOPED_TRACE(count);
        const PositionRecord from = ac.positions.front();
        ASSERT_TRUE(gf_nextPosNoData(context, ac));
        const PositionRecord& made = ac.positions.back();
        speed *= 0.95;
        EXPECT_EQ(ac.extrapolationCount, count);
        EXPECT_NEAR(made.groundSpeedKt, speed, 1e-9);
        EXPECT_EQ(made.dueTick, from.dueTick + 800);
        if (count == 8) {
            EXPECT_NEAR(gf_distanceNm({from.latitude, from.longitude}, {made.latitude, made.longitude}), 0.6333, 1e-4);
        }
        ac.positions.pop_front();
    }
    EXPECT_NEAR(speed, 199.03, 0.01);
    EXPECT_FALSE(gf_nextPosNoData(context, ac));
    EXPECT_EQ(ac.extrapolationCount, -1);
    EXPECT_FALSE(gf_nextPosNoData(context, ac));

    // On the approach the made-up positions slow by 10 % and descend 10 ft per second.
    LiveAircraft& landing = flying({gf_air(47.0, 8.0, 1000, 150, state.tick)});
    landing.landing = 1;
    ASSERT_TRUE(gf_nextPosNoData(context, landing));
    EXPECT_NEAR(landing.positions.back().groundSpeedKt, 135.0, 1e-9);
    EXPECT_NEAR(landing.positions.back().altitudeFt, 1000.0 - 8 * 10.005, 1e-9);
    EXPECT_EQ(landing.positions.back().verticalSpeedFpm, -667.0);
}

TEST_F(Stream, MadeUpSpeedsOfTakeOffAndLandingRollsFollowTheirTables)
{
    struct Row {
        bool takeOff;
        double fromKt;
        double madeKt;
    };
    // A landing roll slows by 10 kt per made-up position, down to 20 kt.
    const std::vector<Row> rows = {{true, 50, 80},    {true, 120, 150}, {true, 150, 170}, {true, 200, 180},
                                   {false, 150, 140}, {false, 70, 60},  {false, 28, 20},  {false, 20, 20}};
    for (const Row& row : rows) {
        state.live.clear();
        LiveAircraft& ac = taxiing({gf_ground(47.0, 8.0, row.fromKt, state.tick)});
        (row.takeOff ? ac.takeOffRoll : ac.landingRoll) = 1;
        ASSERT_TRUE(gf_nextPosNoData(context, ac));
        EXPECT_EQ(ac.extrapolationCount, 10);
        EXPECT_EQ(ac.positions.back().groundSpeedKt, row.madeKt) << row.fromKt;
        EXPECT_EQ(ac.positions.back().dueTick, state.tick + 300);
    }
}

TEST_F(Stream, AParkedAircraftWithoutDataGetsOnePositionAWeekAheadAndFreesItsStand)
{
    LiveAircraft& ac = taxiing({gf_ground(47.0, 8.0, 0, state.tick)});
    ac.phase = MovementPhase::parked;
    ac.standNumber = 12;
    ac.standOccupied = 1;
    ASSERT_TRUE(gf_nextPosNoData(context, ac));
    EXPECT_EQ(ac.positions.back().dueTick, state.tick + 60'480'000);
    EXPECT_NE(ac.positions.back().stationary, 0);
    EXPECT_EQ(ac.standOccupied, 0);
    EXPECT_EQ(parking.occupancy, (std::vector<std::pair<int32_t, bool>>{{12, false}}));
}

TEST_F(Stream, ATaxiHoldEndsAfterTheHoldingMinutesOrForATaxiingNeighbour)
{
    settings::maxHoldingMinutes.set(3);
    LiveAircraft& ac = taxiing({gf_ground(47.0, 8.0, 0, state.tick)});
    const int32_t start = state.tick;
    int holds = 0;
    while (ac.state == SimObjectState::active) {
        state.tick = ac.positions.front().dueTick;
        nextPosMain(context, ac);
        holds += ac.state == SimObjectState::active ? 1 : 0;
    }
    EXPECT_EQ(state.tick - start, 18'000);
    EXPECT_EQ(holds, 60);

    state.live.clear();
    LiveAircraft& holding = taxiing({gf_ground(47.0, 8.0, 0, state.tick)});
    LiveAircraft neighbour = gf_makeLive(AircraftCategory::Large, MovementPhase::taxi, {gf_ground(47.0, 8.0007, 5, 0)});
    neighbour.groundMode = 1;
    addActive(std::move(neighbour));
    EXPECT_FALSE(gf_nextPosNoData(context, state.live[0])) << "0.028 nm apart, within 1.2 x 0.037 nm";
    static_cast<void>(holding);
}

TEST_F(Stream, ScreensOfThePushBack)
{
    LiveAircraft& ac = taxiing({gf_ground(47.0, 8.0, 3, state.tick)});
    ac.phase = MovementPhase::pushing_back;
    ac.pushBackHoldCounter = 2;
    PositionRecord turning = gf_ground(47.0001, 8.0, 3, state.tick + 3000);
    turning.trackDeg = 90.0;
    decodeExisting(context, ac, turning);
    EXPECT_EQ(ac.positions.size(), 1u);
    EXPECT_TRUE(ac.pushBackTurnKnown != 0 && ac.pushBackTurnSide == 1);

    ac.pushBackTurnKnown = 0;
    settings::straightPbsOnly.set(true);
    decodeExisting(context, ac, turning);
    EXPECT_EQ(ac.pushBackTurnKnown, 0);

    // After the push-back: positions close to where it ended hold, the first one whatever its distance.
    ac.setPhase(MovementPhase::pushed_back);
    ac.pushBackAllowanceNm = noPushBackDistanceYet;
    ac.standNumber = 4;
    const double h = ac.flight.halfWingspanNm;
    decodeExisting(context, ac, gf_ground(47.0 + 4.0 * h * degPerNm, 8.0, 3, state.tick + 3300));
    EXPECT_EQ(ac.positions.size(), 1u);
    EXPECT_NE(ac.holding, 0);
    EXPECT_NEAR(ac.pushBackAllowanceNm, 4.0 * h, 1e-6);
    decodeExisting(context, ac, gf_ground(47.0 + 5.0 * h * degPerNm, 8.0, 8, state.tick + 3600));
    EXPECT_EQ(ac.positions.size(), 2u);
    EXPECT_EQ(ac.phase, MovementPhase::taxi);
    EXPECT_EQ(ac.standNumber, 0);
    EXPECT_EQ(ac.holding, 0);
}

TEST_F(Stream, AParkedAircraftLeavesItsStandOnlyWhenItMovesAway)
{
    LiveAircraft& ac = taxiing({gf_ground(47.0, 8.0, 0, state.tick)});
    ac.phase = MovementPhase::parked;
    ac.standLat = 47.0;
    ac.standLon = 8.0;
    ac.standNumber = 9;
    const double h = ac.flight.halfWingspanNm;
    int32_t due = state.tick + 3000;
    // Noise around the stand is dropped; three steps away that add up to half a span leave it.
    for (const double nm : {0.001, 0.0005, 0.001 + h / 6, 0.001 + h / 3}) {
        decodeExisting(context, ac, gf_ground(47.0 + nm * degPerNm, 8.0, 2, due += 300));
        EXPECT_EQ(ac.positions.size(), 1u) << nm;
    }
    decodeExisting(context, ac, gf_ground(47.0 + (0.001 + h / 2) * degPerNm, 8.0, 2, due += 300));
    ASSERT_EQ(ac.positions.size(), 2u);
    EXPECT_NE(ac.leavingStand, 0);
    EXPECT_EQ(parking.standUses, (std::vector<std::pair<int32_t, StandUseReason>>{{9, StandUseReason::left}}));

    state.live.clear();
    LiveAircraft& gone = taxiing({gf_ground(47.0, 8.0, 0, state.tick)});
    gone.phase = MovementPhase::parked;
    gone.standLat = 47.0;
    gone.standLon = 8.0;
    decodeExisting(context, gone, gf_ground(47.0 + 0.2 * degPerNm, 8.0, 2, due += 300));
    EXPECT_EQ(gone.state, SimObjectState::removingfromsim);
    EXPECT_EQ(parking.standUses.back().second, StandUseReason::goneUnseen);
}

TEST_F(Stream, AnAircraftLeavingItsStandAfterMadeUpDataStartsWithTheDelayOfTheRealOne)
{
    // Parked with its made-up position a week ahead; the real aircraft starts to move off the stand at 3 kt at a
    // moment due 30 s from now and is reported every 3 s.
    LiveAircraft& ac = taxiing({gf_ground(47.0, 8.0, 0, state.tick + 60480000)});
    ac.setPhase(MovementPhase::parked);
    ac.standLat = 47.0;
    ac.standLon = 8.0;
    ac.standNumber = 9;
    ac.extrapolationCount = 1;
    const int32_t startedDue = state.tick + 3000;
    constexpr double nmPerReport = 3.0 * 3.0 / 3600.0;
    for (int report = 1; report <= 10 && ac.leavingStand == 0; ++report) {
        decodeExisting(context, ac,
                       gf_ground(47.0 + report * nmPerReport * degPerNm, 8.0, 3, startedDue + report * 300));
    }
    ASSERT_NE(ac.leavingStand, 0);
    EXPECT_EQ(ac.extrapolationCount, 0);
    EXPECT_NEAR(ac.positions.front().dueTick, startedDue, 1) << "not at the next tick, half a minute early";
}

TEST_F(Stream, ALandingRollTurningRoundStartsFromWhereTheAircraftIs)
{
    LiveAircraft& ac = taxiing({gf_ground(47.0, 8.0, 60, state.tick + 100)});
    ac.landingRoll = 1;
    ac.heading = 0.0;
    ac.latitude = 46.999;
    const PositionRecord behind = gf_ground(46.99, 8.0, 20, state.tick + 3000);
    ac.landing = 1;
    decodeExisting(context, ac, behind);
    EXPECT_EQ(ac.positions.size(), 1u) << "dropped while still landing";
    ac.landing = 0;
    decodeExisting(context, ac, behind);
    ASSERT_EQ(ac.positions.size(), 2u);
    EXPECT_EQ(ac.positions[0].latitude, 46.999);
    EXPECT_EQ(ac.positions[0].dueTick, state.tick + 1);
    EXPECT_EQ(ac.lateWindow, 5000);
}

struct TurnOff {
    const char* name;
    bool touchedDown;
    double speedKt;
    size_t kept; // queued positions after the report north of the last one
};

TEST_F(Stream, ReportsOffTheLandingHeadingAreDroppedUntilTheLandedAircraftTaxis)
{
    // Rolling east; the newest report lies north of the last queued one, 90 deg off the replay's heading.
    const std::vector<TurnOff> rows = {
        {"on the approach", false, 20, 3},
        {"rolling out at 60 kt", true, 60, 3},
        {"turning off at taxi speed", true, 20, 4},
    };
    for (const TurnOff& row : rows) {
        SCOPED_TRACE(row.name);
        state.live.clear();
        LiveAircraft& ac = taxiing({gf_ground(47.0, 8.0, row.speedKt, state.tick + 100),
                                    gf_ground(47.0, 8.002, row.speedKt, state.tick + 400),
                                    gf_ground(47.0, 8.004, row.speedKt, state.tick + 700)});
        ac.heading = 90.0 * radPerDeg;
        ac.landing = row.touchedDown ? 0 : 1;
        ac.landingRoll = row.touchedDown ? 1 : 0;
        decodeExisting(context, ac, gf_ground(47.001, 8.004, row.speedKt, state.tick + 1000));
        ASSERT_EQ(ac.positions.size(), row.kept);
        EXPECT_EQ(ac.positions.back().latitude, 47.001) << "the new report is kept";
    }
}

TEST_F(Stream, AStreamNeverGrowsBeyondItsLimit)
{
    LiveAircraft& ac = flying({gf_air(47.0, 8.0, 5000, 250, state.tick)});
    for (size_t i = 1; i < maxQueuedPositions + 1; ++i) {
        decodeExisting(context, ac, gf_air(47.0 + 0.01 * double(i), 8.0, 5000, 250, state.tick + int32_t(i) * 300));
    }
    EXPECT_EQ(ac.positions.size(), maxQueuedPositions);
    EXPECT_EQ(ac.state, SimObjectState::removingfromsim);
}

struct Screen {
    const char* name;
    std::function<void(LiveAircraft&, PositionRecord&)> set;
    bool kept;
    bool stationary;
};

TEST_F(Stream, FilterOfAReceivedPositionAgainstTheLastOne)
{
    using Ac = LiveAircraft;
    using Pos = PositionRecord;
    const std::vector<Screen> rows = {
        {"moving on the ground", [](Ac&, Pos&) {}, true, false},
        {"same point on the ground", [](Ac&, Pos& p) { p.longitude = 8.0; }, true, true},
        {"same point, airborne", [](Ac&, Pos& p) { p.longitude = 8.0, p.airborne = 1; }, false, true},
        {"same point, flown in the air", [](Ac& ac, Pos& p) { p.longitude = 8.0, ac.groundMode = 0; }, false, true},
        {"same point with speed on a take-off roll at 30 kt",
         [](Ac& ac, Pos& p) { p.longitude = 8.0, ac.takeOffRoll = 1, ac.positions.back().groundSpeedKt = 30; }, false,
         true},
        {"a creep within the noise stops", [](Ac&, Pos& p) { p.longitude = 8.0001; }, true, true},
        {"a creep on a take-off roll at 50 kt",
         [](Ac& ac, Pos& p) { p.longitude = 8.0001, ac.takeOffRoll = 1, ac.positions.back().groundSpeedKt = 50; },
         false, false},
        {"no speed, airborne", [](Ac&, Pos& p) { p.groundSpeedKt = 0, p.airborne = 1; }, false, false},
        {"a rotorcraft keeps a hover",
         [](Ac& ac, Pos& p) { p.longitude = 8.0, p.airborne = 1, ac.flight.category = AircraftCategory::Rotorcraft; },
         true, true},
    };
    for (const Screen& row : rows) {
        SCOPED_TRACE(row.name);
        state.live.clear();
        LiveAircraft& ac = taxiing({gf_ground(47.0, 8.0, 10, state.tick)});
        PositionRecord position = gf_ground(47.0, 8.001, 10, state.tick + 300);
        row.set(ac, position);
        EXPECT_EQ(gf_filterPosition(ac, position), row.kept);
        EXPECT_EQ(position.stationary != 0, row.stationary);
    }
}

TEST_F(Stream, RealDataAfterMadeUpPositionsResumesUnlessItTurnsBack)
{
    LiveAircraft& ac = flying({gf_air(47.0, 8.0, 5000, 250, state.tick + 500)});
    ac.heading = 0.0;
    ac.extrapolationCount = 5;
    decodeExisting(context, ac, gf_air(46.99, 8.0, 5000, 250, state.tick + 3000));
    EXPECT_EQ(ac.positions.size(), 1u) << "behind the aircraft";
    decodeExisting(context, ac, gf_air(47.01, 8.0, 5000, 250, state.tick + 3000));
    ASSERT_EQ(ac.positions.size(), 2u);
    EXPECT_EQ(ac.extrapolationCount, 0);
    EXPECT_EQ(ac.earlyWindow, 3000);
    EXPECT_EQ(ac.positions.front().dueTick, state.tick + 1);

    LiveAircraft& born = add(gf_makeLive(AircraftCategory::Large, MovementPhase::birth, {}));
    decodeExisting(context, born, gf_air(47.0, 8.0, 5000, 250, state.tick));
    EXPECT_TRUE(born.positions.empty()) << "a record without stream takes none";
}

TEST_F(Stream, GroundPositionsStartTheTakeOffRollShortenStopsAndAbortALanding)
{
    LiveAircraft& ac = taxiing({gf_ground(47.0, 8.0, 45, state.tick)});
    decodeExisting(context, ac, gf_ground(47.0, 8.01, 50, state.tick + 300));
    EXPECT_NE(ac.takeOffRoll, 0) << "both speeds at 43 kt or more";

    state.live.clear();
    LiveAircraft& stopping = taxiing({gf_ground(47.0, 8.0, 10, state.tick), gf_ground(47.0, 8.001, 10, state.tick + 300),
                                      gf_ground(47.0, 8.001, 0, state.tick + 600)});
    stopping.positions[2].stationary = 1;
    decodeExisting(context, stopping, gf_ground(47.0, 8.002, 10, state.tick + 900));
    ASSERT_EQ(stopping.positions.size(), 3u) << "a stop of 300 ticks is dropped";
    EXPECT_EQ(stopping.positions.back().longitude, 8.002);

    state.live.clear();
    LiveAircraft& standing = taxiing({gf_ground(47.0, 8.0, 0, state.tick), gf_ground(47.0, 8.0, 0, state.tick + 300)});
    standing.positions[0].stationary = 1;
    standing.positions[1].stationary = 1;
    decodeExisting(context, standing, gf_ground(47.0, 8.0, 0, state.tick + 600));
    EXPECT_EQ(standing.positions.size(), 2u) << "standing still keeps the front and the newest";
    EXPECT_EQ(standing.positions.front().dueTick, state.tick + 1);

    state.live.clear();
    LiveAircraft& landing = taxiing({gf_air(47.0, 8.0, 300, 140, state.tick)});
    landing.landingRoll = 1;
    decodeExisting(context, landing, gf_air(47.01, 8.0, 500, 140, state.tick + 300));
    EXPECT_EQ(landing.phase, MovementPhase::taxi);
    EXPECT_NE(landing.takeOffRoll, 0);
    EXPECT_EQ(landing.lastThrottleIndex, 3u);
    EXPECT_EQ(landing.lateWindow, 5000);
}

TEST_F(Stream, ReceivedPositionsAreTimedAfterTheLastOne)
{
    LiveAircraft& ac = flying({gf_air(47.0, 8.0, 5000, 250, state.tick + 500)});
    decodeExisting(context, ac, gf_air(47.01, 8.0, 5000, 250, state.tick + 400));
    ASSERT_EQ(ac.positions.size(), 2u);
    EXPECT_EQ(ac.positions[1].dueTick, state.tick + 501);
    decodeExisting(context, ac, gf_air(47.01, 8.0, 5000, 250, state.tick + 900));
    EXPECT_EQ(ac.positions.size(), 2u) << "an airborne position that did not move";
}

// A motion whose steps fail or whose stand arrival is scripted.
class ScriptedMotion final : public MotionSteps {
public:
    void stepAirborne(LiveContext& c, LiveAircraft& ac) override { straight.stepAirborne(c, ac); }
    void stepGround(LiveContext& c, LiveAircraft& ac) override { straight.stepGround(c, ac); }
    void stepMotion(LiveContext& c, LiveAircraft& ac) override
    {
        if (failMotion) {
            throw std::out_of_range("deque");
        }
        straight.stepMotion(c, ac);
    }
    void retimeGround(LiveContext& c, LiveAircraft& ac) override { straight.retimeGround(c, ac); }
    void groundPathStep(LiveContext& c, LiveAircraft& ac) override { straight.groundPathStep(c, ac); }
    bool arriveAtStand(LiveContext& c, LiveAircraft& ac) override
    {
        if (arrival == MovementPhase::birth) {
            removeAircraftFromSim(c, ac);
            return true;
        }
        ac.setPhase(arrival);
        return false;
    }
    SpawnStand chooseSpawnStand(LiveContext&, LiveAircraft&) override { return SpawnStand::none; }
    void parkCreated(LiveContext& c, LiveAircraft& ac) override { straight.parkCreated(c, ac); }
    void startTakeOffRoll(LiveContext& c, LiveAircraft& ac) override { straight.startTakeOffRoll(c, ac); }

    bool failMotion = false;
    // The phase the stand arrival leaves; "birth" removes the aircraft.
    MovementPhase arrival = MovementPhase::parked;
    StraightMotion straight;
};

class ScriptedStream : public Stream {
protected:
    ScriptedMotion scripted;
    LiveContext scriptedContext{state, commands, parking, services, scripted, time};
};

TEST_F(ScriptedStream, TheStandArrivalEndsWithTheRulesOfTheNewPhaseOrARemoval)
{
    struct Row {
        MovementPhase arrival;
        bool goesOn;
        int32_t appendedAfter; // ticks after the front's due tick
    };
    for (const Row row : {Row{MovementPhase::parked, true, 60'480'000}, Row{MovementPhase::taxi, true, 300},
                          Row{MovementPhase::birth, false, 0}, Row{MovementPhase::parking, false, 0}}) {
        SCOPED_TRACE(gf_phaseName(row.arrival));
        state.live.clear();
        scripted.arrival = row.arrival;
        LiveAircraft& ac = taxiing({gf_ground(47.0, 8.0, 0, state.tick)});
        ac.phase = MovementPhase::parking;
        EXPECT_EQ(gf_nextPosNoData(scriptedContext, ac), row.goesOn);
        ASSERT_EQ(ac.positions.size(), row.goesOn ? 2u : 1u);
        if (row.goesOn) {
            EXPECT_EQ(ac.positions.back().dueTick - ac.positions.front().dueTick, row.appendedAfter);
        }
    }
}

TEST_F(ScriptedStream, AFailingAircraftIsLoggedOnceAndRemoved)
{
    scripted.failMotion = true;
    LiveAircraft& ac = flying({gf_air(47.0, 8.0, 5000, 250, state.tick + 100), gf_air(47.01, 8.0, 5000, 250, state.tick + 400)});
    for (int i = 0; i < 5; ++i) {
        updateLiveAc(scriptedContext, ac);
        ++state.tick;
    }
    EXPECT_EQ(log.count("updateLiveAc: deque"), 1u);
    EXPECT_EQ(ac.state, SimObjectState::removingfromsim);
    EXPECT_EQ(state.pendingRemovals.size(), 1u);
}

TEST_F(Stream, ALegSearchThatFindsNothingStopsAfterFourPasses)
{
    // A hold copy is stationary, and an aircraft outside ground mode drops stationary positions.
    LiveAircraft& ac = taxiing({gf_ground(47.0, 8.0, 0, state.tick)});
    ac.groundMode = 0;
    nextPosMain(context, ac);
    EXPECT_EQ(log.count("no leg after 4 passes"), 1u);
    EXPECT_EQ(ac.state, SimObjectState::removingfromsim);
}

TEST_F(Stream, AnActiveAircraftSendsItsPositionEveryTickAndAnUnsendableOneIsRemoved)
{
    LiveAircraft& ac = flying({gf_air(47.0, 8.0, 5000, 250, state.tick), gf_air(47.01, 8.0, 5600, 250, state.tick + 300)});
    ac.positions[1].verticalSpeedFpm = 1200;
    EXPECT_FALSE(updateLiveAc(context, ac));
    ASSERT_EQ(commands.fillBuffer().size(), 1u);
    const AiPositionUpdate& sent = commands.fillBuffer().front();
    EXPECT_EQ(sent.objectId, ac.objectId);
    EXPECT_NEAR(sent.data.verticalSpeedFps, 20.0, 1e-9);
    EXPECT_NEAR(sent.data.airspeedKt, 250.0, 1e-9);
    EXPECT_GT(sent.data.latDeg, 47.0);

    commands.fillBuffer().clear();
    ac.pitch = std::nan("");
    updateLiveAc(context, ac);
    EXPECT_TRUE(commands.fillBuffer().empty());
    EXPECT_EQ(log.count("unsendable position"), 1u);
    EXPECT_EQ(ac.state, SimObjectState::removingfromsim);
}

} // namespace
} // namespace hlw::test
