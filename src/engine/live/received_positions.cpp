#include "engine/live/received_positions.h"

#include "core/log.h"
#include "engine/live/angles.h"
#include "engine/live/live_commands.h"
#include "engine/live/live_lifecycle.h"
#include "engine/live/position_stream.h"
#include "engine/live/travel_ticks.h"
#include "records/stand_record.h"
#include "settings/catalogue.h"

#include <fmt/format.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <exception>

namespace hlw {

namespace {

// A parked aircraft's position this close to its stand (nm) counts as standing on it.
constexpr double onStandNm = 0.0459;
// Steps of the distance from the stand that count as moving away or back (nm).
constexpr double standStepNm = 0.00162;
// A parked aircraft seen this far from its stand is gone without having been seen to leave.
constexpr double goneFromStandNm = 0.108;
// A report within this height of the ground under a landed aircraft is a roll-out report (ft).
constexpr double rollOutBandFt = 108.0;
// The take-off roll starts when both of the last two ground speeds reach this (kt); below it a ground report is
// taxiing.
constexpr double takeOffRollSpeedKt = 43.0;
// A landing aircraft reported climbing faster than this (ft/min) is going around; the approach check ends its
// landing at the same rate.
constexpr double climbingAwayFpm = 600.0;

LatLon lf_at(const PositionRecord& position) noexcept
{
    return {position.latitude, position.longitude};
}

bool lf_samePoint(const PositionRecord& a, const PositionRecord& b) noexcept
{
    return std::abs(a.latitude - b.latitude) <= samePointDeg && std::abs(a.longitude - b.longitude) <= samePointDeg;
}

bool lf_offHeading(const LiveAircraft& aircraft, const PositionRecord& from, const PositionRecord& to,
                   double limitDeg)
{
    return gf_angleBetween(gf_bearingRad(lf_at(from), lf_at(to)), aircraft.heading) >= limitDeg * radPerDeg;
}

bool lf_extrapolated(const LiveAircraft& aircraft) noexcept
{
    return aircraft.extrapolationCount != 0;
}

void lf_clearStand(LiveAircraft& aircraft) noexcept
{
    aircraft.standLat = 0.0;
    aircraft.standLon = 0.0;
    aircraft.standHeading = 0.0;
    aircraft.standNumber = 0;
    aircraft.cargoStand = 0;
}

// A landed aircraft whose last two reports are on the ground at taxi speed has left the roll-out, whatever the
// replay, half a minute behind, still does.
bool lf_taxiingAfterTouchdown(const LiveAircraft& aircraft, const PositionRecord& last,
                              const PositionRecord& position) noexcept
{
    return aircraft.landing == 0 && last.airborne == 0 && position.airborne == 0 &&
           last.groundSpeedKt < takeOffRollSpeedKt && position.groundSpeedKt < takeOffRollSpeedKt;
}

bool lf_duringLanding(LiveContext& context, LiveAircraft& aircraft, PositionRecord& position)
{
    PositionQueue& positions = aircraft.positions;
    if (lf_samePoint(position, positions.back())) {
        return false;
    }
    if (positions.size() == 1) {
        const PositionRecord& front = positions.front();
        if (lf_offHeading(aircraft, front, position, 90.0)) {
            if (aircraft.landing != 0) {
                return false;
            }
            if (lf_offHeading(aircraft, front, position, 150.0) && !lf_extrapolated(aircraft)) {
                // Turned round on the landing roll: go on from where the aircraft is.
                PositionRecord here = front;
                here.latitude = aircraft.latitude;
                here.longitude = aircraft.longitude;
                here.altitudeFt = aircraft.altitudeFt;
                positions.assign(1, here);
                gf_setFrontDue(aircraft, context.tick() + 1);
            }
        }
    } else if (!lf_taxiingAfterTouchdown(aircraft, positions.back(), position)) {
        // Reports behind the landing aircraft's heading are dropped; once it taxis, they turn off the runway.
        for (int dropped = 0; dropped < 2 && positions.size() >= 2; ++dropped) {
            if (!lf_offHeading(aircraft, positions.back(), position, 90.0)) {
                break;
            }
            positions.pop_back();
        }
    }
    gf_resumeRealData(context, aircraft, 5000, false);
    const PositionRecord& last = positions.back();
    if (lf_samePoint(position, last)) {
        position.stationary = 1;
    } else if (position.groundSpeedKt > last.groundSpeedKt && position.groundSpeedKt > 40.0 &&
               position.verticalSpeedFpm <= climbingAwayFpm) {
        // A landing does not speed up; a go-around does, and its positions arrive while the replay still lands.
        position.groundSpeedKt = last.groundSpeedKt;
    }
    return true;
}

bool lf_pushingBack(LiveAircraft& aircraft, const PositionRecord& position)
{
    if (settings::straightPbsOnly.get() || aircraft.pushBackHoldCounter != 2) {
        return false;
    }
    double headingRad = 0.0;
    if (position.trueHeadingPresent != 0 && position.trueHeadingRad) {
        headingRad = *position.trueHeadingRad;
    } else if (position.trackDeg != 0.0) {
        headingRad = position.trackDeg * radPerDeg;
    } else {
        return false;
    }
    aircraft.pushBackTurnSide = gf_normalisePlusMinusPi(headingRad - aircraft.heading) > 0.0 ? 1 : 0;
    aircraft.pushBackTurnKnown = 1;
    return false;
}

bool lf_moving(LiveContext& context, LiveAircraft& aircraft, PositionRecord& position)
{
    if (aircraft.positions.empty()) {
        gf_logAlert(fmt::format("{} empty sz?", "checkExtendingSituations"));
        return false;
    }
    if (aircraft.landing != 0 || aircraft.landingRoll != 0) {
        return lf_duringLanding(context, aircraft, position);
    }
    if (!gf_filterPosition(aircraft, position)) {
        return false;
    }
    if (lf_extrapolated(aircraft)) {
        if (aircraft.groundMode == 0 && lf_offHeading(aircraft, aircraft.positions.back(), position, 100.0)) {
            return false;
        }
        gf_resumeRealData(context, aircraft, aircraft.takeOffRoll != 0 ? 5000 : 3000, true);
    }
    return true;
}

bool lf_pushedBack(LiveContext& context, LiveAircraft& aircraft, PositionRecord& position)
{
    const double distanceNm = gf_distanceNm({aircraft.latitude, aircraft.longitude}, lf_at(position));
    const double halfSpan = aircraft.flight.halfWingspanNm;
    const bool beyond = distanceNm > 2.75 * halfSpan && distanceNm > aircraft.pushBackAllowanceNm;
    if (!beyond && distanceNm <= 6.0 * halfSpan) {
        if (aircraft.holding == 0) {
            aircraft.holding = 1;
            aircraft.holdStartTick = context.tick();
        }
        aircraft.pushBackAllowanceNm = distanceNm;
        return false;
    }
    position.stationary = 0;
    if (lf_extrapolated(aircraft)) {
        gf_resumeRealData(context, aircraft, aircraft.takeOffRoll != 0 ? 5000 : 3000, true);
    }
    aircraft.pushBackTurnSide = 0;
    aircraft.pushBackTurnKnown = 0;
    aircraft.pushBackHoldCounter = 0;
    aircraft.setPhase(MovementPhase::taxi);
    lf_clearStand(aircraft);
    aircraft.holding = 0;
    return true;
}

bool lf_atStand(LiveContext& context, LiveAircraft& aircraft, PositionRecord& position)
{
    if (aircraft.state == SimObjectState::buffer || aircraft.state == SimObjectState::adding2sim) {
        return false;
    }
    aircraft.standOccupied = 1;
    const double distanceNm = gf_distanceNm(lf_at(position), {aircraft.standLat, aircraft.standLon});
    const double onStand = aircraft.previousPhase == MovementPhase::parking ? 2.0 * onStandNm : onStandNm;
    if (distanceNm <= onStand) {
        aircraft.parkedSince = context.time.now();
        const double halfSpan = aircraft.flight.halfWingspanNm;
        if (aircraft.firstStandDistanceNm == 0.0 && aircraft.largestStandDistanceNm == 0.0) {
            aircraft.firstStandDistanceNm = distanceNm;
            aircraft.largestStandDistanceNm = distanceNm;
            aircraft.movingAwayCount = 0;
            aircraft.leavingStand = 0;
            return false;
        }
        if (distanceNm >= aircraft.largestStandDistanceNm + standStepNm) {
            aircraft.largestStandDistanceNm = distanceNm;
            ++aircraft.movingAwayCount;
            const double away = distanceNm - aircraft.firstStandDistanceNm;
            if ((aircraft.movingAwayCount >= 3 && away >= halfSpan / 2.0) || away > halfSpan) {
                gf_leaveStand(context, aircraft, position);
                return true;
            }
            aircraft.leavingStand = 0;
        } else if (distanceNm <= aircraft.largestStandDistanceNm - standStepNm) {
            aircraft.movingAwayCount = 0;
        }
        return false;
    }
    if (aircraft.phase == MovementPhase::parking) {
        aircraft.setPhase(MovementPhase::taxi);
        position.stationary = 0;
        return true;
    }
    if (distanceNm > goneFromStandNm) {
        context.parking.addRealStandOption(aircraft, StandUseReason::goneUnseen);
        removeAircraftFromSim(context, aircraft);
        return false;
    }
    gf_leaveStand(context, aircraft, position);
    return true;
}

bool lf_checkExtendingSituations(LiveContext& context, LiveAircraft& aircraft, PositionRecord& position)
{
    switch (aircraft.phase) {
    case MovementPhase::pushing_back: return lf_pushingBack(aircraft, position);
    case MovementPhase::taxi:
    case MovementPhase::take_off:
    case MovementPhase::flying:
    case MovementPhase::birth: return lf_moving(context, aircraft, position);
    case MovementPhase::pushed_back: return lf_pushedBack(context, aircraft, position);
    case MovementPhase::parking:
    case MovementPhase::parked: return lf_atStand(context, aircraft, position);
    }
    return false;
}

// A ground position behind a stationary last one: the stop is shortened when the aircraft moves again soon.
void lf_trimStop(LiveAircraft& aircraft, const PositionRecord& position)
{
    PositionQueue& positions = aircraft.positions;
    if (position.airborne != 0 || positions.back().stationary == 0) {
        return;
    }
    if (position.stationary != 0) {
        if (std::ranges::all_of(positions, [](const PositionRecord& p) { return p.stationary != 0; })) {
            positions.resize(1);
        }
        return;
    }
    if (positions.size() < 3) {
        return;
    }
    const std::size_t size = positions.size();
    for (std::size_t fromEnd = 2; fromEnd <= 6 && fromEnd <= size; ++fromEnd) {
        const PositionRecord& moving = positions[size - fromEnd];
        if (moving.stationary == 0) {
            const bool shortStop = positions.back().dueTick - moving.dueTick < 1500;
            if (shortStop || gf_distanceNm(lf_at(position), lf_at(moving)) <= 0.0119) {
                positions.resize(size - fromEnd + 1);
            }
            return;
        }
    }
}

void lf_abortLanding(LiveContext& context, LiveAircraft& aircraft)
{
    aircraft.setPhase(MovementPhase::taxi);
    aircraft.takeOffRoll = 1;
    aircraft.landed = 0;
    aircraft.landing = 0;
    aircraft.mayBeTowed = 0;
    aircraft.climbConfigured = 0;
    gf_setAcThrottle(context.commands, aircraft, 3);
    gf_setAcSpoilers(context.commands, aircraft, 1);
    gf_setAcFlaps(context.commands, aircraft, 1);
    gf_queueLights(context.commands, aircraft.objectId, {1, 1, 1, 1, 1, 1, 0});
    aircraft.earlyWindow = 3000;
    aircraft.lateWindow = 5000;
}

// An airborne position that is not a roll-out report: above the widest ground band of the traffic reader over the
// ground the simulator reported under the aircraft. Without a park airport the reader counts roll-out reports
// above 35 kt as airborne, and a landed aircraft must not take off again from them.
bool lf_clearOfGround(const LiveAircraft& aircraft, const PositionRecord& position) noexcept
{
    return position.airborne != 0 &&
           (std::isnan(aircraft.groundAltitudeFt) || position.altitudeFt > aircraft.groundAltitudeFt + rollOutBandFt);
}

void lf_groundTransitions(LiveContext& context, LiveAircraft& aircraft, const PositionRecord& position)
{
    if (aircraft.state != SimObjectState::active || aircraft.groundMode == 0 || aircraft.takeOffRoll != 0) {
        return;
    }
    const PositionRecord& last = aircraft.positions.back();
    const bool climbingAway = lf_clearOfGround(aircraft, position) && lf_clearOfGround(aircraft, last);
    if (aircraft.landingRoll == 0) {
        bool takeOff = position.groundSpeedKt >= takeOffRollSpeedKt && last.groundSpeedKt >= takeOffRollSpeedKt;
        if (aircraft.landed == 0) {
            takeOff = takeOff || position.airborne != 0;
        } else {
            // After a touchdown, fast reports at the ground's height roll out; they count only from the ground.
            takeOff = climbingAway || (takeOff && position.airborne == 0 && last.airborne == 0);
        }
        if (takeOff && aircraft.phase == MovementPhase::taxi) {
            context.motion.startTakeOffRoll(context, aircraft);
        }
    } else if (climbingAway) {
        lf_abortLanding(context, aircraft);
    }
}

void lf_appendAfterLast(LiveAircraft& aircraft, PositionRecord& position)
{
    position.dueTick = std::max(position.dueTick, aircraft.positions.back().dueTick + 1);
    aircraft.positions.push_back(position);
}

} // namespace

bool gf_filterPosition(const LiveAircraft& aircraft, PositionRecord& position)
{
    if (aircraft.positions.empty()) {
        return true;
    }
    const PositionRecord& last = aircraft.positions.back();
    if (lf_samePoint(position, last)) {
        position.stationary = 1;
    }
    if (aircraft.flight.category == AircraftCategory::Rotorcraft) {
        return true;
    }
    const bool flownInAir = aircraft.state == SimObjectState::active && aircraft.groundMode == 0;
    if (position.stationary != 0) {
        if (position.airborne != 0 || flownInAir) {
            return false;
        }
        if (aircraft.takeOffRoll != 0 && position.groundSpeedKt > 0.0 && last.groundSpeedKt >= 30.0) {
            return false;
        }
        position.groundSpeedKt = 0.0;
        return true;
    }
    if (std::abs(position.latitude - last.latitude) <= 0.00015 &&
        std::abs(position.longitude - last.longitude) <= 0.00015) {
        if (position.airborne != 0 || flownInAir) {
            return false;
        }
        if (aircraft.takeOffRoll != 0 && position.groundSpeedKt > 0.0 && last.groundSpeedKt >= 50.0) {
            return false;
        }
        // A creep within the noise of the data is a stop at the last position.
        const int32_t due = position.dueTick;
        position = last;
        position.dueTick = due;
        position.groundSpeedKt = 0.0;
        position.stationary = 1;
        return true;
    }
    return !(position.groundSpeedKt == 0.0 &&
             (position.airborne != 0 || (aircraft.takeOffRoll != 0 && last.groundSpeedKt >= 50.0)));
}

void gf_leaveStand(LiveContext& context, LiveAircraft& aircraft, PositionRecord& position)
{
    position.stationary = 0;
    aircraft.leavingStand = 1;
    if (aircraft.previousPhase != MovementPhase::parked && lf_extrapolated(aircraft)) {
        using std::chrono::minutes;
        minutes towLimit{0};
        switch (aircraft.flight.category) {
        case AircraftCategory::Heavy: towLimit = minutes(60); break;
        case AircraftCategory::Large: towLimit = minutes(25); break;
        case AircraftCategory::Buzjets: towLimit = minutes(15); break;
        default: break;
        }
        if (aircraft.mayBeTowed != 0 && context.time.now() - aircraft.parkedSince < towLimit) {
            aircraft.towed = 1;
        }
        gf_resumeRealData(context, aircraft, aircraft.takeOffRoll != 0 ? 5000 : 3000, false);
        // The made-up front stands until the real aircraft started to move: this report's distance from the stand
        // at its speed before it is due, so that the aircraft leaves the stand with its delay (at once when that
        // moment has passed).
        int32_t startTick = context.tick() + 1;
        if (position.groundSpeedKt > 0.0) {
            const double ticks = gf_travelTicks(gf_distanceNm({aircraft.standLat, aircraft.standLon}, lf_at(position)),
                                                      position.groundSpeedKt);
            startTick = std::max(startTick, position.dueTick - static_cast<int32_t>(std::lround(ticks)));
        }
        gf_setFrontDue(aircraft, startTick);
    }
    context.parking.addRealStandOption(aircraft, StandUseReason::left);
    context.parking.setStandOccupied(aircraft.standNumber, false);
    aircraft.setPhase(MovementPhase::parked);
}

void decodeExisting(LiveContext& context, LiveAircraft& aircraft, PositionRecord position)
{
    try {
        PositionQueue& positions = aircraft.positions;
        if (positions.size() >= maxQueuedPositions) {
            gf_log(fmt::format("{} more than {} positions queued, removed", gf_describeAc(aircraft.flight),
                               maxQueuedPositions));
            removeAircraftFromSim(context, aircraft);
            return;
        }
        if (aircraft.holding != 0 && !positions.empty() &&
            gf_distanceNm(lf_at(positions.front()), lf_at(position)) * metresPerNm >
                settings::holdingThresholdMeters.get()) {
            aircraft.holding = 0;
            removeAircraftFromSim(context, aircraft);
            return;
        }
        if (aircraft.phase == MovementPhase::birth) {
            if (!positions.empty() && gf_filterPosition(aircraft, position)) {
                lf_appendAfterLast(aircraft, position);
            }
            return;
        }
        if (!lf_checkExtendingSituations(context, aircraft, position) || positions.empty() ||
            aircraft.state == SimObjectState::removingfromsim || aircraft.erase != 0) {
            return;
        }
        lf_trimStop(aircraft, position);
        position.dueTick = std::max(position.dueTick, positions.back().dueTick + 1);
        lf_groundTransitions(context, aircraft, position);
        positions.push_back(position);
        if (positions.size() == 2 && positions[0].stationary != 0 && positions[1].stationary != 0) {
            gf_setFrontDue(aircraft, context.tick() + 1);
            positions[0].groundSpeedKt = positions[1].groundSpeedKt;
        }
    } catch (const std::exception& e) {
        gf_logAlert(fmt::format("{} exception {}", "decodeExisting", e.what()));
    }
}

} // namespace hlw
