#include "motion_scoring.h"

#include "core/geodesy.h"
#include "engine/live/angles.h"
#include "traffic_feed/flight_path.h"

#include <fmt/format.h>

#include <algorithm>
#include <cmath>
#include <fstream>
#include <iterator>
#include <optional>
#include <sstream>
#include <stdexcept>

namespace hlw::test {

namespace {

constexpr double metresPerNm = 1852.0;
constexpr double gravity = 9.80665;
// Below this speed (m/s) an object's heading is not held to its bank.
constexpr double bankTurnSpeedFloor = 15.0;
// The lag is not measured within this many seconds of a turn of the reference by more than this many degrees: the
// curve that rounds such a corner runs from the report before it to the one after it, up to 5 s apart on the ground.
constexpr double cornerSeconds = 5.0;
constexpr double sharpCornerDeg = 45.0;
// From this ground speed (kt) on the ground the lag has the scenario's bound.
constexpr double fastGroundKt = 40.0;
// A landed object may rise this far above the ground it landed on only when the reports climb away (ft).
constexpr double climbAwayFt = 50.0;
constexpr double denseStepSeconds = 0.1;
// Wide enough that a replay several seconds off shows its lag rather than the window's edge.
constexpr double lagSearchSeconds = 20.0;
constexpr feed::GeoPoint defaultCentre{52.3086, 4.7639};

double lf_percentile(std::vector<double> values, double share)
{
    if (values.empty()) {
        return 0.0;
    }
    std::ranges::sort(values);
    const auto index = static_cast<std::size_t>(std::min<double>(values.size() - 1, share * (values.size() - 1) + 0.5));
    return values[index];
}

// The reference interpolated at the time; none outside it.
bool lf_at(const std::vector<ReferencePoint>& reference, double time, ReferencePoint& out)
{
    if (reference.empty() || time < reference.front().time || time > reference.back().time) {
        return false;
    }
    const auto it = std::ranges::lower_bound(reference, time, {}, &ReferencePoint::time);
    if (it == reference.begin()) {
        out = *it;
        return true;
    }
    const ReferencePoint& b = *it;
    const ReferencePoint& a = *(it - 1);
    const double f = b.time > a.time ? (time - a.time) / (b.time - a.time) : 0.0;
    out = a;
    out.time = time;
    out.lat = a.lat + f * (b.lat - a.lat);
    out.lon = a.lon + f * (b.lon - a.lon);
    out.altitudeFt = a.altitudeFt + f * (b.altitudeFt - a.altitudeFt);
    out.groundSpeedKt = a.groundSpeedKt + f * (b.groundSpeedKt - a.groundSpeedKt);
    out.onGround = f < 0.5 ? a.onGround : b.onGround;
    return true;
}

// Within a foot of the ground under it.
bool lf_onGround(const ObjectFrame& frame)
{
    return frame.altitudeFt - frame.terrainFt - frame.staticCgFt <= 1.0;
}

double lf_metres(double lat1, double lon1, double lat2, double lon2)
{
    return gf_distanceNm({lat1, lon1}, {lat2, lon2}) * metresPerNm;
}

// The reference time within the lag search window of the expected one whose position is nearest to the frame; of
// equally near ones (where the reference stands) the one nearest the expected time.
double lf_nearestTime(const std::vector<ReferencePoint>& reference, const ObjectFrame& frame, double expected)
{
    double best = expected;
    double bestMetres = 1e18;
    ReferencePoint point;
    for (double t = expected - lagSearchSeconds; t <= expected + lagSearchSeconds; t += 0.02) {
        if (lf_at(reference, t, point)) {
            const double metres = lf_metres(point.lat, point.lon, frame.lat, frame.lon);
            if (metres < bestMetres || (metres == bestMetres && std::abs(t - expected) < std::abs(best - expected))) {
                bestMetres = metres;
                best = t;
            }
        }
    }
    return best;
}

// The reference's track turns by more than sharpCornerDeg within cornerSeconds either side of the time.
bool lf_sharpCornerNear(const std::vector<ReferencePoint>& reference, double time)
{
    ReferencePoint before;
    ReferencePoint after;
    if (!lf_at(reference, time - cornerSeconds, before) || !lf_at(reference, time + cornerSeconds, after)) {
        return false;
    }
    return std::abs(gf_normalisePlusMinusPi((after.trackDeg - before.trackDeg) * radPerDeg)) * degPerRad >
           sharpCornerDeg;
}

// The reference's turn rate at the time, deg/s, over one second.
double lf_referenceTurn(const std::vector<ReferencePoint>& reference, double time)
{
    ReferencePoint a;
    ReferencePoint b;
    if (!lf_at(reference, time - 0.5, a) || !lf_at(reference, time + 0.5, b)) {
        return 0.0;
    }
    return std::abs(gf_normalisePlusMinusPi((b.trackDeg - a.trackDeg) * radPerDeg)) * degPerRad;
}

} // namespace

std::vector<ReferencePoint> gf_readReference(const std::filesystem::path& path)
{
    std::ifstream in(path);
    if (!in) {
        throw std::runtime_error("cannot read " + path.string());
    }
    std::string line;
    std::getline(in, line);
    std::vector<ReferencePoint> points;
    while (std::getline(in, line)) {
        std::replace(line.begin(), line.end(), ',', ' ');
        std::istringstream fields(line);
        ReferencePoint p;
        int ground = 0;
        if (fields >> p.time >> p.lat >> p.lon >> p.altitudeFt >> p.groundSpeedKt >> p.trackDeg >> p.verticalFpm >>
            ground) {
            p.onGround = ground != 0;
            points.push_back(p);
        }
    }
    std::ranges::sort(points, {}, &ReferencePoint::time);
    return points;
}

void gf_writeReference(const std::filesystem::path& path, const std::vector<ReferencePoint>& points)
{
    std::ofstream out(path);
    out << "time,lat,lon,alt_ft,gs_kt,track_deg,vrate_fpm,on_ground\n";
    for (const ReferencePoint& p : points) {
        out << fmt::format("{:.2f},{:.8f},{:.8f},{:.1f},{:.1f},{:.2f},{:.0f},{}\n", p.time, p.lat, p.lon, p.altitudeFt,
                           p.groundSpeedKt, p.trackDeg, p.verticalFpm, p.onGround ? 1 : 0);
    }
}

std::vector<ReferencePoint> gf_denseReference(const feed::Scenario& scenario)
{
    if (scenario.flights.empty()) {
        return {};
    }
    const feed::FlightSpec& spec = scenario.flights.front();
    feed::FlightPath path(spec, scenario.centre.value_or(defaultCentre));
    const double end = std::min(spec.endTime.value_or(1e9), scenario.duration.value_or(1e9));
    std::vector<ReferencePoint> points;
    for (double t = spec.startTime; t <= end && !path.finished(); t += denseStepSeconds) {
        const feed::AircraftState& s = path.state();
        points.push_back(
            {t, s.position.lat, s.position.lon, s.altitudeFt, s.groundSpeedKt, s.trackDeg, s.verticalFpm, s.onGround});
        path.advance(denseStepSeconds);
    }
    return points;
}

std::vector<ReferencePoint> gf_whileReported(const std::vector<ReferencePoint>& reference, double firstReportTime,
                                             double lastReportTime)
{
    std::vector<ReferencePoint> reported;
    std::ranges::copy_if(reference, std::back_inserter(reported), [&](const ReferencePoint& point) {
        return point.time >= firstReportTime && point.time <= lastReportTime;
    });
    return reported;
}

FlightScore gf_scoreFlight(const std::vector<ObjectFrame>& frames, const std::vector<ReferencePoint>& reference,
                           double delaySeconds)
{
    FlightScore score;
    std::vector<double> air;
    std::vector<double> ground;
    std::vector<double> altitude;
    score.lagMin = score.fastLagMin = 1e9;
    score.lagMax = score.fastLagMax = -1e9;
    ReferencePoint point;
    std::optional<double> landedOnFt;
    std::optional<double> objectLiftOff;
    for (std::size_t i = 0; i < frames.size(); ++i) {
        const ObjectFrame& frame = frames[i];
        const double time = frame.time - delaySeconds;
        if (i == 0) {
            score.firstFrameTime = time;
        }
        const bool referenceHere = lf_at(reference, time, point);
        if (i > 0 && frames[i - 1].airborne && !frame.airborne) {
            landedOnFt = frame.terrainFt;
        }
        if (landedOnFt && !(referenceHere && point.altitudeFt > *landedOnFt + climbAwayFt)) {
            score.heightAfterLandingFt =
                std::max(score.heightAfterLandingFt, frame.altitudeFt - *landedOnFt - frame.staticCgFt);
        }
        if (i > 0 && !objectLiftOff && lf_onGround(frames[i - 1]) && !lf_onGround(frame)) {
            objectLiftOff = time;
        }
        if (!referenceHere) {
            continue;
        }
        const double error = lf_metres(point.lat, point.lon, frame.lat, frame.lon);
        (point.onGround ? ground : air).push_back(error);
        if (!point.onGround) {
            altitude.push_back(std::abs(point.altitudeFt - frame.altitudeFt));
        }
        // Every 50th frame: the lag along the track (not where the aircraft stands still, nor at a sharp corner,
        // where a replay that rounds it lies nearest to the one leg and then the other, nor while it is driven onto
        // its stand).
        if (i % 50 == 0 && point.groundSpeedKt > 5.0 && !frame.parking && !lf_sharpCornerNear(reference, time)) {
            const double lag = time - lf_nearestTime(reference, frame, time);
            score.lagMin = std::min(score.lagMin, lag);
            score.lagMax = std::max(score.lagMax, lag);
            if (!point.onGround || point.groundSpeedKt >= fastGroundKt) {
                score.fastLagMin = std::min(score.fastLagMin, lag);
                score.fastLagMax = std::max(score.fastLagMax, lag);
            }
        }
        if (frame.altitudeFt - frame.terrainFt < frame.staticCgFt - 1.0) {
            ++score.framesBelowGround;
        }
        if (i == 0) {
            continue;
        }
        const ObjectFrame& before = frames[i - 1];
        const double dt = frame.time - before.time;
        const double step = lf_metres(before.lat, before.lon, frame.lat, frame.lon);
        score.largestJumpM = std::max(score.largestJumpM, step - point.groundSpeedKt * metresPerNm / 3600.0 * dt - 1.0);
        if (i >= 100) {
            const ObjectFrame& second = frames[i - 100];
            const double span = frame.time - second.time;
            if (span > 0.5 && span < 1.5) {
                const double turn = gf_normalisePlusMinusPi(frame.headingRad - second.headingRad) * degPerRad / span;
                score.turnExcessDegS =
                    std::max(score.turnExcessDegS, std::abs(turn) - lf_referenceTurn(reference, time) - 1.0);
                const ObjectFrame& middle = frames[i - 50];
                const double speed = lf_metres(second.lat, second.lon, frame.lat, frame.lon) / span;
                if (frame.airborne && middle.airborne && second.airborne && speed > bankTurnSpeedFloor) {
                    const double bank = std::min(
                        {std::max({std::abs(frame.bankRad), std::abs(middle.bankRad), std::abs(second.bankRad)}),
                         89.0 * radPerDeg});
                    const double bankTurn = gravity * std::tan(bank) / speed * degPerRad;
                    score.turnBeyondBankDegS = std::max(score.turnBeyondBankDegS, std::abs(turn) - bankTurn);
                }
                if (std::abs(frame.bankRad) > 2.0 * radPerDeg && std::abs(turn) > 0.5 && turn * frame.bankRad > 0.0) {
                    ++score.framesTurningAgainstBank;
                }
            }
        }
    }
    if (score.lagMin > score.lagMax) {
        score.lagMin = score.lagMax = 0.0;
    }
    if (score.fastLagMin > score.fastLagMax) {
        score.fastLagMin = score.fastLagMax = 0.0;
    }
    score.airFrames = static_cast<int64_t>(air.size());
    score.groundFrames = static_cast<int64_t>(ground.size());
    score.airP50 = lf_percentile(air, 0.5);
    score.airP95 = lf_percentile(air, 0.95);
    score.airMax = air.empty() ? 0.0 : *std::ranges::max_element(air);
    score.groundP50 = lf_percentile(ground, 0.5);
    score.groundP95 = lf_percentile(ground, 0.95);
    score.groundMax = ground.empty() ? 0.0 : *std::ranges::max_element(ground);
    score.altitudeP95 = lf_percentile(altitude, 0.95);
    const auto leaves = std::ranges::adjacent_find(
        reference, [](const ReferencePoint& a, const ReferencePoint& b) { return a.onGround && !b.onGround; });
    if (objectLiftOff && leaves != reference.end()) {
        score.liftOffOffsetS = *objectLiftOff - (leaves + 1)->time;
    }
    return score;
}

std::vector<GoalResult> gf_scoreGoalResults(const FlightScore& s, double fastLagLimitSeconds)
{
    return {
        {"air error p95", fmt::format("{:.1f} m", s.airP95), "<= 50 m", s.airP95 <= 50.0, false},
        {"ground error p95", fmt::format("{:.1f} m", s.groundP95), "<= 20 m", s.groundP95 <= 20.0},
        {"lag beside the delay", fmt::format("{:+.2f} .. {:+.2f} s", s.lagMin, s.lagMax), "within +-1 s",
         s.lagMin >= -1.0 && s.lagMax <= 1.0},
        {"lag in the air and at 40 kt or more", fmt::format("{:+.2f} .. {:+.2f} s", s.fastLagMin, s.fastLagMax),
         fmt::format("within +-{} s", fastLagLimitSeconds),
         s.fastLagMin >= -fastLagLimitSeconds && s.fastLagMax <= fastLagLimitSeconds},
        {"largest jump", fmt::format("{:.2f} m", s.largestJumpM), "0 m", s.largestJumpM <= 0.0},
        {"air turn beyond the bank", fmt::format("{:.2f} deg/s", s.turnBeyondBankDegS), "<= 1 deg/s",
         s.turnBeyondBankDegS <= 1.0},
        {"turning against the bank", fmt::format("{} frames", s.framesTurningAgainstBank), "0",
         s.framesTurningAgainstBank == 0},
        {"below ground", fmt::format("{} frames", s.framesBelowGround), "0", s.framesBelowGround == 0},
        {"height after landing", fmt::format("{:.1f} ft", s.heightAfterLandingFt), "<= 50 ft unless the reports climb",
         s.heightAfterLandingFt <= climbAwayFt},
        {"turn beyond the source", fmt::format("{:.2f} deg/s", s.turnExcessDegS), "reported", true},
        {"lift-off beside the reference's",
         std::isnan(s.liftOffOffsetS) ? "none" : fmt::format("{:+.2f} s", s.liftOffOffsetS), "reported", true},
    };
}

std::string gf_scoreTableHeader()
{
    return "| case | air error p50 / p95 / max (m) | ground error p50 / p95 / max (m) | altitude error p95 (ft) | "
           "lag beside the delay (s) | largest jump (m) | air turn beyond the bank (deg/s) | turning against the bank "
           "| below ground | height after landing (ft) | turn beyond the source (deg/s) | goals met |\n"
           "|---|---|---|---|---|---|---|---|---|---|---|---|\n";
}

std::string gf_scoreRow(const std::string& name, const FlightScore& s)
{
    std::string goals;
    for (const GoalResult& result : gf_scoreGoalResults(s)) {
        if (!result.met) {
            goals += " " + result.figure;
        }
    }
    goals = goals.empty() ? "yes" : "NO:" + goals;
    return fmt::format("| {} | {:.1f} / {:.1f} / {:.1f} ({} frames) | {:.1f} / {:.1f} / {:.1f} ({} frames) | {:.1f} | "
                       "{:+.2f} .. {:+.2f} | {:.2f} | {:.2f} | {} | {} | {:.1f} | {:.2f} | {} |\n",
                       name, s.airP50, s.airP95, s.airMax, s.airFrames, s.groundP50, s.groundP95, s.groundMax,
                       s.groundFrames, s.altitudeP95, s.lagMin, s.lagMax, s.largestJumpM, s.turnBeyondBankDegS,
                       s.framesTurningAgainstBank, s.framesBelowGround, s.heightAfterLandingFt, s.turnExcessDegS,
                       goals);
}

} // namespace hlw::test
