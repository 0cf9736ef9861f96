// The replay's score against its dense reference: the turn a bank flies, the height a landed object climbs to while
// its reports stay down, the lag not read at a sharp corner or onto a stand, a replay late to set off, and the
// reference cut to the reports taken.
#include "motion_scoring.h"

#include "core/geodesy.h"
#include "engine/live/angles.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace hlw::test {
namespace {

constexpr double scoringKnotInMs = 1852.0 / 3600.0;
constexpr double scoringFeetPerMetre = 1.0 / 0.3048;

// Where a straight flight east from 47 N 8 E at the speed is after the seconds.
LatLon lf_eastAfter(double speedKt, double seconds)
{
    return gf_destinationPoint({47.0, 8.0}, 90.0 * radPerDeg, speedKt * scoringKnotInMs * seconds * scoringFeetPerMetre);
}

// A straight reference east at the speed, every 0.1 s for the seconds, at the altitude.
std::vector<ReferencePoint> lf_straightReference(double speedKt, double seconds, double altitudeFt, bool onGround)
{
    std::vector<ReferencePoint> points;
    for (int i = 0; i <= static_cast<int>(std::lround(seconds * 10.0)); ++i) {
        const double t = i / 10.0;
        const LatLon at = lf_eastAfter(speedKt, t);
        points.push_back({t, at.lat, at.lon, altitudeFt, speedKt, 90.0, 0.0, onGround});
    }
    return points;
}

// Frames every tick along that flight 30 s later, within its reference, with the heading turning at turnDegPerS
// and the bank given.
std::vector<ObjectFrame> lf_framesOnReference(double speedKt, double seconds, double turnDegPerS, double bankDeg)
{
    std::vector<ObjectFrame> frames;
    for (int tick = 0; tick < static_cast<int>(std::lround(seconds * 100.0)); ++tick) {
        const double t = tick / 100.0;
        const LatLon at = lf_eastAfter(speedKt, t);
        frames.push_back({t + 30.0, at.lat, at.lon, 3000.0, (90.0 + turnDegPerS * t) * radPerDeg, bankDeg * radPerDeg,
                          0.0, 8.0, true});
    }
    return frames;
}

TEST(MotionScoring, AnAirTurnIsHeldToWhatItsBankFliesAtItsSpeed)
{
    struct Row {
        const char* name;
        double turnDegPerS;
        double bankDeg; // positive to the left
        double beyondAtLeast;
        double beyondAtMost;
    };
    // At 120 kt a bank of 18.3 deg flies 3 deg/s.
    for (const Row& row : {Row{"3 deg/s without a bank", 3.0, 0.0, 2.9, 3.1},
                           Row{"3 deg/s right on its bank", 3.0, -18.3, -0.1, 0.1},
                           Row{"straight, banked", 0.0, 10.0, -10.0, 0.0}}) {
        const FlightScore score = gf_scoreFlight(lf_framesOnReference(120.0, 60.0, row.turnDegPerS, row.bankDeg),
                                                 lf_straightReference(120.0, 60.0, 3000.0, false), 30.0);
        EXPECT_GE(score.turnBeyondBankDegS, row.beyondAtLeast) << row.name;
        EXPECT_LE(score.turnBeyondBankDegS, row.beyondAtMost) << row.name;
    }
    const FlightScore against = gf_scoreFlight(lf_framesOnReference(120.0, 60.0, 3.0, 18.3),
                                               lf_straightReference(120.0, 60.0, 3000.0, false), 30.0);
    EXPECT_GT(against.framesTurningAgainstBank, 5000) << "a right turn banked left";
}

TEST(MotionScoring, ALandedObjectMayClimbOnlyWhileItsReportsClimbAway)
{
    // Flying at 400 ft above the ground at 364 ft for 10 s, landed for 10 s, then 500 ft up for 10 s.
    std::vector<ReferencePoint> reference = lf_straightReference(140.0, 30.0, 364.0, true);
    std::vector<ObjectFrame> frames = lf_framesOnReference(140.0, 30.0, 0.0, 0.0);
    for (ObjectFrame& frame : frames) {
        frame.terrainFt = 364.0;
        const double t = frame.time - 30.0;
        frame.airborne = t < 10.0 || t >= 20.0;
        frame.altitudeFt = t < 10.0 ? 764.0 : t < 20.0 ? 372.0 : 864.0;
    }
    EXPECT_NEAR(gf_scoreFlight(frames, reference, 30.0).heightAfterLandingFt, 492.0, 1e-9) << "reports stay down";
    for (ReferencePoint& point : reference) {
        if (point.time >= 19.0) {
            point.altitudeFt = 900.0;
            point.onGround = false;
        }
    }
    EXPECT_LT(gf_scoreFlight(frames, reference, 30.0).heightAfterLandingFt, 50.0) << "reports climb away";
}

TEST(MotionScoring, TheLagIsNotReadNearASharpCorner)
{
    // East for 30 s, then north: a replay that cuts the corner by 20 m on a 45 deg line lies nearest to the one
    // leg, then the other.
    std::vector<ReferencePoint> reference = lf_straightReference(15.0, 30.0, 0.0, false);
    const LatLon corner{reference.back().lat, reference.back().lon};
    for (int i = 1; i <= 300; ++i) {
        const double t = i / 10.0;
        const LatLon at = gf_destinationPoint(corner, 0.0, 15.0 * scoringKnotInMs * t * scoringFeetPerMetre);
        reference.push_back({30.0 + t, at.lat, at.lon, 0.0, 15.0, 0.0, 0.0, false});
    }
    std::vector<ObjectFrame> frames = lf_framesOnReference(15.0, 30.0, 0.0, 0.0);
    for (int tick = 0; tick < 3000; ++tick) {
        const double t = 30.0 + tick / 100.0;
        const LatLon at = gf_destinationPoint(corner, 0.0, 15.0 * scoringKnotInMs * (t - 30.0) * scoringFeetPerMetre);
        frames.push_back({t + 30.0, at.lat, at.lon, 0.0, 0.0, 0.0, 0.0, 8.0, false});
    }
    const double legM = 15.0 * scoringKnotInMs * 30.0;
    for (ObjectFrame& frame : frames) {
        const double t = frame.time - 30.0;
        if (std::abs(t - 30.0) < 2.5) {
            // On the chord from 2.5 s before the corner to 2.5 s after it.
            const double s = (t - 27.5) / 5.0;
            const double east = legM - 2.5 * 15.0 * scoringKnotInMs * (1.0 - s);
            const double north = 2.5 * 15.0 * scoringKnotInMs * s;
            const LatLon along = gf_destinationPoint({47.0, 8.0}, 90.0 * radPerDeg, east * scoringFeetPerMetre);
            const LatLon at = gf_destinationPoint(along, 0.0, north * scoringFeetPerMetre);
            frame.lat = at.lat;
            frame.lon = at.lon;
        }
        frame.airborne = false;
    }
    const FlightScore score = gf_scoreFlight(frames, reference, 30.0);
    EXPECT_LT(std::abs(score.lagMin), 0.05);
    EXPECT_LT(std::abs(score.lagMax), 0.05);
}

// A taxi that stands 10 s, then moves east at 15 kt for 30 s; the replay sets off 0.8 s late. Standing on the spot
// that the reference held for 10 s, it is read as 0.8 s late, not as late as the search reaches; driven onto its
// stand 3 s late meanwhile, it is not read at all.
TEST(MotionScoring, TheLagOfAReplayLateToSetOffIsItsDelayUnlessItParks)
{
    std::vector<ReferencePoint> reference;
    for (int i = 0; i <= 400; ++i) {
        const double t = i / 10.0;
        const LatLon at = lf_eastAfter(15.0, std::max(0.0, t - 10.0));
        reference.push_back({t, at.lat, at.lon, 0.0, t < 10.0 ? 0.0 : 15.0, 90.0, 0.0, true});
    }
    for (const double lateSeconds : {0.8, 3.0}) {
        const bool parking = lateSeconds > 1.0;
        std::vector<ObjectFrame> frames;
        for (int tick = 0; tick < 4000; ++tick) {
            const double t = tick / 100.0;
            const LatLon at = lf_eastAfter(15.0, std::max(0.0, t - 10.0 - lateSeconds));
            frames.push_back({t + 30.0, at.lat, at.lon, 0.0, 90.0 * radPerDeg, 0.0, 0.0, 8.0, false, parking});
        }
        const FlightScore score = gf_scoreFlight(frames, reference, 30.0);
        EXPECT_NEAR(score.lagMax, parking ? 0.0 : lateSeconds, 0.05) << lateSeconds;
        EXPECT_GT(score.lagMin, -0.05) << lateSeconds;
    }
}

TEST(MotionScoring, TheReferenceIsCutToTheReportsTheReaderTook)
{
    const std::vector<ReferencePoint> reference = lf_straightReference(140.0, 60.0, 3000.0, false);
    const std::vector<ReferencePoint> reported = gf_whileReported(reference, 10.0, 40.0);
    ASSERT_FALSE(reported.empty());
    EXPECT_NEAR(reported.front().time, 10.0, 1e-9);
    EXPECT_NEAR(reported.back().time, 40.0, 1e-9);
}

} // namespace
} // namespace hlw::test
