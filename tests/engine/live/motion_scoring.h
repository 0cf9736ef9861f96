#pragma once
// A replayed flight held to its dense reference track: every frame of the simulator's object is compared with
// where the real aircraft was the set delay (30 s) earlier.
//   horizontal error p50 / p95 / max, in the air and on the ground   goals: p95 <= 50 m air, <= 20 m ground
//   altitude error p95 in the air
//   lag: the reference time the object is closest to along the track, less the delay, except within 3 s of a turn
//        of the reference by more than 45 deg    goal: within +-1 s; in the air and at 40 kt or more on the ground
//        within +-1 s or the scenario's tighter bound
//   jump: the step between two frames beyond what the reference speed explains plus 1 m    goal: none
//   turn: in the air, the heading's rate (over 1 s) beyond what the bank flies at the object's speed,
//         g tan(bank) / speed    goal: <= 1 deg/s; frames whose heading turns against the side the bank leans (bank
//         above 2 deg, turn above 0.5 deg/s)    goal: none; the rate beyond the reference's turn rate + 1 deg/s is
//         reported
//   frames below the ground (height above terrain below the static CG height less 1 ft)    goal: none
//   after a touchdown (an object that flew and then moves on the ground), the greatest height above the ground it
//         landed on while the reference is not more than 50 ft above that ground    goal: <= 50 ft
//   lift-off: when the object leaves the ground, less the delay, beside when the reference does    reported
// The reference CSV: "time,lat,lon,alt_ft,gs_kt,track_deg,vrate_fpm,on_ground", time in seconds of the feed.
#include "motion_quality.h"
#include "traffic_feed/scenario.h"

#include <cmath>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace hlw::test {

struct ReferencePoint {
    double time = 0.0;
    double lat = 0.0;
    double lon = 0.0;
    double altitudeFt = 0.0;
    double groundSpeedKt = 0.0;
    double trackDeg = 0.0;
    double verticalFpm = 0.0;
    bool onGround = false;
};

std::vector<ReferencePoint> gf_readReference(const std::filesystem::path& path);
void gf_writeReference(const std::filesystem::path& path, const std::vector<ReferencePoint>& points);
// The dense track (every 0.1 s) of the scenario's first flight, as the feed flies it.
std::vector<ReferencePoint> gf_denseReference(const feed::Scenario& scenario);
// The part of the reference from the first to the last report the program took (feed seconds): where the reader
// drops reports by its rules, or after the data ends, the replay has nothing to follow.
std::vector<ReferencePoint> gf_whileReported(const std::vector<ReferencePoint>& reference, double firstReportTime,
                                             double lastReportTime);

// One frame of the simulator's object: feed seconds, position, attitude (radians, bank positive left), the terrain
// below it and whether the program flies it by the air rules.
struct ObjectFrame {
    double time = 0.0;
    double lat = 0.0;
    double lon = 0.0;
    double altitudeFt = 0.0;
    double headingRad = 0.0;
    double bankRad = 0.0;
    double terrainFt = 0.0;
    double staticCgFt = 0.0;
    bool airborne = false;
    // Driven onto the stand the program chose, at the type's taxi speed: no report's time to keep to.
    bool parking = false;
};

struct FlightScore {
    int64_t airFrames = 0;
    int64_t groundFrames = 0;
    double airP50 = 0.0, airP95 = 0.0, airMax = 0.0;
    double groundP50 = 0.0, groundP95 = 0.0, groundMax = 0.0;
    double altitudeP95 = 0.0;
    double lagMin = 0.0, lagMax = 0.0; // seconds beside the delay
    double fastLagMin = 0.0, fastLagMax = 0.0; // of those, in the air and at 40 kt or more on the ground
    double largestJumpM = 0.0;         // beyond the speed's step plus 1 m
    double turnExcessDegS = 0.0;       // beyond the reference's turn rate + 1 deg/s
    double turnBeyondBankDegS = 0.0;   // in the air, beyond the bank's turn rate
    int64_t framesTurningAgainstBank = 0;
    double heightAfterLandingFt = 0.0; // the greatest, while the reports stay down
    double liftOffOffsetS = std::nan(""); // the object's lift-off less the reference's; NaN unless both lift off
    int64_t framesBelowGround = 0;
    double firstFrameTime = 0.0; // feed seconds of the first frame, less the delay
};

FlightScore gf_scoreFlight(const std::vector<ObjectFrame>& frames, const std::vector<ReferencePoint>& reference,
                           double delaySeconds);

// The score against the goals of a replay, in the order of the summary, the lag in the air and at 40 kt or more on
// the ground within +-fastLagLimitSeconds. The air error is reported: a stand's push-back and parking follow the
// engine's own paths rather than the reports, and made-up positions slow down over a gap in the data.
std::vector<GoalResult> gf_scoreGoalResults(const FlightScore& score, double fastLagLimitSeconds = 1.0);

// "| case | air p50/p95/max | ground p50/p95/max | ... |" rows with the goals marked.
std::string gf_scoreTableHeader();
std::string gf_scoreRow(const std::string& name, const FlightScore& score);

} // namespace hlw::test
