#include "engine/live/position_stream.h"

#include "core/log.h"
#include "engine/live/angles.h"
#include "engine/live/attitude.h"
#include "engine/live/live_lifecycle.h"
#include "engine/live/roll_legs.h"
#include "engine/live/stream_gaps.h"
#include "engine/live/travel_ticks.h"

#include <fmt/format.h>

#include <algorithm>
#include <cmath>
#include <exception>
#include <stdexcept>

namespace hlw {

namespace {

LatLon lf_at(const PositionRecord& position) noexcept
{
    return {position.latitude, position.longitude};
}

bool lf_samePoint(const PositionRecord& a, const PositionRecord& b) noexcept
{
    return std::abs(a.latitude - b.latitude) <= samePointDeg && std::abs(a.longitude - b.longitude) <= samePointDeg;
}

std::string lf_failureText(const char* where, const std::exception& e, const LiveAircraft& aircraft)
{
    return fmt::format("{}: {} {}, sz:{}, fs:{}, st:{}", where, e.what(), gf_describeAc(aircraft.flight),
                       aircraft.positions.size(), gf_phaseName(aircraft.phase), gf_simStateName(aircraft.state));
}

// Requests that the simulator never answered are given up after their time-out.
void lf_checkTimeOut(LiveContext& context, LiveAircraft& aircraft)
{
    const int32_t waited = context.tick() - aircraft.stateSinceTick;
    if (aircraft.state == SimObjectState::adding2sim && aircraft.objectId == 0 && waited >= bindingTimeoutTicks) {
        gf_log(fmt::format("{} not bound to an object after {} s, given up", gf_describeAc(aircraft.flight),
                           waited / ticksPerSecond));
        gf_giveUpAircraft(context, aircraft);
    } else if ((aircraft.state == SimObjectState::removingfromsim ||
                aircraft.state == SimObjectState::liveryrespawn) &&
               waited >= removalTimeoutTicks) {
        gf_log(fmt::format("{} removal of object {} not answered after {} s, given up", gf_describeAc(aircraft.flight),
                           aircraft.objectId, waited / ticksPerSecond));
        aircraft.erase = 1;
    }
}

// The eight sent values are finite, the heading in [0, 2 pi), latitude and longitude in range.
bool lf_sendable(const AiPositionData& data) noexcept
{
    const double values[] = {data.latDeg,     data.lonDeg,     data.pitchRad,         data.bankRad,
                             data.headingRad, data.altitudeFt, data.verticalSpeedFps, data.airspeedKt};
    return std::ranges::all_of(values, [](double value) { return std::isfinite(value); }) && data.headingRad >= 0.0 &&
           data.headingRad < twoPi && std::abs(data.latDeg) <= 90.0 && std::abs(data.lonDeg) <= 180.0;
}

void lf_sendPosition(LiveContext& context, LiveAircraft& aircraft)
{
    if (aircraft.objectId == 0) {
        gf_logAlert(fmt::format("{} objectid=0? hexid: {},cs:{}, reg:{}, aimo:{} sz:{}", "updateLiveAc",
                                aircraft.flight.hexId, aircraft.flight.callsign, aircraft.flight.registration,
                                gf_flightLabel(aircraft.flight.codes()), aircraft.positions.size()));
        removeAircraftFromSim(context, aircraft);
        return;
    }
    const AiPositionData data{aircraft.latitude, aircraft.longitude,  aircraft.pitch,
                              aircraft.bank,     aircraft.heading,    aircraft.altitudeFt,
                              aircraft.verticalSpeedFps, aircraft.trueAirspeedKt};
    if (!lf_sendable(data)) {
        gf_logAlert(fmt::format("{} unsendable position of {}: lat {} lon {} pitch {} bank {} hdg {} alt {} vs {} tas {}",
                                "updateLiveAc", gf_describeAc(aircraft.flight), data.latDeg, data.lonDeg,
                                data.pitchRad, data.bankRad, data.headingRad, data.altitudeFt, data.verticalSpeedFps,
                                data.airspeedKt));
        gf_giveUpAircraft(context, aircraft);
        return;
    }
    context.commands.fillBuffer().push_back({data, aircraft.objectId});
}

void lf_updateActive(LiveContext& context, LiveAircraft& aircraft)
{
    if (aircraft.positions.empty()) {
        gf_logAlert(fmt::format("{} stream empty ? {}, hexid:{}, objectid:{}, alt:{:.0f} ft, lalo:{:.6f},{:.6f}, "
                                "TAS:{:.0f}",
                                "updateLiveAc", gf_describeAc(aircraft.flight), aircraft.flight.hexId,
                                aircraft.objectId, aircraft.altitudeFt, aircraft.latitude, aircraft.longitude,
                                aircraft.trueAirspeedKt));
        removeAircraftFromSim(context, aircraft);
        return;
    }
    if (context.tick() >= aircraft.positions.front().dueTick) {
        nextPosMain(context, aircraft);
        if (aircraft.state != SimObjectState::active) {
            return;
        }
        aircraft.verticalSpeedFps = aircraft.legVerticalSpeedFpm / 60.0;
        aircraft.trueAirspeedKt =
            aircraft.positions.front().stationary != 0 ? 0.0 : aircraft.legTrueAirspeedKt;
    }
    if (aircraft.positions.front().stationary == 0) {
        context.motion.stepMotion(context, aircraft);
    } else if (aircraft.groundMode != 0 && aircraft.touchdown == 0 && aircraft.flight.staticCgHeightFt > 0.0) {
        // Standing on the ground: the attitude the simulator reported for the object once it is known.
        aircraft.pitch = aircraft.flight.staticPitchRad;
        aircraft.bank = 0.0;
    }
    if (aircraft.positions.front().stationary != 0 && aircraft.groundMode != 0 &&
        aircraft.phase == MovementPhase::taxi && aircraft.turnToBearing != 0) {
        // A taxi leg that sets off across the heading is turned toward while the aircraft stands.
        aircraft.heading = gf_chaseHeading(aircraft.heading, aircraft.bearingToNext, aircraft.flight.turnStepRad);
    }
    lf_sendPosition(context, aircraft);
}

// Positions of the air: the first moving position after the front; a stationary one in between is dropped.
void lf_dropStationaryInAir(LiveAircraft& aircraft)
{
    PositionQueue& positions = aircraft.positions;
    while (positions.size() >= 2 && aircraft.groundMode == 0 && positions[1].stationary != 0 &&
           aircraft.flight.category != AircraftCategory::Rotorcraft) {
        positions.erase(positions.begin() + 1);
    }
}

void lf_startLeg(LiveContext& context, LiveAircraft& aircraft)
{
    aircraft.curve.clear();
    aircraft.curveTime = 0.0;
    aircraft.curveShare = 0.0;
    PositionQueue& positions = aircraft.positions;
    if (lf_samePoint(positions[0], positions[1])) {
        positions[1].stationary = 1;
    }
    if (positions[1].stationary == 0) {
        aircraft.bearingToNext = gf_bearingRad(lf_at(positions[0]), lf_at(positions[1]));
    }
    if (aircraft.groundMode != 0) {
        context.motion.retimeGround(context, aircraft);
    } else {
        gf_retimeNext(context, aircraft);
    }
    if (positions.size() < 2) {
        throw std::logic_error("the leg timing left no next position");
    }
    const PositionRecord& next = positions[1];
    if (next.stationary != 0) {
        aircraft.latStep = 0.0;
        aircraft.lonStep = 0.0;
        if (aircraft.landingRoll == 0 && aircraft.takeOffRoll == 0) {
            gf_shrinkWindows(aircraft);
        }
    } else {
        const double ticks = std::max(minLegTicks, next.dueTick - context.tick());
        aircraft.latStep = (next.latitude - aircraft.latitude) / ticks;
        aircraft.lonStep = (next.longitude - aircraft.longitude) / ticks;
        if (aircraft.groundMode != 0) {
            context.motion.stepGround(context, aircraft);
        } else {
            context.motion.stepAirborne(context, aircraft);
        }
    }
    positions.pop_front();
}

// How far a leg's travel time at its speeds gives way to the time between its reports: 0 while they agree, 1 where
// they plainly disagree, in between rising with the difference.
double lf_reportTimesWeight(int64_t ticks, int64_t betweenReports) noexcept
{
    const double difference = std::abs(double(ticks - betweenReports));
    const double share = difference / double(betweenReports);
    const double byShare = (share - reportTimesAgreeShare) / (reportTimesDisagreeShare - reportTimesAgreeShare);
    const double byTicks = (difference - reportTimesDeadBandTicks) / double(reportTimesDeadBandTicks);
    return std::clamp(std::min(byShare, byTicks), 0.0, 1.0);
}

// Where the speeds and the positions of a ground leg disagree (speeds that lag an acceleration, a stop between two
// reports) the leg ends when its report is due, catching up a lag by at most a tenth of the reports' pace; its
// speed then changes from that of the last (moving) leg by no more than reportTimesJumpKt.
int64_t lf_followReportTimes(const LiveAircraft& aircraft, int64_t ticks, int64_t betweenReports, int64_t now)
{
    const PositionRecord& next = aircraft.positions[1];
    const double weight = lf_reportTimesWeight(ticks, betweenReports);
    const double catchUp = double(betweenReports) / reportTimesCatchUpShare;
    const double toDue = std::clamp(double(int64_t{next.dueTick} - now), double(betweenReports) - catchUp,
                                    double(betweenReports) + catchUp);
    return gf_ticksWithinSpeedJump(aircraft, next, double(ticks) + weight * (toDue - double(ticks)));
}

} // namespace

bool updateLiveAc(LiveContext& context, LiveAircraft& aircraft)
{
    try {
        switch (aircraft.state) {
        case SimObjectState::buffer:
            gf_handleNewLiveAc(context, aircraft);
            break;
        case SimObjectState::adding2sim:
        case SimObjectState::liveryrespawn:
        case SimObjectState::removingfromsim:
            lf_checkTimeOut(context, aircraft);
            break;
        case SimObjectState::active:
            lf_updateActive(context, aircraft);
            break;
        }
    } catch (const std::exception& e) {
        gf_logAlert(lf_failureText("updateLiveAc", e, aircraft));
        try {
            gf_giveUpAircraft(context, aircraft);
        } catch (const std::exception&) {
            aircraft.erase = 1;
        }
    }
    return aircraft.erase != 0 || aircraft.creationCancelled != 0;
}

void nextPosMain(LiveContext& context, LiveAircraft& aircraft)
{
    try {
        for (int pass = 0; pass < nextLegPasses; ++pass) {
            lf_dropStationaryInAir(aircraft);
            if (aircraft.positions.size() >= 2) {
                lf_startLeg(context, aircraft);
                return;
            }
            if (!gf_nextPosNoData(context, aircraft)) {
                if (aircraft.state == SimObjectState::active) {
                    removeAircraftFromSim(context, aircraft);
                }
                return;
            }
        }
        gf_logAlert(fmt::format("{} no leg after {} passes: {}, sz:{}, fs:{}", "nextPosMain", nextLegPasses,
                                gf_describeAc(aircraft.flight), aircraft.positions.size(),
                                gf_phaseName(aircraft.phase)));
        removeAircraftFromSim(context, aircraft);
    } catch (const std::exception& e) {
        gf_logAlert(lf_failureText("nextPosMain", e, aircraft));
        throw;
    }
}

void gf_retimeNext(LiveContext& context, LiveAircraft& aircraft)
{
    const PositionRecord& front = aircraft.positions[0];
    const PositionRecord& next = aircraft.positions[1];
    if (next.stationary != 0) {
        if (aircraft.flight.category == AircraftCategory::Rotorcraft) {
            context.motion.groundPathStep(context, aircraft);
        }
        return;
    }
    double speedKt = 0.0;
    if (aircraft.landing != 0 && next.airborne == 0) {
        speedKt = front.groundSpeedKt > 0.0 ? front.groundSpeedKt : 100.0;
    } else {
        speedKt = gf_legSpeed(aircraft);
    }
    gf_retimeNextBy(context, aircraft, gf_boundedTravelTicks(gf_distanceNm(lf_at(front), lf_at(next)), speedKt));
}

void gf_retimeNextBy(LiveContext& context, LiveAircraft& aircraft, int64_t ticks)
{
    PositionRecord& next = aircraft.positions[1];
    const int64_t now = context.tick();
    const int64_t betweenReports = int64_t{next.dueTick} - aircraft.legReceivedDueTick;
    const bool rollLeg = gf_rollLeg(aircraft);
    if (rollLeg) {
        ticks = gf_ticksWithinSpeedJump(aircraft, next, double(gf_rollCatchUpTicks(aircraft, now)));
    } else if (aircraft.groundMode != 0 && aircraft.extrapolationCount < 1 && next.groundSpeedKt > 0.0 &&
               betweenReports >= minLegTicks && betweenReports <= reportTimesLimitTicks) {
        ticks = lf_followReportTimes(aircraft, ticks, betweenReports, now);
    }
    aircraft.legReceivedDueTick = next.dueTick;
    const int64_t travel = std::clamp<int64_t>(ticks, minLegTicks, maxTravelTicks);
    int64_t due = now + travel;
    if (aircraft.extrapolationCount < 1) {
        // The aircraft keeps to the set delay: a leg that would end more than lagDeadBandTicks off its received due
        // tick takes up to a twentieth less or more time toward it (in the air as much as airPullKt of speed allows,
        // up to a fifth), so that a lag or lead left by an earlier leg, or by a creation, does not stay. A roll leg
        // has made up its own.
        const int64_t off = int64_t{next.dueTick} - due;
        if (!rollLeg && std::abs(off) > lagDeadBandTicks) {
            double share = 1.0 / lagPullShare;
            const double legNm = gf_distanceNm({aircraft.latitude, aircraft.longitude}, lf_at(next));
            if (legNm > 0.0 && aircraft.groundMode == 0) {
                share = std::clamp(airPullKt * double(travel) / (legNm * ticksPerHour), share, airPullMostShare);
            }
            const int64_t pull = std::llround(double(travel) * share);
            due += std::clamp<int64_t>(off, -pull, pull);
        }
        // A leg to a stop may end as soon as its speed takes it there: the aircraft then stands.
        const bool toStop = next.groundSpeedKt == 0.0 && next.stationary == 0 && next.airborne == 0;
        const int64_t earliest = toStop ? now : int64_t{next.dueTick} - aircraft.earlyWindow;
        due = std::clamp<int64_t>(due, earliest, std::max(earliest, int64_t{next.dueTick} + aircraft.lateWindow));
    }
    next.dueTick = static_cast<int32_t>(std::max(due, now + minLegTicks));
}

bool gf_retimeForClimb(LiveContext& context, LiveAircraft& aircraft, std::size_t i)
{
    PositionQueue& positions = aircraft.positions;
    if (i < 1 || i >= positions.size() || positions[i].airborne == 0) {
        return false;
    }
    positions.erase(positions.begin() + 1, positions.begin() + static_cast<std::ptrdiff_t>(i));
    gf_retimeNext(context, aircraft);
    const PositionRecord& next = positions[1];
    if (next.altitudeFt <= aircraft.altitudeFt) {
        aircraft.altitudeRate = 0.0;
    } else {
        const double ticks = std::max(minLegTicks, next.dueTick - context.tick());
        aircraft.altitudeRate =
            std::min(aircraft.flight.climbLimitFtPerTick, (next.altitudeFt - aircraft.altitudeFt) / ticks);
    }
    return true;
}

double gf_legSpeed(const LiveAircraft& aircraft)
{
    const PositionRecord& front = aircraft.positions[0];
    const PositionRecord& next = aircraft.positions[1];
    if (front.groundSpeedKt == 0.0 && next.groundSpeedKt == 0.0) {
        const double ticks = std::max(minLegTicks, next.dueTick - front.dueTick);
        return std::max(1.0, gf_distanceNm(lf_at(front), lf_at(next)) * ticksPerHour / ticks);
    }
    if (front.groundSpeedKt == 0.0 || next.groundSpeedKt == 0.0) {
        // From or to a standstill: the aircraft moves at the speed of the moving end and stands before it sets off
        // or after it has stopped, not at half that speed all the way.
        return std::max(front.groundSpeedKt, next.groundSpeedKt);
    }
    return (front.groundSpeedKt + next.groundSpeedKt) / 2.0;
}

double gf_turnAhead(const LiveAircraft& aircraft)
{
    const PositionQueue& positions = aircraft.positions;
    if (positions.size() < 3) {
        return 0.0;
    }
    return gf_normalisePlusMinusPi(gf_bearingRad(lf_at(positions[1]), lf_at(positions[2])) - aircraft.heading);
}

void gf_shrinkWindows(LiveAircraft& aircraft) noexcept
{
    aircraft.earlyWindow = std::max(normalWindowTicks, aircraft.earlyWindow - 100);
    aircraft.lateWindow = std::max(normalWindowTicks, aircraft.lateWindow - 100);
}

void gf_resumeRealData(LiveContext& context, LiveAircraft& aircraft, int32_t lateWindow, bool frontDueNow)
{
    aircraft.extrapolationCount = 0;
    aircraft.earlyWindow = 3000;
    aircraft.lateWindow = lateWindow;
    aircraft.holding = 0;
    if (frontDueNow && !aircraft.positions.empty()) {
        gf_setFrontDue(aircraft, context.tick() + 1);
    }
}

void gf_setFrontDue(LiveAircraft& aircraft, int32_t tick) noexcept
{
    aircraft.positions.front().dueTick = tick;
    aircraft.legReceivedDueTick = tick;
}

} // namespace hlw
