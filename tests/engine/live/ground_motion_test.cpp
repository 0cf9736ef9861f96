// The ground motion: the curve of a turn, the pull-out and the push-back off a stand with their units, the turn
// step scaled to the ground path, which turns get curves, the take-off roll's throttle, and a roll timed by its
// reports.
#include "motion_fixture.h"

#include "engine/live/angles.h"
#include "engine/live/ground_motion.h"
#include "engine/live/position_stream.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

namespace hlw::test {
namespace {

constexpr double degPerNm = 1.0 / 60.0;
constexpr double feetPerNm = 6076.11549;

double lf_metres(const LatLon& a, const LatLon& b)
{
    return gf_distanceNm(a, b) * metresPerNm;
}
LatLon lf_at(const PositionRecord& p)
{
    return {p.latitude, p.longitude};
}

// A stand at 47 N 8 E facing east.
StandRecord lf_standFacingEast()
{
    StandRecord stand;
    stand.latitude = 47.0;
    stand.longitude = 8.0;
    stand.heading = 90.0 * radPerDeg;
    return stand;
}

class GroundMotion : public ::testing::Test, public MotionFixture {
  protected:
    LiveAircraft& taxiing(std::vector<PositionRecord> stream)
    {
        LiveAircraft& ac = active(AircraftCategory::Large, MovementPhase::taxi, std::move(stream));
        ac.groundMode = 1;
        return ac;
    }
    LiveAircraft& parkedAt(const StandRecord& stand, double halfSpanNm)
    {
        LiveAircraft& ac = active(AircraftCategory::Large, MovementPhase::parked,
                                  {gf_ground(stand.latitude, stand.longitude, 0, state.tick)});
        ac.groundMode = 1;
        ac.flight.halfWingspanNm = halfSpanNm;
        ac.standLat = stand.latitude;
        ac.standLon = stand.longitude;
        ac.standHeading = stand.heading;
        ac.standNumber = stand.standNumber;
        ac.heading = stand.heading;
        return ac;
    }
};

TEST_F(GroundMotion, TheCurvePassesItsControlPointsWithTheHeadingOfItsTangent)
{
    GroundCurve curve;
    curve.startLat = 50.0;
    curve.startLon = 8.0;
    curve.east[0] = curve.north[0] = 0.0;
    curve.east[1] = 0.0;
    curve.north[1] = 100.0;
    curve.east[2] = 100.0;
    curve.north[2] = 100.0;
    curve.startTime = 0.0;
    curve.endTime = 1.0;
    double lat = 0.0;
    double lon = 0.0;
    double heading = 0.0;
    ASSERT_TRUE(gf_curvePosition(curve, 0.5, lat, lon, heading));
    EXPECT_NEAR(lat, 50.000674867, 1e-9);
    EXPECT_NEAR(lon, 8.000349969, 1e-9);
    EXPECT_NEAR(heading * degPerRad, 45.0, 1e-9);
    EXPECT_FALSE(gf_curvePosition(curve, 1.01, lat, lon, heading));
    EXPECT_FALSE(gf_curvePosition(GroundCurve{}, 0.5, lat, lon, heading));
}

// A turn round a corner of 90 deg, 100 m either side, is flown at one speed: its time runs faster where its points
// move slower (at the apex they move at 0.7 of the ends' pace), and it ends after about as many ticks as at an even
// pace; between reports of 15 and 5 kt its speed changes steadily from the one to the other in the same time.
TEST_F(GroundMotion, ACurveIsFlownAtOneSpeedAlongItsLengthOrChangesItSteadily)
{
    struct Row {
        double startKt;
        double endKt;
        double lastOverFirst; // the last step over the first
    };
    for (const Row row : {Row{15.0, 15.0, 1.0}, Row{15.0, 5.0, 1.0 / 3.0}}) {
        state.live.clear();
        const LatLon corner = gf_destinationPoint({47.0, 8.0}, 90.0 * radPerDeg, 100.0 / 0.3048);
        const LatLon after = gf_destinationPoint(corner, 0.0, 100.0 / 0.3048);
        LiveAircraft& ac = taxiing({gf_ground(47.0, 8.0, row.startKt, state.tick),
                                    gf_ground(corner.lat, corner.lon, 10, state.tick + 2000),
                                    gf_ground(after.lat, after.lon, row.endKt, state.tick + 4000)});
        ac.latitude = 47.0;
        ac.longitude = 8.0;
        gf_makeTurnCurve(ac);
        ASSERT_TRUE(ac.curve.set());
        const int ticks = 2000;
        double curveTime = 0.0;
        double share = 0.0;
        LatLon last{47.0, 8.0};
        std::vector<double> steps;
        while (curveTime < 1.0 && steps.size() < 2 * ticks) {
            const double speedChange = gf_curveSpeedChange(ac.curve, share);
            curveTime += gf_curvePace(ac.curve, curveTime, speedChange) / ticks;
            share += speedChange / ticks;
            double lat = 0.0;
            double lon = 0.0;
            double heading = 0.0;
            if (!gf_curvePosition(ac.curve, curveTime, lat, lon, heading)) {
                break;
            }
            steps.push_back(lf_metres(last, {lat, lon}));
            last = {lat, lon};
        }
        ASSERT_GT(steps.size(), 100u);
        EXPECT_NEAR(steps.back() / steps.front(), row.lastOverFirst, 0.02) << row.endKt;
        // At one speed, or slowing down steadily, the curve takes its leg's time.
        EXPECT_NEAR(double(steps.size()), ticks, ticks / 50) << row.endKt;
        if (row.startKt == row.endKt) {
            EXPECT_LT(*std::ranges::max_element(steps) / *std::ranges::min_element(steps), 1.02);
        } else {
            // A steady deceleration: halfway through the time the speed is the mean of the ends' speeds.
            EXPECT_NEAR(steps[steps.size() / 2] / steps.front(), (row.startKt + row.endKt) / 2.0 / row.startKt, 0.02);
        }
    }
}

TEST_F(GroundMotion, APullOutGoesTwiceTheHalfSpanAlongTheStandAtTaxiSpeed)
{
    LiveAircraft& ac = parkedAt(lf_standFacingEast(), 0.01);
    gf_pullOut(live, ac);
    ASSERT_EQ(ac.positions.size(), 2u);
    const PositionRecord& target = ac.positions.back();
    EXPECT_NEAR(gf_distanceNm({47.0, 8.0}, lf_at(target)) * feetPerNm, 121.52, 0.01);
    EXPECT_NEAR(gf_bearingRad({47.0, 8.0}, lf_at(target)) * degPerRad, 90.0, 0.01);
    EXPECT_EQ(target.dueTick - state.tick, 1800);
    EXPECT_EQ(ac.phase, MovementPhase::taxi);
    EXPECT_EQ(ac.positions.front().groundSpeedKt, 4.0);
}

// The reports that showed the real aircraft leaving: those within the pull-out's 0.02 nm give way to it, those
// beyond its end stay behind it.
TEST_F(GroundMotion, APullOutKeepsTheReportsBeyondItsEnd)
{
    LiveAircraft& ac = parkedAt(lf_standFacingEast(), 0.01);
    for (const double nm : {0.01, 0.03, 0.05}) {
        const LatLon at = gf_destinationPoint({47.0, 8.0}, 90.0 * radPerDeg, nm * feetPerNm);
        ac.positions.push_back(gf_ground(at.lat, at.lon, 5, state.tick + int32_t(nm * 100000)));
    }
    gf_pullOut(live, ac);
    ASSERT_EQ(ac.positions.size(), 4u);
    EXPECT_NEAR(gf_distanceNm({47.0, 8.0}, lf_at(ac.positions[1])), 0.02, 1e-6) << "the pull-out's end";
    EXPECT_NEAR(gf_distanceNm({47.0, 8.0}, lf_at(ac.positions[2])), 0.03, 1e-6);
    EXPECT_NEAR(gf_distanceNm({47.0, 8.0}, lf_at(ac.positions[3])), 0.05, 1e-6);
}

TEST_F(GroundMotion, APushBackReversesTwoAndAHalfStandRadiiWithTheCurveEndsAHalfSpanToEitherSide)
{
    const StandRecord& stand = airport.stand("A1"); // radius 20 m, nose north
    LiveAircraft& ac = parkedAt(stand, 0.01);
    gf_startPushBack(live, ac);
    ASSERT_EQ(ac.positions.size(), 4u);
    const LatLon at{stand.latitude, stand.longitude};
    const PositionRecord& middle = ac.positions[1];
    const PositionRecord& back = ac.positions[2];
    EXPECT_NEAR(lf_metres(at, lf_at(back)), 50.0, 0.01);
    EXPECT_NEAR(gf_bearingRad(at, lf_at(back)) * degPerRad, 180.0, 0.01);
    EXPECT_EQ(back.dueTick - state.tick, 2430);
    EXPECT_NEAR(lf_metres(at, lf_at(middle)), 25.0, 0.01);
    const LatLon minus = lf_at(ac.positions[3]);
    const LatLon plus = lf_at(ac.savedPositionRecord);
    EXPECT_NEAR(lf_metres(lf_at(back), minus), 18.52, 0.01);
    EXPECT_NEAR(lf_metres(lf_at(back), plus), 18.52, 0.01);
    EXPECT_NEAR(lf_metres(minus, plus), 37.04, 0.01);
    EXPECT_EQ(ac.phase, MovementPhase::pushing_back);
    EXPECT_EQ(ac.pushBackHoldCounter, 2);
}

TEST_F(GroundMotion, ThePushBackCurveLastsNinetyDegreesAtTheTurnStepInItsUnitMix)
{
    struct Row {
        AircraftCategory category;
        int32_t ticks;
    };
    for (const Row row : {Row{AircraftCategory::Light, 344}, Row{AircraftCategory::Buzjets, 516},
                          Row{AircraftCategory::HighPerf, 516}, Row{AircraftCategory::Large, 737},
                          Row{AircraftCategory::Heavy, 1031}, Row{AircraftCategory::Rotorcraft, 258}}) {
        FlightRecord flight;
        gf_setPerformance(flight, row.category);
        EXPECT_EQ(gf_pushBackCurveTicks(flight), row.ticks) << static_cast<int>(row.category);
    }
}

TEST_F(GroundMotion, TheTurnStepOfACurveIsScaledWithThirtyMetresInNauticalMiles)
{
    LiveAircraft& ac =
        taxiing({gf_ground(47.0, 8.0, 10, state.tick), gf_ground(47.0 + 0.05 * degPerNm, 8.0, 10, state.tick + 1800)});
    // The curve is timed along its length: here 0.05 nm, its control point half way.
    ac.curve.startTime = 0.0;
    ac.curve.endTime = 1.0;
    ac.curve.east[1] = ac.curve.east[2] = 0.0;
    ac.curve.north[1] = 0.025 * 1852.0;
    ac.curve.north[2] = 0.05 * 1852.0;
    ac.turnAngleDeg = 30.0;
    const double step = ac.flight.normalTurnStepRad;
    gf_groundPathStep(live, ac);
    const double turns = std::round(30.0 / step / 100.0);
    const double v = 1800.0 / turns;
    const double r = std::min(v * 10.0 / 30.0, v * (30.0 / 1852.0) / 0.05);
    EXPECT_NEAR(ac.flight.turnStepRad, step / r, 1e-12);
    EXPECT_EQ(ac.positions[1].dueTick - state.tick, 1800);
}

TEST_F(GroundMotion, OnlyTurnsBetweenThreeAndOneHundredSixtyDegreesBecomeCurves)
{
    struct Row {
        double turnDeg;
        bool curve;
    };
    for (const Row row : {Row{2.0, false}, Row{30.0, true}, Row{120.0, true}, Row{170.0, false}}) {
        state.live.clear();
        const LatLon next{47.0 + 0.01 * degPerNm, 8.0};
        const LatLon after = gf_destinationPoint(next, row.turnDeg * radPerDeg, 100.0);
        LiveAircraft& ac =
            taxiing({gf_ground(47.0, 8.0, 10, state.tick), gf_ground(next.lat, next.lon, 10, state.tick + 400),
                     gf_ground(after.lat, after.lon, 10, state.tick + 700)});
        ac.heading = 0.0;
        gf_nextPosGround(live, ac);
        EXPECT_EQ(ac.curve.set(), row.curve) << row.turnDeg;
    }
}

TEST_F(GroundMotion, ASpeedChangeOfMoreThanFiveKnotsOverAHundredMetresOfRealDataGetsAPointBetween)
{
    struct Row {
        const char* name;
        double nextKt;
        double metres;
        int32_t extrapolation;
        std::size_t positions;
    };
    for (const Row row : {Row{"25 to 5 kt over 200 m", 5.0, 200.0, 0, 3u}, Row{"25 to 20 kt", 20.0, 200.0, 0, 2u},
                          Row{"25 to 5 kt over 80 m", 5.0, 80.0, 0, 2u},
                          Row{"made-up positions", 5.0, 200.0, 1, 2u}}) {
        state.live.clear();
        const LatLon next = gf_destinationPoint({47.0, 8.0}, 0.0, row.metres / 0.3048);
        LiveAircraft& ac =
            taxiing({gf_ground(47.0, 8.0, 25, state.tick), gf_ground(next.lat, next.lon, row.nextKt, state.tick + 1500)});
        ac.heading = 0.0;
        ac.extrapolationCount = row.extrapolation;
        gf_nextPosGround(live, ac);
        EXPECT_EQ(ac.positions.size(), row.positions) << row.name;
    }
}

// From a standstill the aircraft stands until the real one set off: the leg at the first speed reported after the
// stop (perhaps a report late) before its report is due; setting off at right angles or more to its heading, as
// after a push-back, it stands as long and turns toward the leg meanwhile.
TEST_F(GroundMotion, ALegFromAStandstillStandsUntilTheRealAircraftSetOff)
{
    struct Row {
        const char* name;
        double headingDeg;
        double nextKt;       // the next report, 100 m east
        double thirdKt;      // the one after it, 200 m east
        int32_t standsUntil; // relative to now; 0: no stand
    };
    // 100 m at 10 kt take 1944 ticks; the next report is due in 3000.
    for (const Row row : {Row{"set off at 10 kt", 90.0, 10.0, 10.0, 3000 - 1944},
                          Row{"its speed a report late", 90.0, 0.0, 10.0, 3000 - 1944},
                          Row{"no speed reported yet", 90.0, 0.0, 0.0, 0},
                          Row{"setting off into a turn of 120 deg", 330.0, 10.0, 10.0, 3000 - 1944}}) {
        state.live.clear();
        const LatLon next = gf_destinationPoint({47.0, 8.0}, 90.0 * radPerDeg, 100.0 / 0.3048);
        const LatLon third = gf_destinationPoint({47.0, 8.0}, 90.0 * radPerDeg, 200.0 / 0.3048);
        LiveAircraft& ac = taxiing({gf_ground(47.0, 8.0, 0, state.tick), gf_ground(next.lat, next.lon, row.nextKt,
                                                                                  state.tick + 3000),
                                    gf_ground(third.lat, third.lon, row.thirdKt, state.tick + 5000)});
        ac.positions.front().stationary = 1;
        ac.heading = row.headingDeg * radPerDeg;
        gf_nextPosGround(live, ac);
        if (row.standsUntil == 0) {
            EXPECT_EQ(ac.positions[1].stationary, 0) << row.name;
            continue;
        }
        ASSERT_EQ(ac.positions.size(), 4u) << row.name;
        EXPECT_NE(ac.positions[1].stationary, 0) << row.name;
        EXPECT_NEAR(ac.positions[1].dueTick - state.tick, row.standsUntil, 1) << row.name;
        EXPECT_EQ(ac.positions[1].latitude, 47.0) << row.name;
        const bool turnsWhileStanding = row.headingDeg == 330.0;
        EXPECT_EQ(ac.turnToBearing != 0, turnsWhileStanding) << row.name;
        if (turnsWhileStanding) {
            EXPECT_NEAR(ac.bearingToNext * degPerRad, 90.0, 0.1) << row.name;
            // A second of the stand: the heading comes round at the turn step; the aircraft stays where it is.
            ac.positions.front().dueTick = state.tick + 1;
            ac.latitude = 47.0;
            ac.longitude = 8.0;
            for (int tick = 0; tick < 100; ++tick) {
                updateLiveAc(live, ac);
            }
            EXPECT_NEAR(ac.heading * degPerRad, 330.0 + 100.0 * ac.flight.turnStepRad * degPerRad, 0.01) << row.name;
            EXPECT_EQ(ac.latitude, 47.0) << row.name;
        }
    }
}

// A report at 0 kt that the aircraft moved to is a stop: the leg keeps the speed it comes with (a twentieth
// slower toward the report's due tick) and the aircraft stands at its end, sooner than the early window allows.
TEST_F(GroundMotion, ALegToAStopKeepsItsSpeedAndStandsAtItsEnd)
{
    const LatLon stop = gf_destinationPoint({47.0, 8.0}, 90.0 * radPerDeg, 20.0 / 0.3048);
    LiveAircraft& ac = taxiing({gf_ground(47.0, 8.0, 10, state.tick), gf_ground(stop.lat, stop.lon, 0, state.tick + 5000)});
    ac.heading = 90.0 * radPerDeg;
    gf_nextPosGround(live, ac);
    // 20 m at 10 kt: 389 ticks, and a twentieth of them.
    EXPECT_EQ(ac.positions[1].dueTick - state.tick, 389 + 19);
}

TEST_F(GroundMotion, TheTakeOffRollOpensTheThrottleByTheGroundSpeed)
{
    struct Row {
        double frontKt;
        double nextKt;
        uint32_t throttle;
    };
    for (const Row row : {Row{10, 12, 0}, Row{15, 12, 1}, Row{12, 25, 2}, Row{25, 20, 4}}) {
        state.live.clear();
        LiveAircraft& ac = taxiing({gf_ground(47.0, 8.0, row.frontKt, state.tick),
                                    gf_ground(47.0 + 0.1 * degPerNm, 8.0, row.nextKt, state.tick + 2000)});
        ac.takeOffRoll = 1;
        gf_stepGround(live, ac);
        EXPECT_EQ(ac.lastThrottleIndex, row.throttle) << row.frontKt << " " << row.nextKt;
    }
}

// On a roll the positions and their times are the truth and the reported speeds a hint: reports 6 s apart of an
// aircraft speeding up or slowing down steadily, each carrying the speed of 7 s before, are each reached when due,
// within 3 kt of the real speed all the way, which changes by less than 5 kt at a time.
TEST_F(GroundMotion, ARollReachesEachReportWhenDueWhateverSpeedsTheyCarry)
{
    struct Row {
        const char* name;
        double fromKt;
        double knotsPerSecond;
    };
    for (const Row row : {Row{"take-off roll", 50.0, 4.0}, Row{"landing roll-out", 130.0, -3.0}}) {
        state.live.clear();
        const int32_t start = state.tick;
        std::vector<PositionRecord> reports;
        for (const double t : {0.0, 6.0, 12.0, 18.0, 24.0}) {
            const double metres = (row.fromKt * t + row.knotsPerSecond * t * t / 2.0) * metresPerNm / 3600.0;
            const LatLon at = gf_destinationPoint({47.0, 8.0}, 90.0 * radPerDeg, metres * feetPerNm / metresPerNm);
            const double reportedKt = row.fromKt + row.knotsPerSecond * std::max(0.0, t - 7.0);
            reports.push_back(gf_ground(at.lat, at.lon, reportedKt, start + static_cast<int32_t>(t * 100.0)));
        }
        LiveAircraft& ac = taxiing(reports);
        ac.heading = ac.headingAtTouchdown = 90.0 * radPerDeg;
        ac.legReceivedDueTick = start;
        (row.knotsPerSecond > 0.0 ? ac.takeOffRoll : ac.landingRoll) = 1;
        double lastKt = 0.0;
        double largestStepKt = 0.0;
        double largestOffKt = 0.0;
        double largestMissM = 0.0;
        for (std::size_t i = 1; i + 1 < reports.size(); ++i) {
            while (state.tick < reports[i].dueTick) {
                const LatLon from{ac.latitude, ac.longitude};
                updateLiveAc(live, ac);
                ++state.tick;
                const double kt = gf_distanceNm(from, {ac.latitude, ac.longitude}) * 360000.0;
                const double trueKt = row.fromKt + row.knotsPerSecond * (state.tick - start) / 100.0;
                largestOffKt = std::max(largestOffKt, std::abs(kt - trueKt));
                largestStepKt = std::max(largestStepKt, lastKt > 0.0 ? std::abs(kt - lastKt) : 0.0);
                lastKt = kt;
            }
            largestMissM = std::max(largestMissM, lf_metres({ac.latitude, ac.longitude}, lf_at(reports[i])));
        }
        EXPECT_LT(largestMissM, 1.0) << row.name;
        EXPECT_LT(largestOffKt, 3.0) << row.name;
        EXPECT_LT(largestStepKt, 5.0) << row.name;
    }
}

} // namespace
} // namespace hlw::test
