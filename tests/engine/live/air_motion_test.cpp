// The air motion: the attitude rules (pitch of a vertical speed, bank limits and the side the bank leans to, the
// heading chase, the descent rate, the flare heights), the set-up of an air leg (touchdown ahead, low-level climbs,
// the approach by the height above ground) and the per-tick step (flare, nose lowering after touchdown, take-off
// run and climb-out, the floor of the latest ground report).
#include "engine/live/received_positions.h"
#include "headless_driver.h"
#include "motion_fixture.h"

#include "engine/live/air_motion.h"
#include "engine/live/angles.h"
#include "engine/live/attitude.h"
#include "engine/live/live_lifecycle.h"
#include "engine/live/position_stream.h"
#include "engine/live/reply_application.h"
#include "platform/sim/sim_program_ids.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <optional>

namespace hlw::test {
namespace {

constexpr double degPerNm = 1.0 / 60.0;

class AirMotion : public ::testing::Test, public MotionFixture {
  protected:
    // An airborne aircraft near the fixture airport flying north toward a position 2 nm ahead.
    LiveAircraft& cruising(AircraftCategory category, double altitudeFt, double nextAltitudeFt, int32_t dueIn)
    {
        return active(category, MovementPhase::flying,
                      {gf_air(46.9, 8.0, altitudeFt, 240, state.tick),
                       gf_air(46.9 + 2 * degPerNm, 8.0, nextAltitudeFt, 240, state.tick + dueIn)});
    }
    bool eventSent(uint32_t eventId, uint32_t value)
    {
        const std::vector<ClientEventRequest> events = takeEvents();
        return std::ranges::any_of(
            events, [&](const ClientEventRequest& e) { return e.eventId == eventId && e.value == value; });
    }
};

TEST_F(AirMotion, PitchFollowsTheVerticalSpeedWithinTheClimbAndDescentCaps)
{
    struct Row {
        double verticalSpeedFpm;
        double pitchDeg; // nose up negative
    };
    for (const Row row : {Row{0, -3.0}, Row{600, -5.2}, Row{2400, -11.8}, Row{4000, -11.8}, Row{-600, -1.9},
                          Row{-3000, 2.5}, Row{-5000, 2.5}}) {
        EXPECT_NEAR(gf_pitchForVerticalSpeed(row.verticalSpeedFpm) * degPerRad, row.pitchDeg, 1e-9)
            << row.verticalSpeedFpm << " ft/min";
    }
}

TEST_F(AirMotion, AHeavyBanksAtMostTwentyDegreesAtFifteenThousandthsOfADegreePerTick)
{
    LiveAircraft& heavy = cruising(AircraftCategory::Heavy, 5000, 5000, 3000);
    gf_setBankRate(heavy, 30.0 * radPerDeg, 100);
    EXPECT_NEAR(heavy.bankRate * degPerRad, 0.015, 1e-12);
    double largest = 0.0;
    for (int leg = 0; leg < 40; ++leg) {
        gf_setBankRate(heavy, 30.0 * radPerDeg, 100);
        for (int tick = 0; tick < 100; ++tick) {
            heavy.bank += heavy.bankRate;
            largest = std::max(largest, heavy.bank);
        }
    }
    EXPECT_LE(largest * degPerRad, 20.0 + 1e-9);
    EXPECT_NEAR(heavy.bank * degPerRad, 20.0, 0.1);
}

TEST_F(AirMotion, AReceivedBankIsHeldToTheCategoryLimitsInFlightAndAtCreation)
{
    LiveAircraft& heavy = cruising(AircraftCategory::Heavy, 5000, 5000, 200);
    heavy.positions[1].bankRad = 35.0 * radPerDeg;
    gf_stepAirborne(live, heavy, 1013);
    EXPECT_NEAR(heavy.bankRate * degPerRad, 0.015, 1e-12);

    LiveAircraft& created = add(gf_makeLive(
        AircraftCategory::Heavy, MovementPhase::birth,
        {gf_air(46.0, 8.0, 5000, 240, state.tick), gf_air(46.0 + degPerNm, 8.0, 5000, 240, state.tick + 1500)}));
    created.flight.category = AircraftCategory::Heavy;
    created.positions.front().bankRad = -35.0 * radPerDeg;
    spawnLiveAc(context, created);
    ASSERT_EQ(created.state, SimObjectState::adding2sim);
    EXPECT_NEAR(created.bank * degPerRad, -20.0, 1e-9);
}

TEST_F(AirMotion, WithoutAReceivedBankTheAircraftBanksIntoTheTurnRightWingDownToTheRight)
{
    // Banks are sent positive to the left, as the simulator takes them and as received rolls are turned
    // (a roll to the right is a negative bank): a right turn lowers the right wing.
    for (const double turnDeg : {30.0, -30.0}) {
        state.live.clear();
        LiveAircraft& ac = cruising(AircraftCategory::Large, 5000, 5000, 1000);
        const LatLon next{ac.positions[1].latitude, ac.positions[1].longitude};
        const LatLon afterNext = gf_destinationPoint(next, turnDeg * radPerDeg, 12000.0);
        ac.positions.push_back(gf_air(afterNext.lat, afterNext.lon, 5000, 240, state.tick + 2000));
        gf_stepAirborne(live, ac, 1013);
        EXPECT_GT(ac.headingRate * turnDeg, 0.0) << turnDeg;
        EXPECT_LT(ac.bankRate * turnDeg, 0.0) << turnDeg;
    }
}

// Positions that turn 60 deg right within 2 s (a noisy source): the heading turns no faster than the bank flies at
// the leg's speed, g tan(bank) / speed, with a third of a degree per second to spare, and only to the side the bank
// leans; a received bank that leans against the turn the positions show is not taken.
TEST_F(AirMotion, TheHeadingTurnsNoFasterThanTheBankFliesAndToTheSideItLeans)
{
    constexpr double gravity = 9.80665;
    constexpr double marginRadPerTick = 0.3 * radPerDeg / 100.0;
    // The tangent is taken along its chord up to the leg's bank: at most a tenth above it up to 30 deg.
    constexpr double chordAbove = 1.11;
    struct Row {
        const char* name;
        std::optional<double> receivedBankDeg; // positive to the left
        double startBankDeg;
    };
    for (const Row& row : {Row{"no bank received", std::nullopt, 0.0}, Row{"banked into the turn", -15.0, 0.0},
                           Row{"a received bank leaning against the turn", 8.0, 0.0},
                           Row{"still banked the other way", std::nullopt, 10.0}}) {
        state.live.clear();
        LiveAircraft& ac = cruising(AircraftCategory::Large, 5000, 5000, 3000);
        const LatLon next{ac.positions[1].latitude, ac.positions[1].longitude};
        const LatLon afterNext = gf_destinationPoint(next, 60.0 * radPerDeg, 12000.0);
        ac.positions.push_back(gf_air(afterNext.lat, afterNext.lon, 5000, 240, state.tick + 3200));
        ac.positions[1].bankRad = row.receivedBankDeg ? std::optional(*row.receivedBankDeg * radPerDeg) : std::nullopt;
        ac.bank = row.startBankDeg * radPerDeg;
        ac.heading = 0.0;
        gf_stepAirborne(live, ac, 1013);
        EXPECT_LT(ac.bankRate, 0.0) << row.name << ": it banks to the right";
        // The leg flies 2 nm in 30 s: 240 kt.
        const double speedMs = 2.0 * 1852.0 / 30.0;
        double turned = 0.0;
        for (int tick = 0; tick < 2000; ++tick) {
            const double before = ac.heading;
            const double bank = ac.bank;
            step(ac, 1);
            const double turn = gf_normalisePlusMinusPi(ac.heading - before);
            const double flown = std::max(std::abs(bank), std::abs(ac.bank));
            ASSERT_LE(std::abs(turn), chordAbove * gravity * std::tan(flown) / speedMs / 100.0 + marginRadPerTick)
                << row.name << " at tick " << tick;
            ASSERT_TRUE(turn * bank <= 0.0 || std::abs(turn) <= marginRadPerTick + 1e-12)
                << row.name << " at tick " << tick;
            turned += turn;
        }
        EXPECT_GT(turned * degPerRad, 10.0) << row.name << ": it turns all the same";
    }
}

// A helicopter 200 ft above the ground whose next report, due in 10 s, gives a true heading 90 deg to the right (with a
// bank of 0, or none): hovering as at 30 kt it turns as the report asks, with its tail rotor rather than by banking.
TEST_F(AirMotion, AHelicopterTurnsItsHeadingAsItsReportAsksHoveringOrInSlowFlight)
{
    struct Row {
        const char* name;
        double speedKt;
        std::optional<double> receivedBankDeg;
    };
    for (const Row& row : {Row{"hovering at 0.5 kt, a bank of 0 received", 0.5, 0.0},
                           Row{"at 30 kt, no bank received", 30.0, std::nullopt}}) {
        state.live.clear();
        const LatLon next = gf_destinationPoint({47.0, 8.0}, 0.0, row.speedKt * 10.0 / 3600.0 * 6076.11549);
        LiveAircraft& ac = active(AircraftCategory::Rotorcraft, MovementPhase::flying,
                                  {gf_air(47.0, 8.0, 564, row.speedKt, state.tick),
                                   gf_air(next.lat, next.lon, 564, row.speedKt, state.tick + 1000)});
        PositionRecord& report = ac.positions[1];
        report.trueHeadingPresent = 1;
        report.trueHeadingRad = 90.0 * radPerDeg;
        report.bankRad = row.receivedBankDeg ? std::optional(*row.receivedBankDeg * radPerDeg) : std::nullopt;
        ac.heading = 0.0;
        ac.heightAboveGroundFt = 200.0;
        gf_stepAirborne(live, ac, 1013);
        step(ac, 1000);
        EXPECT_NEAR(ac.heading * degPerRad, 90.0, 0.5) << row.name;
    }
}

// Reports 60 m apart, each 20 m to either side of the track north: the heading turns toward the track over 0.15 nm
// beyond the next position, not toward the bearing of the next short leg, 18 deg off to the side.
TEST_F(AirMotion, OverShortNoisyLegsTheHeadingTurnsTowardTheTrackOverASixthOfAMile)
{
    LiveAircraft& ac = cruising(AircraftCategory::Light, 3000, 3000, 300);
    const LatLon next{ac.positions[1].latitude, ac.positions[1].longitude};
    for (int i = 1; i <= 8; ++i) {
        LatLon ahead = gf_destinationPoint(next, 0.0, 60.0 * i / 0.3048);
        ahead = gf_destinationPoint(ahead, (i % 2 == 0 ? 90.0 : 270.0) * radPerDeg, 20.0 / 0.3048);
        ac.positions.push_back(gf_air(ahead.lat, ahead.lon, 3000, 120, state.tick + 300 + 100 * i));
    }
    ac.heading = 0.0;
    gf_stepAirborne(live, ac, 1013);
    // The first short leg bears 18 deg to the left; the stretch of 0.15 nm (278 m) ends 300 m on, 20 m to the left:
    // 4 deg, over the time to its middle.
    EXPECT_LT(ac.headingRate, 0.0);
    EXPECT_LT(std::abs(ac.headingRate) * 300.0 * degPerRad, 4.0);
}

// The first leg after a gap in the data toward a report on another track: a curve that leaves along the heading
// and arrives along the report's track, instead of a straight line across the turn the real aircraft flew; a short
// leg, or one toward a report on the heading, stays straight.
TEST_F(AirMotion, ALongLegTowardAReportOnAnotherTrackIsACurveFromTheHeadingOntoTheTrack)
{
    struct Row {
        const char* name;
        int32_t dueIn;
        double trackDeg;
        bool curve;
    };
    for (const Row& row : {Row{"30 s after a gap, onto a track 45 deg to the right", 3000, 45.0, true},
                           Row{"a leg of 5 s", 500, 45.0, false}, Row{"onto the heading", 3000, 0.0, false}}) {
        state.live.clear();
        // 2 nm north and 0.8 nm east: the report comes in on a track of 45 deg.
        const LatLon next = gf_destinationPoint(gf_destinationPoint({46.9, 8.0}, 0.0, 2.0 * 6076.11549), 90.0 * radPerDeg,
                                                0.8 * 6076.11549);
        LiveAircraft& ac = active(AircraftCategory::Large, MovementPhase::flying,
                                  {gf_air(46.9, 8.0, 5000, 240, state.tick),
                                   gf_air(next.lat, next.lon, 5000, 240, state.tick + row.dueIn)});
        ac.positions[1].trackDeg = row.trackDeg;
        ac.latitude = 46.9;
        ac.longitude = 8.0;
        ac.heading = 0.0;
        gf_stepAirborne(live, ac, 1013);
        EXPECT_EQ(ac.curve.set(), row.curve) << row.name;
        if (!row.curve) {
            continue;
        }
        EXPECT_NEAR(ac.curve.east[1], 0.0, 1e-6) << "it leaves along the heading";
        ac.latStep = 0.0;
        ac.lonStep = 0.0;
        step(ac, row.dueIn);
        EXPECT_LT(gf_distanceNm({ac.latitude, ac.longitude}, next) * metresPerNm, 5.0) << "it arrives at the report";
        EXPECT_GT(ac.heading * degPerRad, 10.0) << "turning onto the track within the bank";
    }
}

TEST_F(AirMotion, TheHeadingChaseStopsWithinHalfADegreeWithoutSwingingAboutTheTarget)
{
    double heading = 0.0;
    int ticks = 0;
    while (std::abs(gf_normalisePlusMinusPi(10.0 * radPerDeg - heading)) > 0.5 * radPerDeg && ticks < 1000) {
        heading = gf_chaseHeading(heading, 10.0 * radPerDeg, 0.15 * radPerDeg);
        ++ticks;
    }
    EXPECT_EQ(ticks, 64);
    // A turn step above the remaining difference lands on the target, never beyond it.
    heading = 0.0;
    for (int i = 0; i < 20; ++i) {
        heading = gf_chaseHeading(heading, 10.0 * radPerDeg, 1.03 * radPerDeg);
        EXPECT_LE(heading, 10.0 * radPerDeg + 1e-12);
    }
    EXPECT_NEAR(heading * degPerRad, 10.0, 0.5);
    EXPECT_NEAR(gf_chaseHeading(359.0 * radPerDeg, 2.0 * radPerDeg, 0.5 * radPerDeg) * degPerRad, 359.5, 1e-9);
}

TEST_F(AirMotion, TheDescentRateIsTheMeanVerticalSpeedShiftedByTheQnh)
{
    struct Row {
        double qnhHpa;
        double expectedFpm;
    };
    for (const Row row : {Row{1013.25, -750.0}, Row{1000.0, -670.5}, Row{1030.0, -850.5}}) {
        EXPECT_NEAR(gf_descentRate(-800, -700, 2000, row.qnhHpa), row.expectedFpm, 1e-9) << row.qnhHpa;
    }
    EXPECT_EQ(gf_descentRate(-800, -700, 100, 1030), -600.0);
    EXPECT_EQ(gf_descentRate(-100, 50, 2000, 1013.25), -601.0);
}

TEST_F(AirMotion, ATouchdownAheadDescendsToTheParkAirportUnlessTheQnhIsHigh)
{
    LiveAircraft& ac = cruising(AircraftCategory::Large, 1364, 0, 3000);
    ac.positions[1].airborne = 0;
    gf_stepAirborne(live, ac, 1013);
    EXPECT_NEAR(ac.altitudeRate, -0.3333, 1e-4);

    state.live.clear();
    LiveAircraft& high = cruising(AircraftCategory::Large, 1364, 0, 3000);
    high.positions[0].verticalSpeedFpm = -800;
    high.positions[1].verticalSpeedFpm = -700;
    high.positions[1].airborne = 0;
    high.heightAboveGroundFt = 1000;
    gf_stepAirborne(live, high, 1030);
    EXPECT_NEAR(high.legVerticalSpeedFpm, -850.5, 1e-9);
    EXPECT_NEAR(high.altitudeRate, -850.5 / 6000.0, 1e-12);
}

TEST_F(AirMotion, LowDownOnlyClimbsAreRaisedToTheClimbFloor)
{
    struct Row {
        const char* name;
        double nextAltitudeFt;
        double expectedRate;
    };
    // 3000 ticks to the next position; height above ground 800 ft.
    for (const Row row : {Row{"a slow climb", 2030, 0.2}, Row{"a descent keeps its rate", 1700, -0.1},
                          Row{"a fast climb is held to the climb limit", 5000, 0.6}}) {
        state.live.clear();
        LiveAircraft& ac = cruising(AircraftCategory::Large, 2000, row.nextAltitudeFt, 3000);
        ac.heightAboveGroundFt = 800;
        gf_stepAirborne(live, ac, 1013);
        EXPECT_NEAR(ac.altitudeRate, row.expectedRate, 1e-9) << row.name;
    }
}

TEST_F(AirMotion, TheApproachBeginsBelowTheApproachHeightAboveGroundNotAltitude)
{
    struct Row {
        double heightFt;
        bool landing;
    };
    // A high field: 4000 ft altitude, descending at 800 ft/min near the park airport.
    for (const Row row : {Row{1800, true}, Row{2100, false}}) {
        state.live.clear();
        LiveAircraft& ac = cruising(AircraftCategory::Large, 4000, 3900, 1000);
        ac.positions[0].verticalSpeedFpm = -800;
        ac.heightAboveGroundFt = row.heightFt;
        gf_stepAirborne(live, ac, 1013);
        EXPECT_EQ(ac.landing != 0, row.landing) << row.heightFt;
        EXPECT_EQ(ac.lastFlapsIndex == 3, row.landing) << row.heightFt;
    }
}

TEST_F(AirMotion, ALandingAircraftClimbingAwayGoesAroundWithGearAndFlapsUp)
{
    struct Row {
        double verticalSpeedFpm;
        bool goesAround;
    };
    for (const Row row : {Row{-800, false}, Row{400, false}, Row{1500, true}}) {
        state.live.clear();
        LiveAircraft& ac = cruising(AircraftCategory::Large, 1200, 1500, 1000);
        ac.positions[0].verticalSpeedFpm = row.verticalSpeedFpm;
        ac.heightAboveGroundFt = 836;
        ac.landing = 1;
        ac.lastFlapsIndex = 3;
        takeEvents();
        gf_stepAirborne(live, ac, 1013);
        EXPECT_EQ(ac.landing == 0, row.goesAround) << row.verticalSpeedFpm;
        EXPECT_EQ(ac.climbConfigured != 0, row.goesAround) << row.verticalSpeedFpm;
        EXPECT_EQ(ac.lastFlapsIndex == 0, row.goesAround) << row.verticalSpeedFpm;
        EXPECT_EQ(eventSent(sim_ids::kClientGearSet, 0), row.goesAround) << row.verticalSpeedFpm;
    }
}

TEST_F(AirMotion, TheFlarePassesItsFourStagesAtTheCgHeightsAndNeverLiftsTheNoseBeyondFourDegrees)
{
    EXPECT_EQ(gf_flareStageHeightFt(1, 8), 38.0);
    EXPECT_EQ(gf_flareStageHeightFt(2, 8), 28.0);
    EXPECT_EQ(gf_flareStageHeightFt(3, 8), 18.0);
    EXPECT_EQ(gf_flareStageHeightFt(4, 8), 11.0);
    LiveAircraft& ac =
        active(AircraftCategory::Large, MovementPhase::flying,
               {gf_air(46.99, 7.97, 430, 140, state.tick), gf_air(47.0, 7.98, 364, 140, state.tick + 3000)});
    ac.landing = 1;
    ac.heightAboveGroundFt = 66;
    ac.altitudeFt = 430;
    ac.pitch = 0.0;
    ac.altitudeRate = -0.2;
    std::vector<double> stageHeights;
    double lowestPitch = 0.0;
    for (int i = 0; i < 3000 && ac.flareStage < 4; ++i) {
        const uint32_t before = ac.flareStage;
        const double height = ac.heightAboveGroundFt;
        step(ac, 1);
        lowestPitch = std::min(lowestPitch, ac.pitch);
        if (ac.flareStage != before) {
            stageHeights.push_back(height);
        }
    }
    ASSERT_EQ(stageHeights.size(), 4u);
    // Each stage begins at the first tick at or below its height (descending at most 0.2 ft per tick).
    const double expected[] = {38.0, 28.0, 18.0, 11.0};
    for (std::size_t i = 0; i < 4; ++i) {
        EXPECT_LE(stageHeights[i], expected[i] + 1e-9) << "stage " << i + 1;
        EXPECT_GT(stageHeights[i], expected[i] - 0.2) << "stage " << i + 1;
    }
    EXPECT_GE(lowestPitch * degPerRad, -4.0 - 1e-9);
}

TEST_F(AirMotion, AfterTouchdownTheNoseMovesToTheStaticPitchFromEitherSideAndStopsOnIt)
{
    struct Row {
        double pitchDeg;
        double rateDegPerTick;
    };
    DriverSimRequests sim;
    for (const Row row : {Row{-4.0, 0.010444}, Row{2.0, -0.002889}}) {
        state.live.clear();
        LiveAircraft& heavy =
            active(AircraftCategory::Heavy, MovementPhase::flying,
                   {gf_air(47.0, 7.99, 372, 140, state.tick), gf_air(47.0, 8.0, 0, 140, state.tick + 1000)});
        heavy.flareStage = 4;
        heavy.pitch = row.pitchDeg * radPerDeg;
        gf_applyOnGroundStatus(live, sim, heavy, {heavy.objectId, 1, 0, SimReplyType::onGroundStatus, 364.0, 8.0});
        EXPECT_NEAR(heavy.pitchRate * degPerRad, row.rateDegPerTick, 1e-6);
        int ticks = 0;
        double previous = heavy.pitch;
        bool monotonic = true;
        while (heavy.touchdown != 0 && ticks < 2000) {
            step(heavy, 1);
            monotonic = monotonic && (heavy.pitch - previous) * row.rateDegPerTick >= 0.0;
            previous = heavy.pitch;
            ++ticks;
        }
        EXPECT_TRUE(monotonic);
        EXPECT_NEAR(ticks, 450, 1);
        EXPECT_DOUBLE_EQ(heavy.pitch, heavy.flight.staticPitchRad);
        step(heavy, 100);
        EXPECT_DOUBLE_EQ(heavy.pitch, heavy.flight.staticPitchRad);
    }
}

TEST_F(AirMotion, ALandedAircraftAbortsItsLandingOnlyForReportsClearOfTheGroundUnderIt)
{
    struct Row {
        double altitudeFt;
        bool aborted;
    };
    // Without a park airport the reader counts roll-out reports above 35 kt as airborne.
    for (const Row row : {Row{420.0, false}, Row{700.0, true}}) {
        state.live.clear();
        LiveAircraft& ac =
            active(AircraftCategory::Large, MovementPhase::taxi,
                   {gf_ground(47.0, 7.99, 100, state.tick), gf_air(47.0, 8.0, row.altitudeFt, 90, state.tick + 300)});
        ac.groundMode = 1;
        ac.landingRoll = 1;
        ac.heading = 90.0 * radPerDeg;
        ac.groundAltitudeFt = 364.0;
        decodeExisting(live, ac, gf_air(47.0, 8.01, row.altitudeFt, 80, state.tick + 600));
        EXPECT_EQ(ac.takeOffRoll != 0, row.aborted) << row.altitudeFt;
    }
}

TEST_F(AirMotion, AfterATouchdownOnlyReportsClimbingAwayOrFastOnTheGroundStartATakeOffRoll)
{
    struct Row {
        const char* what;
        bool landed;
        double altitudeFt; // 0: a ground report
        double speedKt;
        bool takeOffRoll;
    };
    // Without a park airport the reader counts roll-out reports above 35 kt as airborne, at the ground's height.
    const Row rows[] = {
        {"roll-out report at the ground's height", true, 364.0, 70.0, false},
        {"roll-out report in the reader's widest ground band", true, 470.0, 70.0, false},
        {"reports climbing away: a go-around", true, 700.0, 140.0, true},
        {"fast reports on the ground: a take-off after taxiing", true, 0.0, 60.0, true},
        {"not landed: a departure's first airborne report", false, 364.0, 40.0, true},
    };
    for (const Row& row : rows) {
        state.live.clear();
        const auto report = [&](double lon, int32_t due) {
            return row.altitudeFt == 0.0 ? gf_ground(47.0, lon, row.speedKt, due)
                                         : gf_air(47.0, lon, row.altitudeFt, row.speedKt, due);
        };
        LiveAircraft& ac = active(AircraftCategory::Large, MovementPhase::taxi,
                                  {gf_ground(47.0, 7.99, 80, state.tick), report(8.0, state.tick + 300)});
        ac.groundMode = 1;
        ac.landed = row.landed ? 1 : 0;
        ac.heading = 90.0 * radPerDeg;
        ac.groundAltitudeFt = 364.0;
        decodeExisting(live, ac, report(8.01, state.tick + 600));
        EXPECT_EQ(ac.takeOffRoll != 0, row.takeOffRoll) << row.what;
        EXPECT_EQ(ac.landed != 0, row.landed && !row.takeOffRoll) << row.what;
    }
}

TEST_F(AirMotion, AnAirLegKeepsTheTakeOffPhaseAndPutsAnyOtherPhaseIntoFlying)
{
    struct Row {
        MovementPhase before;
        MovementPhase after;
    };
    for (const Row row : {Row{MovementPhase::take_off, MovementPhase::take_off},
                          Row{MovementPhase::flying, MovementPhase::flying},
                          Row{MovementPhase::taxi, MovementPhase::flying},
                          Row{MovementPhase::birth, MovementPhase::flying}}) {
        state.live.clear();
        LiveAircraft& ac = cruising(AircraftCategory::Large, 3000, 3500, 3000);
        ac.phase = row.before;
        gf_stepAirborne(live, ac, 1013);
        EXPECT_EQ(ac.phase, row.after) << gf_phaseName(row.before);
    }
}

TEST_F(AirMotion, ALandingKeepsItsSpeedUntilTheReportsClimbAwayInAGoAround)
{
    struct Row {
        double verticalSpeedFpm;
        double keptSpeedKt;
    };
    // The replay is 30 s behind: the first positions of a go-around arrive while the aircraft still lands.
    for (const Row row : {Row{-700.0, 140.0}, Row{600.0, 140.0}, Row{1500.0, 160.0}}) {
        state.live.clear();
        LiveAircraft& ac = active(AircraftCategory::Large, MovementPhase::flying,
                                  {gf_air(47.0, 8.0, 1000, 140, state.tick),
                                   gf_air(47.0 + 0.2 * degPerNm, 8.0, 900, 140, state.tick + 600)});
        ac.landing = 1;
        PositionRecord climbing = gf_air(47.0 + 0.4 * degPerNm, 8.0, 1000, 160, state.tick + 1200);
        climbing.verticalSpeedFpm = row.verticalSpeedFpm;
        decodeExisting(live, ac, climbing);
        ASSERT_EQ(ac.positions.size(), 3u);
        EXPECT_EQ(ac.positions.back().groundSpeedKt, row.keptSpeedKt) << row.verticalSpeedFpm << " ft/min";
    }
}

TEST_F(AirMotion, TheClimbOutTakesATenthAFifthAHalfThenTheWholeRateAndRaisesTheGearAtThreeHundred)
{
    struct Band {
        int32_t countdown;
        double share;
    };
    for (const Band band : {Band{0, 0.1}, Band{-98, 0.1}, Band{-99, 0.2}, Band{-198, 0.2}, Band{-199, 0.5},
                            Band{-299, 0.5}, Band{-300, 1.0}, Band{-1000, 1.0}}) {
        EXPECT_EQ(gf_climbOutShare(band.countdown), band.share) << band.countdown;
    }
    LiveAircraft& ac = active(
        AircraftCategory::Large, MovementPhase::take_off,
        {gf_air(47.0, 8.0, 400, 160, state.tick), gf_air(47.0 + 3 * degPerNm, 8.0, 3000, 160, state.tick + 5000)});
    ac.phaseCountdown = 1;
    ac.altitudeRate = 0.6;
    ac.pitch = ac.flight.climbPitchRad;
    ac.heightAboveGroundFt = 36;
    takeEvents();
    step(ac, 299);
    EXPECT_NEAR(ac.altitudeFt - 400, 47.94, 1e-9);
    EXPECT_FALSE(eventSent(sim_ids::kClientGearSet, 0));
    step(ac, 2);
    EXPECT_TRUE(eventSent(sim_ids::kClientGearSet, 0));
}

// Without a park airport the reader takes reports on the runway above 35 kt as airborne at the ground's height: an
// aircraft created from them rolls on the ground, on its take-off roll or rolling out as its reports speed up or
// slow down; one created 200 ft above the ground flies.
TEST_F(AirMotion, AnAircraftCreatedOnTheRunwayRollsOnTheGround)
{
    struct Row {
        const char* name;
        double heightAboveGroundFt;
        double nextKt;
        bool groundMode;
        bool takeOffRoll;
        bool landingRoll;
    };
    for (const Row& row : {Row{"speeding up", 0.0, 70.0, true, true, false},
                           Row{"slowing down", 0.0, 50.0, true, false, true},
                           Row{"200 ft above the ground", 200.0, 70.0, false, false, false}}) {
        state.live.clear();
        LiveAircraft& ac = active(AircraftCategory::Large, MovementPhase::flying,
                                  {gf_air(47.0, 8.0, 364, 60, state.tick),
                                   gf_air(47.0, 8.005, 364, row.nextKt, state.tick + 400)});
        ASSERT_TRUE(gf_onObjectCreated(live, ac, 10, row.heightAboveGroundFt));
        EXPECT_EQ(ac.groundMode != 0, row.groundMode) << row.name;
        EXPECT_EQ(ac.takeOffRoll != 0, row.takeOffRoll) << row.name;
        EXPECT_EQ(ac.landingRoll != 0, row.landingRoll) << row.name;
    }
}

TEST_F(AirMotion, TheTakeOffRunStartsWithTheRateAsWritten)
{
    LiveAircraft& ac = active(AircraftCategory::Large, MovementPhase::taxi,
                              {gf_ground(47.0, 7.99, 60, state.tick), gf_air(47.0, 8.0, 50, 150, state.tick + 1000),
                               gf_air(47.0, 8.02, 400, 160, state.tick + 3000)});
    for (PositionRecord& p : ac.positions) {
        p.verticalSpeedFpm = 1500;
    }
    ac.takeOffRoll = 1;
    ac.altitudeFt = 0;
    gf_considerTakeOffRun(live, ac);
    ASSERT_EQ(ac.phase, MovementPhase::take_off);
    // max(0.1, 50 ft) over 1000 ticks, not max(0.1, 50 / 1000).
    EXPECT_NEAR(ac.altitudeRate, 0.05, 1e-12);
}

TEST_F(AirMotion, TheSentAltitudeWaitsAboveTheReportedGroundForTheSimulatorsReport)
{
    LiveAircraft& ac = cruising(AircraftCategory::Large, 400, 0, 3000);
    ac.altitudeRate = -0.5;
    ac.groundAltitudeFt = 364;
    step(ac, 200);
    EXPECT_DOUBLE_EQ(ac.altitudeFt, 372.0);
}

} // namespace
} // namespace hlw::test
