#include "engine/live/roll_legs.h"

#include "core/geodesy.h"
#include "engine/live/air_motion.h"
#include "engine/live/angles.h"
#include "engine/live/position_stream.h"
#include "engine/live/travel_ticks.h"

#include <algorithm>
#include <cmath>

namespace hlw {

namespace {

constexpr double ticksPerMinute = 6000.0;

LatLon lf_at(const PositionRecord& position) noexcept
{
    return {position.latitude, position.longitude};
}

// Knots between two positions over the ticks between them; 0 unless the ticks are those of reports.
double lf_meanKt(const PositionRecord& from, const PositionRecord& to, int64_t ticks)
{
    if (ticks < minLegTicks || ticks > reportTimesLimitTicks) {
        return 0.0;
    }
    return gf_distanceNm(lf_at(from), lf_at(to)) * ticksPerHour / double(ticks);
}

// The speed at the i-th position (1 or 2) from the mean speeds of the legs before and after it, each weighted by
// the other's time (what a steady change of speed gives there); from the leg before alone without a usable leg
// after it; 0 without a usable leg before it.
double lf_speedAtKt(const LiveAircraft& aircraft, std::size_t i)
{
    const PositionQueue& positions = aircraft.positions;
    const int64_t from = i == 1 ? int64_t{aircraft.legReceivedDueTick} : positions[i - 1].dueTick;
    const int64_t before = int64_t{positions[i].dueTick} - from;
    const double beforeKt = lf_meanKt(positions[i - 1], positions[i], before);
    if (beforeKt <= 0.0 || i + 1 >= positions.size() || positions[i + 1].stationary != 0) {
        return beforeKt;
    }
    const int64_t after = int64_t{positions[i + 1].dueTick} - positions[i].dueTick;
    const double afterKt = lf_meanKt(positions[i], positions[i + 1], after);
    if (afterKt <= 0.0) {
        return beforeKt;
    }
    return (beforeKt * double(after) + afterKt * double(before)) / double(before + after);
}

// The i-th position takes the speed the positions give there when its reported one disagrees (a stop keeps its 0).
void lf_takeSpeedFromPositions(LiveAircraft& aircraft, std::size_t i)
{
    PositionRecord& position = aircraft.positions[i];
    if (position.stationary != 0 || position.groundSpeedKt <= 0.0) {
        return;
    }
    const double kt = lf_speedAtKt(aircraft, i);
    if (kt <= 0.0) {
        return;
    }
    if (std::abs(position.groundSpeedKt - kt) > rollSpeedAgreeKt) {
        position.groundSpeedKt = kt;
    }
    position.speedFromPositions = 1;
}

// On a take-off roll: the run lasts takeOffRunTicks before the aircraft leaves the ground, so where it has to start
// may lie on the leg ahead, later than a leg from now; there a position of the roll is put, where a steady change
// between the two speeds has brought the aircraft by then.
void lf_insertRunStart(LiveContext& context, LiveAircraft& aircraft)
{
    PositionQueue& positions = aircraft.positions;
    const PositionRecord& front = positions[0];
    const PositionRecord& next = positions[1];
    const double runFrom = gf_liftOffTick(aircraft) - double(aircraft.flight.takeOffRunTicks);
    const double legTicks = double(next.dueTick) - aircraft.legReceivedDueTick;
    if (!(runFrom >= context.tick() + minLegTicks) || runFrom > next.dueTick - minLegTicks || legTicks <= 0.0) {
        return;
    }
    const double share = (runFrom - aircraft.legReceivedDueTick) / legTicks;
    const double v0 = front.groundSpeedKt;
    const double v1 = next.groundSpeedKt;
    const double along = v0 + v1 > 0.0 ? (2.0 * v0 * share + (v1 - v0) * share * share) / (v0 + v1) : share;
    PositionRecord start = front;
    start.latitude = front.latitude + along * (next.latitude - front.latitude);
    start.longitude = front.longitude + along * (next.longitude - front.longitude);
    start.groundSpeedKt = v0 + (v1 - v0) * share;
    start.dueTick = static_cast<int32_t>(std::lround(runFrom));
    start.stationary = 0;
    positions.insert(positions.begin() + 1, start);
}

} // namespace

double gf_reportedLegKt(const LiveAircraft& aircraft)
{
    const PositionQueue& positions = aircraft.positions;
    return lf_meanKt(positions[0], positions[1], int64_t{positions[1].dueTick} - aircraft.legReceivedDueTick);
}

bool gf_rollLeg(const LiveAircraft& aircraft)
{
    const PositionRecord& next = aircraft.positions[1];
    // Taxiing or rolling, or landed before its first leg on the ground.
    const bool moving = aircraft.phase == MovementPhase::taxi || aircraft.phase == MovementPhase::flying;
    if (aircraft.groundMode == 0 || aircraft.extrapolationCount != 0 || !moving || next.stationary != 0 ||
        next.groundSpeedKt <= 0.0) {
        return false;
    }
    const double kt = gf_reportedLegKt(aircraft);
    return kt >= rollFromKt || (aircraft.landingRoll != 0 && kt > 0.0);
}

void gf_prepareRollLeg(LiveContext& context, LiveAircraft& aircraft)
{
    PositionQueue& positions = aircraft.positions;
    PositionRecord& front = positions[0];
    PositionRecord& next = positions[1];
    // The position after the next too: a turn there is flown as a curve that ends at it.
    if (positions.size() >= 3) {
        lf_takeSpeedFromPositions(aircraft, 2);
    }
    lf_takeSpeedFromPositions(aircraft, 1);
    // On the first leg of a roll (after a creation, a touchdown or the taxi before it) the front's speed is still
    // the reported one: the leg starts at the speed flown so far, or, from a standstill where the reported one
    // disagrees, at the one a steady change over the leg starts with.
    if (front.speedFromPositions == 0) {
        const double flownKt = gf_stepSpeedKt(aircraft);
        const double frontKt =
            flownKt > 1.0 ? flownKt : std::max(0.0, 2.0 * gf_reportedLegKt(aircraft) - next.groundSpeedKt);
        if (std::abs(front.groundSpeedKt - frontKt) > rollSpeedAgreeKt) {
            front.groundSpeedKt = frontKt;
        }
    }
    if (aircraft.takeOffRoll != 0) {
        lf_insertRunStart(context, aircraft);
    }
}

int64_t gf_rollCatchUpTicks(const LiveAircraft& aircraft, int64_t now)
{
    const int64_t due = aircraft.positions[1].dueTick;
    const int64_t late = now - aircraft.legReceivedDueTick;
    const int64_t scheduled = due - aircraft.legReceivedDueTick;
    if (scheduled >= rollCatchUpTicks) {
        return due - now;
    }
    return due - now + late * (rollCatchUpTicks - std::max<int64_t>(0, scheduled)) / rollCatchUpTicks;
}

void gf_rollOutFromTouchdown(LiveContext& context, LiveAircraft& aircraft)
{
    PositionQueue& positions = aircraft.positions;
    if (positions.empty() || aircraft.extrapolationCount != 0 || aircraft.curve.set() ||
        positions.front().stationary != 0) {
        return;
    }
    PositionRecord& target = positions.front();
    const int64_t toDue = int64_t{aircraft.legReceivedDueTick} - context.tick();
    const double legNm = gf_distanceNm({aircraft.latitude, aircraft.longitude}, lf_at(target));
    if (toDue < minLegTicks || toDue > reportTimesLimitTicks || legNm * ticksPerHour / double(toDue) < rollFromKt) {
        return;
    }
    const int64_t ticks = gf_ticksWithinSpeedJump(aircraft, target, double(toDue));
    target.dueTick = static_cast<int32_t>(context.tick() + ticks);
    aircraft.latStep = (target.latitude - aircraft.latitude) / double(ticks);
    aircraft.lonStep = (target.longitude - aircraft.longitude) / double(ticks);
}

double gf_stepSpeedKt(const LiveAircraft& aircraft) noexcept
{
    constexpr double nmPerDegree = 60.0;
    const double northNm = aircraft.latStep * nmPerDegree;
    const double eastNm = aircraft.lonStep * nmPerDegree * std::cos(aircraft.latitude * radPerDeg);
    return std::hypot(northNm, eastNm) * ticksPerHour;
}

int64_t gf_ticksWithinSpeedJump(const LiveAircraft& aircraft, const PositionRecord& target, double ticks)
{
    const double legNm = gf_distanceNm({aircraft.latitude, aircraft.longitude}, lf_at(target));
    const double lastKt = gf_stepSpeedKt(aircraft);
    if (aircraft.curve.set() || legNm <= 0.0 || ticks <= 0.0 || lastKt <= 1.0) {
        return std::llround(ticks);
    }
    const double kt =
        std::clamp(legNm * ticksPerHour / ticks, lastKt - reportTimesJumpKt, lastKt + reportTimesJumpKt);
    return kt > 0.0 ? std::llround(legNm * ticksPerHour / kt) : std::llround(ticks);
}

double gf_liftOffTick(const LiveAircraft& aircraft)
{
    const PositionQueue& positions = aircraft.positions;
    const auto airborne = [](const PositionRecord& position) { return position.airborne != 0; };
    for (std::size_t k = 1; k < positions.size(); ++k) {
        const PositionRecord& before = positions[k - 1];
        const PositionRecord& climbing = positions[k];
        if (!gf_climbsAway(before, climbing)) {
            continue;
        }
        if (!std::all_of(positions.begin() + static_cast<std::ptrdiff_t>(k), positions.end(), airborne)) {
            return std::nan("");
        }
        double feetPerTick = 0.0;
        if (climbing.verticalSpeedFpm > slowClimbFpm) {
            feetPerTick = climbing.verticalSpeedFpm / ticksPerMinute;
        } else if (k + 1 < positions.size() && positions[k + 1].dueTick > climbing.dueTick) {
            feetPerTick = (positions[k + 1].altitudeFt - climbing.altitudeFt) /
                          double(positions[k + 1].dueTick - climbing.dueTick);
        }
        const double groundFt = before.airborne != 0 ? before.altitudeFt : aircraft.groundAltitudeFt;
        const double heightFt = climbing.altitudeFt - groundFt;
        if (!(feetPerTick > 0.0) || !(heightFt > 0.0)) {
            return climbing.dueTick;
        }
        return std::max(double(before.dueTick), double(climbing.dueTick) - heightFt / feetPerTick);
    }
    return std::nan("");
}

bool gf_climbsAway(const PositionRecord& front, const PositionRecord& next) noexcept
{
    return next.airborne != 0 && (front.airborne == 0 || next.altitudeFt >= front.altitudeFt + climbAwayRiseFt);
}

} // namespace hlw
