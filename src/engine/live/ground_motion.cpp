// Ground legs: timing with curves, points between speed changes, push-back and pull-out, and the leg set-up.
#include "engine/live/ground_motion.h"

#include "core/geodesy.h"
#include "core/log.h"
#include "engine/live/air_motion.h"
#include "engine/live/angles.h"
#include "engine/live/live_commands.h"
#include "engine/live/position_stream.h"
#include "engine/live/roll_legs.h"
#include "engine/live/stand_parking.h"
#include "engine/live/travel_ticks.h"
#include "records/stand_record.h"

#include <fmt/format.h>

#include <algorithm>
#include <cmath>
#include <numbers>

namespace hlw {

namespace {

// Turns of at most this many degrees need no curve, and above the upper one none is flown.
constexpr double smallTurnDeg = 3.0;
constexpr double sharpTurnDeg = 45.0;
constexpr double widestCurveDeg = 160.0;
constexpr double pushBackTurnDeg = 90.0;
constexpr double settingOffTurnDeg = 90.0;
constexpr double parkingNextSpeedKt = 5.0;
constexpr double parkingReachNm = 0.0189;
// A roll leg this long or longer (ticks) is split where its speeds differ.
constexpr int32_t rollSplitTicks = 100;

LatLon lf_at(const PositionRecord& position) noexcept
{
    return {position.latitude, position.longitude};
}

int32_t lf_throttle(const LiveAircraft& aircraft, int32_t index) noexcept
{
    return aircraft.flight.category == AircraftCategory::Rotorcraft ? 4 : index;
}

} // namespace

void gf_curveLocal(const GroundCurve& curve, const PositionRecord& position, double& east, double& north) noexcept
{
    north = (position.latitude - curve.startLat) * curveMetresPerDegree;
    east = (position.longitude - curve.startLon) * curveMetresPerDegree * std::cos(curve.startLat * radPerDeg);
}

double gf_curveLengthNm(const GroundCurve& curve) noexcept
{
    constexpr int chords = 16;
    double metres = 0.0;
    double east = 0.0;
    double north = 0.0;
    for (int i = 1; i <= chords; ++i) {
        const double u = double(i) / chords;
        const double a = 2.0 * u * (1.0 - u);
        const double b = u * u;
        const double nextEast = a * curve.east[1] + b * curve.east[2];
        const double nextNorth = a * curve.north[1] + b * curve.north[2];
        metres += std::hypot(nextEast - east, nextNorth - north);
        east = nextEast;
        north = nextNorth;
    }
    return metres / metresPerNm;
}

namespace {

// A leg whose speeds differ by more than 5 kt over 100 m or more (rolling: over rollSplitTicks or more, as a short
// leg of a roll may change its speed as much) is halved until its first part no longer is; the later parts are
// halved when their legs start, so that the speed changes in steps of a few knots.
void lf_checkSpeedChange(LiveAircraft& aircraft, bool rolling)
{
    const PositionQueue& positions = aircraft.positions;
    if (positions[0].groundSpeedKt == 0.0 && positions[1].groundSpeedKt == 0.0) {
        return;
    }
    const auto splits = [&] {
        return rolling ? positions[1].dueTick - aircraft.legReceivedDueTick >= rollSplitTicks
                       : gf_distanceNm(lf_at(positions[0]), lf_at(positions[1])) * metresPerNm >= 100.0;
    };
    while (std::abs(positions[0].groundSpeedKt - positions[1].groundSpeedKt) > 5.0 && splits()) {
        gf_insertMidpoint(aircraft);
    }
}

void lf_turnsAndSpeeds(LiveAircraft& aircraft, bool rolling)
{
    PositionQueue& positions = aircraft.positions;
    const PositionRecord& front = positions[0];
    const PositionRecord& next = positions[1];
    if (positions.size() >= 3 && positions[2].stationary == 0) {
        const double turnDeg = std::abs(gf_turnAhead(aircraft)) * degPerRad;
        if (turnDeg <= smallTurnDeg) {
            lf_checkSpeedChange(aircraft, rolling);
        } else if (turnDeg > sharpTurnDeg && gf_distanceNm(lf_at(front), lf_at(next)) > 0.027 &&
                   front.groundSpeedKt <= 43.0 && next.dueTick - front.dueTick >= 600) {
            gf_insertMidpoint(aircraft);
        } else if (turnDeg <= widestCurveDeg && (positions[2].latitude != front.latitude ||
                                                 positions[2].longitude != front.longitude)) {
            gf_makeTurnCurve(aircraft);
            aircraft.turnAngleDeg = turnDeg;
        } else {
            lf_checkSpeedChange(aircraft, rolling);
        }
    } else if (aircraft.extrapolationCount == 0 && (front.groundSpeedKt > 0.0 || next.groundSpeedKt > 0.0) &&
               std::abs(front.groundSpeedKt - next.groundSpeedKt) > 5.0 &&
               gf_distanceNm(lf_at(front), lf_at(next)) * metresPerNm >= 100.0) {
        gf_insertMidpoint(aircraft);
    }
    if (!aircraft.curve.set()) {
        aircraft.headingDifferenceDeg = gf_angleBetween(aircraft.bearingToNext, aircraft.heading) * degPerRad;
        aircraft.turnToBearing = aircraft.headingDifferenceDeg > smallTurnDeg ? 1 : 0;
    }
}

// The speed an aircraft sets off with from a standstill: the first speed reported after it, which may come a report
// late; 0 when none of the next few reports has one.
double lf_settingOffSpeedKt(const PositionQueue& positions)
{
    constexpr std::size_t lookAhead = 3;
    for (std::size_t i = 1; i < std::min(positions.size(), lookAhead + 1) && positions[i].stationary == 0; ++i) {
        if (positions[i].groundSpeedKt > 0.0) {
            return positions[i].groundSpeedKt;
        }
    }
    return 0.0;
}

// A taxi leg on real data from a standstill to a position it has moved to: the aircraft stands until the real one
// set off, the leg's length at its setting-off speed before that position is due, so that it does not creep off
// early and arrive late. Setting off at right angles or more to its heading, as after a push-back, it turns toward
// the leg while it stands.
void lf_standUntilSettingOff(LiveAircraft& aircraft)
{
    PositionQueue& positions = aircraft.positions;
    const PositionRecord& front = positions[0];
    const PositionRecord& next = positions[1];
    if (aircraft.phase != MovementPhase::taxi || aircraft.extrapolationCount != 0 || front.groundSpeedKt != 0.0 ||
        next.stationary != 0) {
        return;
    }
    const double speedKt = lf_settingOffSpeedKt(positions);
    if (speedKt <= 0.0) {
        return;
    }
    const int64_t moving = gf_boundedTravelTicks(gf_distanceNm(lf_at(front), lf_at(next)), speedKt);
    const int64_t setOff = int64_t{next.dueTick} - moving;
    if (setOff - aircraft.legReceivedDueTick <= reportTimesDeadBandTicks || moving >= reportTimesLimitTicks) {
        return;
    }
    const double bearing = gf_bearingRad(lf_at(front), lf_at(next));
    if (gf_angleBetween(bearing, aircraft.heading) >= settingOffTurnDeg * radPerDeg) {
        aircraft.bearingToNext = bearing;
        aircraft.turnToBearing = 1;
    }
    PositionRecord standing = front;
    standing.stationary = 1;
    standing.dueTick = static_cast<int32_t>(setOff);
    positions.insert(positions.begin() + 1, standing);
}

void lf_pushingBack(LiveContext& context, LiveAircraft& aircraft)
{
    PositionQueue& positions = aircraft.positions;
    --aircraft.pushBackHoldCounter;
    if (aircraft.pushBackHoldCounter == 1) {
        if (aircraft.pushBackTurnKnown != 0 && positions.size() >= 3) {
            if (aircraft.pushBackTurnSide != 0) {
                const int32_t due = positions.back().dueTick;
                positions.back() = aircraft.savedPositionRecord;
                positions.back().dueTick = due;
            }
            positions[2].dueTick = context.tick() + gf_pushBackCurveTicks(aircraft.flight);
            gf_makeTurnCurve(aircraft);
            aircraft.turnAngleDeg = pushBackTurnDeg;
        } else if (positions.size() >= 3) {
            positions.pop_back();
        }
        return;
    }
    if (aircraft.pushBackHoldCounter < 1) {
        aircraft.bearingToNext = aircraft.heading;
        gf_queueEnginesOn(context.commands, aircraft.objectId);
        gf_setAcThrottle(context.commands, aircraft, 0);
        gf_setAcFlaps(context.commands, aircraft, 1);
        aircraft.setPhase(MovementPhase::pushed_back);
        aircraft.pushBackHoldCounter = 1;
        aircraft.pushBackAllowanceNm = noPushBackDistanceYet;
        aircraft.extrapolationCount = 0;
        aircraft.leavingStand = 0;
    }
}

void lf_leaveParkedStand(LiveContext& context, LiveAircraft& aircraft)
{
    aircraft.lateWindow = aircraft.takeOffRoll != 0 ? 5000 : 3000;
    aircraft.earlyWindow = 3000;
    if (aircraft.leavingStand == 0) {
        return;
    }
    const double bearing = gf_bearingRad({aircraft.standLat, aircraft.standLon}, lf_at(aircraft.positions.back()));
    const long angleDeg = std::lround(gf_normalisePlusMinusPi(bearing - aircraft.standHeading) * degPerRad);
    if (std::abs(angleDeg) < 90) {
        gf_pullOut(context, aircraft);
    } else {
        gf_startPushBack(context, aircraft);
    }
}

} // namespace

int32_t gf_pushBackCurveTicks(const FlightRecord& flight) noexcept
{
    const double turnStep = std::max(1e-9, flight.turnStepRad);
    return static_cast<int32_t>(std::lround(std::min(pushBackTurnDeg / turnStep / 100.0, double(maxTravelTicks))));
}

bool gf_curvePosition(const GroundCurve& curve, double time, double& latDeg, double& lonDeg, double& headingRad)
{
    if (std::isnan(curve.east[1]) || std::isnan(curve.north[1]) || !(time >= curve.startTime) ||
        !(time <= curve.endTime)) {
        return false;
    }
    const double u = (time - curve.startTime) / (curve.endTime - curve.startTime);
    const double a = 2.0 * u * (1.0 - u);
    const double b = u * u;
    const double east = a * curve.east[1] + b * curve.east[2];
    const double north = a * curve.north[1] + b * curve.north[2];
    const double startLat = curve.startLat > 180.0 ? curve.startLat - 360.0 : curve.startLat;
    latDeg = curve.startLat + north / curveMetresPerDegree;
    lonDeg = curve.startLon + east / (curveMetresPerDegree * std::cos(startLat * radPerDeg));
    const double dEast = 2.0 * (1.0 - u) * curve.east[1] + 2.0 * u * (curve.east[2] - curve.east[1]);
    const double dNorth = 2.0 * (1.0 - u) * curve.north[1] + 2.0 * u * (curve.north[2] - curve.north[1]);
    headingRad = gf_normaliseTwoPi(std::atan2(dEast, dNorth));
    return true;
}

double gf_curveSpeedChange(const GroundCurve& curve, double share) noexcept
{
    if (!(curve.startKt > 0.0) || !(curve.endKt > 0.0)) {
        return 1.0;
    }
    const double startSquared = curve.startKt * curve.startKt;
    const double squared = startSquared + (curve.endKt * curve.endKt - startSquared) * std::clamp(share, 0.0, 1.0);
    return std::sqrt(squared) / ((curve.startKt + curve.endKt) / 2.0);
}

double gf_curvePace(const GroundCurve& curve, double time, double speedChange) noexcept
{
    constexpr double steadiest = 4.0;
    const double u = std::clamp((time - curve.startTime) / (curve.endTime - curve.startTime), 0.0, 1.0);
    const double dEast = 2.0 * (1.0 - u) * curve.east[1] + 2.0 * u * (curve.east[2] - curve.east[1]);
    const double dNorth = 2.0 * (1.0 - u) * curve.north[1] + 2.0 * u * (curve.north[2] - curve.north[1]);
    // Every tick of a curve: sqrt, not the slower hypot, as the values are metres.
    const double speed = std::sqrt(dEast * dEast + dNorth * dNorth);
    if (!(curve.lengthNm > 0.0) || !(speed > 0.0)) {
        return 1.0;
    }
    return std::clamp(curve.lengthNm * metresPerNm / speed * speedChange, 1.0 / steadiest, steadiest);
}

void gf_insertMidpoint(LiveAircraft& aircraft)
{
    PositionQueue& positions = aircraft.positions;
    const PositionRecord& front = positions[0];
    const PositionRecord& next = positions[1];
    // Between two moving reports, where a steady change from the one speed v0 to the other v1 has brought the
    // aircraft at the middle of their times: (3 v0 + v1) / (4 (v0 + v1)) of the way, so that each half is flown at
    // the mean of its end speeds in half the time (halfway at one speed). Halfway when either stands: a leg from or
    // to a standstill has its own timing.
    const double v0 = front.groundSpeedKt;
    const double v1 = next.groundSpeedKt;
    const double share = v0 > 0.0 && v1 > 0.0 ? (3.0 * v0 + v1) / (4.0 * (v0 + v1)) : 0.5;
    PositionRecord middle = next;
    middle.latitude = front.latitude + share * (next.latitude - front.latitude);
    middle.longitude = front.longitude + share * (next.longitude - front.longitude);
    middle.groundSpeedKt = (v0 + v1) / 2.0;
    if (front.airborne != next.airborne) {
        // Between the ground (altitude 0) and the air, as where a take-off leaves the ground: on the ground.
        const PositionRecord& ground = front.airborne == 0 ? front : next;
        middle.altitudeFt = ground.altitudeFt;
        middle.airborne = 0;
    } else {
        middle.altitudeFt = std::max(0.0, (front.altitudeFt + next.altitudeFt) / 2.0);
        middle.airborne = middle.altitudeFt > 0.0 ? 1 : 0;
    }
    // Halfway between the reports in time: the front's due tick may have moved with its own leg's timing.
    middle.dueTick =
        static_cast<int32_t>(std::lround((double(aircraft.legReceivedDueTick) + double(next.dueTick)) / 2.0));
    middle.stationary = 0;
    positions.insert(positions.begin() + 1, middle);
}

void gf_makeTurnCurve(LiveAircraft& aircraft)
{
    PositionQueue& positions = aircraft.positions;
    PositionRecord& afterNext = positions[2];
    if (afterNext.groundSpeedKt == 0.0) {
        afterNext.groundSpeedKt = (positions[0].groundSpeedKt + positions[1].groundSpeedKt) / 2.0;
    }
    GroundCurve& curve = aircraft.curve;
    curve.startLat = aircraft.latitude;
    curve.startLon = aircraft.longitude;
    curve.east[0] = 0.0;
    curve.north[0] = 0.0;
    gf_curveLocal(curve, positions[1], curve.east[1], curve.north[1]);
    gf_curveLocal(curve, afterNext, curve.east[2], curve.north[2]);
    curve.startTime = 0.0;
    curve.endTime = 1.0;
    curve.lengthNm = gf_curveLengthNm(curve);
    curve.startKt = positions[0].groundSpeedKt;
    curve.endKt = afterNext.groundSpeedKt;
    positions.erase(positions.begin() + 1);
}

void gf_nextPosGround(LiveContext& context, LiveAircraft& aircraft)
{
    PositionQueue& positions = aircraft.positions;
    if (aircraft.phase == MovementPhase::pushing_back) {
        lf_pushingBack(context, aircraft);
    } else if (aircraft.phase != MovementPhase::parked && positions[1].stationary == 0) {
        const bool rolling = gf_rollLeg(aircraft);
        if (rolling) {
            gf_prepareRollLeg(context, aircraft);
        }
        lf_standUntilSettingOff(aircraft);
        if (positions[1].stationary == 0) {
            lf_turnsAndSpeeds(aircraft, rolling);
        }
    }
    if (aircraft.phase == MovementPhase::taxi && positions.back().stationary != 0 && context.parking.fileLoaded()) {
        const bool leftStandUntowed = aircraft.towed == 0 && (aircraft.previousPhase == MovementPhase::parked ||
                                                               aircraft.previousPhase < MovementPhase::taxi);
        if (!leftStandUntowed) {
            if (aircraft.extrapolationCount == 0) {
                if (positions[1].groundSpeedKt <= parkingNextSpeedKt &&
                    gf_distanceNm(lf_at(positions.front()), lf_at(positions.back())) <= parkingReachNm) {
                    try2Park(context, aircraft, false);
                }
            } else {
                try2Park(context, aircraft, aircraft.mayBeTowed != 0);
            }
        }
    }
    if (aircraft.phase == MovementPhase::parked) {
        lf_leaveParkedStand(context, aircraft);
    }
    gf_groundPathStep(context, aircraft);
}

void gf_groundPathStep(LiveContext& context, LiveAircraft& aircraft)
{
    PositionQueue& positions = aircraft.positions;
    const PositionRecord& front = positions[0];
    const PositionRecord& next = positions[1];
    FlightRecord& flight = aircraft.flight;
    if (next.stationary != 0) {
        // A stop keeps its spacing from the front position.
        const int64_t spacing = std::max<int64_t>(minLegTicks, int64_t{next.dueTick} - front.dueTick);
        gf_retimeNextBy(context, aircraft, int64_t{front.dueTick} - context.tick() + spacing);
        return;
    }
    flight.turnStepRad = flight.normalTurnStepRad;
    // A turn is timed along its curve: a sharp one ends close to where it starts.
    const double distanceNm =
        aircraft.curve.set() ? gf_curveLengthNm(aircraft.curve) : gf_distanceNm(lf_at(front), lf_at(next));
    const int64_t travel = std::max<int64_t>(minLegTicks, gf_boundedTravelTicks(distanceNm, gf_legSpeed(aircraft)));
    if (aircraft.curve.set() || aircraft.turnToBearing != 0) {
        const double angleDeg = aircraft.curve.set() ? aircraft.turnAngleDeg : aircraft.headingDifferenceDeg;
        // The turn step in radians against an angle in degrees, as the rule has it.
        const double turns = std::round(angleDeg / std::max(1e-9, flight.turnStepRad) / 100.0);
        const double v = double(travel) / std::max(1.0, turns);
        if (angleDeg > 0.0 && distanceNm > 0.0) {
            if (angleDeg <= sharpTurnDeg) {
                const double r = std::min(v * 10.0 / angleDeg, v * (30.0 / metresPerNm) / distanceNm);
                if (v >= 1.2 && r > 0.0) {
                    flight.turnStepRad /= r;
                } else if (v < 1.2 && v > 0.0) {
                    flight.turnStepRad /= v;
                }
            } else {
                flight.turnStepRad *= std::min(v, std::min(angleDeg, 90.0) / 30.0);
                if (angleDeg >= 90.0) {
                    aircraft.earlyWindow = std::max(aircraft.earlyWindow, 2000);
                    aircraft.lateWindow = std::max(aircraft.lateWindow, 2000);
                }
            }
        }
    }
    gf_retimeNextBy(context, aircraft, travel);
}

void gf_stepGround(LiveContext& context, LiveAircraft& aircraft)
{
    SimCommandQueues& commands = context.commands;
    const PositionRecord& front = aircraft.positions[0];
    const PositionRecord& next = aircraft.positions[1];
    if (aircraft.phase == MovementPhase::flying || aircraft.phase == MovementPhase::parked) {
        aircraft.setPhase(MovementPhase::taxi);
    }
    const bool light = aircraft.flight.category == AircraftCategory::Light;
    if (aircraft.takeOffRoll != 0) {
        int32_t throttle = 0;
        if (aircraft.flight.category == AircraftCategory::Rotorcraft || front.groundSpeedKt >= 25.0 ||
            next.groundSpeedKt >= 30.0) {
            throttle = 4;
        } else if (front.groundSpeedKt >= 20.0 || next.groundSpeedKt >= 25.0) {
            throttle = 2;
        } else if (front.groundSpeedKt >= 15.0 || next.groundSpeedKt >= 20.0) {
            throttle = 1;
        }
        gf_setAcThrottle(commands, aircraft, throttle);
    } else if (aircraft.landingRoll != 0) {
        if (gf_angleBetween(aircraft.heading, aircraft.headingAtTouchdown) >= 15.0 * radPerDeg) {
            aircraft.landingRoll = 0;
            gf_setAcFlaps(commands, aircraft, 0);
            gf_setAcThrottle(commands, aircraft, lf_throttle(aircraft, 0));
            gf_setAcSpoilers(commands, aircraft, 0);
            if (!light) {
                context.services.setSpoilersThrottle(aircraft.objectId, {});
            }
            gf_queueLights(commands, aircraft.objectId,
                           {.nav = 1, .beacon = 1, .landing = 0, .taxi = 1, .strobes = 0, .logo = 1, .cabin = 1});
        } else if (front.groundSpeedKt <= 90.0) {
            gf_setAcSpoilers(commands, aircraft, 0);
            if (!light) {
                context.services.setSpoilersThrottle(aircraft.objectId, {});
            }
            gf_setAcFlaps(commands, aircraft, 1);
        }
    } else {
        gf_setAcThrottle(commands, aircraft, lf_throttle(aircraft, 0));
    }
    if (aircraft.takeOffRoll == 0 && aircraft.landingRoll == 0) {
        gf_shrinkWindows(aircraft);
    }
    if (aircraft.flareStage == 0 && aircraft.phase != MovementPhase::take_off) {
        aircraft.pitch = aircraft.flight.staticPitchRad;
        aircraft.bank = 0.0;
        aircraft.pitchRate = 0.0;
        aircraft.bankRate = 0.0;
    }
    if (aircraft.curve.set()) {
        aircraft.curveTimeStep = 1.0 / std::max<double>(minLegTicks, next.dueTick - context.tick());
    }
    aircraft.legTrueAirspeedKt = aircraft.phase == MovementPhase::pushing_back ? -next.groundSpeedKt : next.groundSpeedKt;
    gf_considerTakeOffRun(context, aircraft);
}

void gf_pullOut(LiveContext& context, LiveAircraft& aircraft)
{
    aircraft.leavingStand = 0;
    aircraft.extrapolationCount = 0;
    aircraft.turnToBearing = 0;
    const FlightRecord& flight = aircraft.flight;
    const double distanceNm = 2.0 * flight.halfWingspanNm;
    const LatLon target =
        gf_destinationPoint({aircraft.standLat, aircraft.standLon}, aircraft.standHeading, distanceNm * feetPerNm);
    PositionQueue& positions = aircraft.positions;
    // The reports of the real aircraft beyond the pull-out's end stay: the replay goes on along them.
    std::size_t beyond = 1;
    while (beyond < positions.size() &&
           gf_distanceNm({aircraft.standLat, aircraft.standLon}, lf_at(positions[beyond])) <= distanceNm) {
        ++beyond;
    }
    positions.erase(positions.begin() + 1, positions.begin() + static_cast<std::ptrdiff_t>(beyond));
    gf_setFrontDue(aircraft, context.tick());
    PositionRecord& front = positions.front();
    front.groundSpeedKt = flight.taxiSpeedKt;
    PositionRecord next = front;
    next.latitude = target.lat;
    next.longitude = target.lon;
    next.stationary = 0;
    next.airborne = 0;
    next.altitudeFt = 0.0;
    next.dueTick = context.tick() + static_cast<int32_t>(gf_boundedTravelTicks(distanceNm, flight.taxiSpeedKt));
    positions.insert(positions.begin() + 1, next);
    aircraft.setPhase(MovementPhase::taxi);
    aircraft.bearingToNext = aircraft.heading;
    SimCommandQueues& commands = context.commands;
    gf_queueLights(commands, aircraft.objectId,
                   {.nav = 1, .beacon = 1, .landing = 0, .taxi = 1, .strobes = 0, .logo = 1, .cabin = 0});
    gf_queueEnginesOn(commands, aircraft.objectId);
    gf_setAcThrottle(commands, aircraft, 0);
    gf_setAcFlaps(commands, aircraft, 1);
    gf_log(fmt::format("{:8}: {:8} pulling out", context.parking.standName(aircraft.standNumber), flight.callsign));
}

void gf_startPushBack(LiveContext& context, LiveAircraft& aircraft)
{
    aircraft.extrapolationCount = 0;
    const StandRecord* stand =
        aircraft.standNumber > 0 ? context.parking.standByNumber(aircraft.standNumber) : nullptr;
    if (stand == nullptr) {
        return;
    }
    const FlightRecord& flight = aircraft.flight;
    const double heading = aircraft.standHeading + std::numbers::pi;
    const double backNm = 2.5 * stand->radius;
    const int64_t backTicks = gf_boundedTravelTicks(backNm, flight.taxiSpeedKt);
    PositionQueue& positions = aircraft.positions;
    positions.resize(1);
    gf_setFrontDue(aircraft, context.tick());
    // The push runs at taxi speed from its start.
    positions.front().groundSpeedKt = flight.taxiSpeedKt;
    PositionRecord target = positions.front();
    const LatLon back = gf_destinationPoint({aircraft.latitude, aircraft.longitude}, heading, backNm * feetPerNm);
    target.latitude = back.lat;
    target.longitude = back.lon;
    target.altitudeFt = 0.0;
    target.airborne = 0;
    target.stationary = 0;
    target.groundSpeedKt = flight.taxiSpeedKt;
    target.dueTick = context.tick() + static_cast<int32_t>(backTicks);
    positions.push_back(target);
    gf_insertMidpoint(aircraft);
    const double sideFeet = flight.halfWingspanNm * feetPerNm;
    const int64_t sideTicks = gf_boundedTravelTicks(flight.halfWingspanNm, flight.taxiSpeedKt);
    PositionRecord end = target;
    end.dueTick = context.tick() + static_cast<int32_t>(backTicks / 2 + sideTicks);
    const LatLon plus = gf_destinationPoint(back, heading + std::numbers::pi / 2.0, sideFeet);
    const LatLon minus = gf_destinationPoint(back, heading - std::numbers::pi / 2.0, sideFeet);
    aircraft.savedPositionRecord = end;
    aircraft.savedPositionRecord.latitude = plus.lat;
    aircraft.savedPositionRecord.longitude = plus.lon;
    end.latitude = minus.lat;
    end.longitude = minus.lon;
    positions.push_back(end);
    gf_queueLights(context.commands, aircraft.objectId,
                   {.nav = 1, .beacon = 1, .landing = 0, .taxi = 1, .strobes = 0, .logo = 1, .cabin = 0});
    aircraft.turnToBearing = 0;
    aircraft.setPhase(MovementPhase::pushing_back);
    aircraft.pushBackHoldCounter = 2;
}

} // namespace hlw
