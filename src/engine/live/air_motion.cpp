// The set-up of an air leg and the configuration commands of climb, cruise, approach and take-off.
#include "engine/live/air_motion.h"

#include "core/log.h"
#include "engine/live/angles.h"
#include "engine/live/attitude.h"
#include "engine/live/ground_motion.h"
#include "engine/live/live_commands.h"
#include "engine/live/position_stream.h"
#include "engine/live/roll_legs.h"

#include <fmt/format.h>

#include <algorithm>
#include <cmath>
#include <numeric>
#include <ranges>

namespace hlw {

namespace {

constexpr double cruiseAltitudeFt = 10000.0;
constexpr double lowLevelFt = 1000.0;
constexpr double lowLevelClimbFloorFtPerTick = 0.2;
constexpr double approachNearNm = 10.0;
constexpr double takeOffRunSpeedKt = 43.0;
constexpr double turnBaselineNm = 0.15;
// A leg on real data this long in ticks, toward a report whose track lies between these angles off the heading,
// is flown as a curve.
constexpr double curvedLegTicks = 1000.0;
constexpr double curvedLegLeastTurnRad = 5.0 * radPerDeg;
constexpr double curvedLegMostTurnRad = 120.0 * radPerDeg;

bool lf_rotorcraft(const LiveAircraft& aircraft) noexcept
{
    return aircraft.flight.category == AircraftCategory::Rotorcraft;
}

// Throttle index, or 4 for a rotorcraft.
int32_t lf_throttle(const LiveAircraft& aircraft, int32_t index) noexcept
{
    return lf_rotorcraft(aircraft) ? 4 : index;
}

double lf_ticksToDue(const LiveContext& context, const PositionRecord& next) noexcept
{
    return std::max<double>(minLegTicks, next.dueTick - context.tick());
}

double lf_approachHeightFt(AircraftCategory category) noexcept
{
    switch (category) {
    case AircraftCategory::Buzjets:
    case AircraftCategory::Large:
    case AircraftCategory::Heavy: return 2050.0;
    default: return 625.0;
    }
}

bool lf_nearParkAirport(const LiveContext& context, const LiveAircraft& aircraft)
{
    const std::optional<LatLon> airport = context.parking.parkAirportPosition();
    return context.parking.parkAirportActive() && airport &&
           gf_distanceNm(*airport, {aircraft.latitude, aircraft.longitude}) <= approachNearNm;
}

struct TurnAhead {
    double turnRad = 0.0;
    double ticks = 0.0;
};

// The turn toward the track beyond the next position, taken over at least turnBaselineNm (or to the last position),
// and the ticks until the middle of that stretch: over the short legs of a source that reports every second or two,
// the bearing of a single leg swings with the noise of its positions.
TurnAhead lf_turnAheadInTheAir(const LiveAircraft& aircraft, double legTicks)
{
    const PositionQueue& positions = aircraft.positions;
    if (positions.size() < 3) {
        return {0.0, legTicks};
    }
    const PositionRecord& from = positions[1];
    std::size_t to = 2;
    while (to + 1 < positions.size() &&
           gf_distanceNm({from.latitude, from.longitude}, {positions[to].latitude, positions[to].longitude}) <
               turnBaselineNm) {
        ++to;
    }
    const double bearing =
        gf_bearingRad({from.latitude, from.longitude}, {positions[to].latitude, positions[to].longitude});
    return {gf_normalisePlusMinusPi(bearing - aircraft.heading),
            legTicks + std::max(0.0, double(positions[to].dueTick - from.dueTick) / 2.0)};
}

// A long air leg on real data (the first after a gap in the data) toward a report whose track differs from the
// heading: a curve that leaves along the heading and arrives along the report's track, where a straight leg would
// cut across the turn the real aircraft flew in the meantime. False when the two do not meet ahead of both.
bool lf_curveToTrack(LiveAircraft& aircraft, const PositionRecord& next, double ticks)
{
    const double track = next.trackDeg * radPerDeg;
    const double turn = gf_normalisePlusMinusPi(track - aircraft.heading);
    if (ticks < curvedLegTicks || aircraft.extrapolationCount != 0 || next.groundSpeedKt <= 0.0 ||
        std::abs(turn) < curvedLegLeastTurnRad || std::abs(turn) > curvedLegMostTurnRad) {
        return false;
    }
    GroundCurve curve;
    curve.startLat = aircraft.latitude;
    curve.startLon = aircraft.longitude;
    double endEast = 0.0;
    double endNorth = 0.0;
    gf_curveLocal(curve, next, endEast, endNorth);
    // Along the heading from the start a, back along the track from the end b, to where the two lines meet.
    const double headingEast = std::sin(aircraft.heading);
    const double headingNorth = std::cos(aircraft.heading);
    const double trackEast = std::sin(track);
    const double trackNorth = std::cos(track);
    const double det = headingEast * trackNorth - headingNorth * trackEast;
    if (std::abs(det) < 1e-9) {
        return false;
    }
    const double a = (endEast * trackNorth - endNorth * trackEast) / det;
    const double b = (headingEast * endNorth - headingNorth * endEast) / det;
    if (a <= 0.0 || b <= 0.0) {
        return false;
    }
    curve.east[0] = 0.0;
    curve.north[0] = 0.0;
    curve.east[1] = a * headingEast;
    curve.north[1] = a * headingNorth;
    curve.east[2] = endEast;
    curve.north[2] = endNorth;
    curve.startTime = 0.0;
    curve.endTime = 1.0;
    curve.lengthNm = gf_curveLengthNm(curve);
    // The leg's start has set the curve's time and share back to 0.
    aircraft.curve = curve;
    aircraft.curveTimeStep = 1.0 / ticks;
    return true;
}

void lf_setWindows(LiveAircraft& aircraft, int32_t early, int32_t late) noexcept
{
    aircraft.earlyWindow = early;
    aircraft.lateWindow = late;
}

void lf_verticalPlan(LiveContext& context, LiveAircraft& aircraft, double qnhHpa)
{
    PositionQueue& positions = aircraft.positions;
    PositionRecord& front = positions[0];
    PositionRecord& next = positions[1];
    const double ticks = lf_ticksToDue(context, next);
    const double climbLimit = aircraft.flight.climbLimitFtPerTick;
    SimCommandQueues& commands = context.commands;
    if (front.airborne == 0 && next.airborne != 0) {
        aircraft.altitudeRate =
            next.altitudeFt <= aircraft.altitudeFt ? 0.0 : std::min(climbLimit, (next.altitudeFt - aircraft.altitudeFt) / ticks);
        return;
    }
    if (front.airborne != 0 && next.airborne == 0) {
        if (context.parking.parkAirportActive() && qnhHpa <= 1013.0) {
            aircraft.altitudeRate = (context.parking.parkAirportElevationFt() - aircraft.altitudeFt) / ticks;
        } else {
            aircraft.legVerticalSpeedFpm =
                qnhHpa <= 1013.0 ? -601.0
                                 : gf_descentRate(front.verticalSpeedFpm, next.verticalSpeedFpm,
                                                  aircraft.heightAboveGroundFt, qnhHpa);
            aircraft.altitudeRate = aircraft.legVerticalSpeedFpm / 6000.0;
        }
        gf_setAcGear(commands, aircraft, 1);
        return;
    }
    if (front.airborne == 0 && next.airborne == 0) {
        const double verticalSum =
            std::accumulate(positions.begin(), positions.end(), 0.0,
                            [](double sum, const PositionRecord& p) { return sum + p.verticalSpeedFpm; });
        if (aircraft.landing == 0 && verticalSum > 100.0) {
            const std::size_t last = std::min<std::size_t>(10, positions.size() - 1);
            for (std::size_t i = 3; i <= last; ++i) {
                if (gf_retimeForClimb(context, aircraft, i)) {
                    return;
                }
            }
            PositionRecord& target = positions[1];
            target.verticalSpeedFpm = std::max(target.verticalSpeedFpm, 601.0);
            aircraft.legVerticalSpeedFpm = target.verticalSpeedFpm;
        } else {
            next.verticalSpeedFpm = gf_descentRate(front.verticalSpeedFpm, next.verticalSpeedFpm,
                                                   aircraft.heightAboveGroundFt, qnhHpa);
            aircraft.legVerticalSpeedFpm = next.verticalSpeedFpm;
        }
        aircraft.altitudeRate = aircraft.legVerticalSpeedFpm / 6000.0;
        gf_setAcGear(commands, aircraft, 1);
        return;
    }
    const double straight = (next.altitudeFt - aircraft.altitudeFt) / ticks;
    if (aircraft.landing == 0) {
        double rate = straight;
        // Low down, a climb goes at least at 0.2 ft per tick; descents keep their rate.
        if (aircraft.heightAboveGroundFt <= lowLevelFt && next.altitudeFt > aircraft.altitudeFt) {
            rate = std::max(rate, lowLevelClimbFloorFtPerTick);
        }
        aircraft.altitudeRate = std::min(rate, climbLimit);
        return;
    }
    if (next.altitudeFt != aircraft.altitudeFt || aircraft.heightAboveGroundFt > lowLevelFt ||
        front.verticalSpeedFpm + next.verticalSpeedFpm > 100.0) {
        aircraft.altitudeRate = straight;
    } else {
        aircraft.altitudeRate = gf_descentRate(front.verticalSpeedFpm, next.verticalSpeedFpm,
                                               aircraft.heightAboveGroundFt, qnhHpa) / 6000.0;
    }
}

void lf_checkApproach(LiveContext& context, LiveAircraft& aircraft)
{
    SimCommandQueues& commands = context.commands;
    gf_queueCabinLights(commands, aircraft.objectId, 0);
    const double v = aircraft.positions.front().verticalSpeedFpm;
    const bool near = lf_nearParkAirport(context, aircraft);
    if (v > -250.0) {
        if ((v > 600.0 || (aircraft.landing != 0 && !near)) && aircraft.climbConfigured == 0) {
            gf_shrinkWindows(aircraft);
            gf_setAcThrottle(commands, aircraft, 4);
            gf_setAcGear(commands, aircraft, 0);
            gf_setAcFlaps(commands, aircraft, 0);
            aircraft.climbConfigured = 1;
            aircraft.flareStage = 0;
            aircraft.landing = 0;
        }
        return;
    }
    if (aircraft.landing != 0 || !near) {
        return;
    }
    gf_setAcThrottle(commands, aircraft, lf_throttle(aircraft, 1));
    gf_setAcFlaps(commands, aircraft, 3);
    gf_setAcGear(commands, aircraft, 1);
    context.state.arrivals.push_back(aircraft.flight.hexId);
    aircraft.landing = 1;
    aircraft.climbConfigured = 0;
    aircraft.standLat = 0.0;
    aircraft.standLon = 0.0;
    aircraft.standHeading = 0.0;
    aircraft.standNumber = 0;
    aircraft.cargoStand = 0;
    aircraft.phaseCountdown = 1;
    lf_setWindows(aircraft, 3000, aircraft.takeOffRoll != 0 ? 5000 : 3000);
}

void lf_configBelow10000(LiveContext& context, LiveAircraft& aircraft)
{
    SimCommandQueues& commands = context.commands;
    if (aircraft.below10000Configured == 0) {
        aircraft.below10000Configured = 1;
        gf_queueLights(commands, aircraft.objectId, {1, 1, 1, 1, 1, 1, 1});
    }
    const double height = aircraft.heightAboveGroundFt;
    if (height <= lf_approachHeightFt(aircraft.flight.category)) {
        lf_checkApproach(context, aircraft);
        return;
    }
    gf_shrinkWindows(aircraft);
    gf_queueCabinLights(commands, aircraft.objectId, 1);
    aircraft.takeOffRoll = 0;
    aircraft.landing = 0;
    const double v = aircraft.positions.front().verticalSpeedFpm;
    if (v <= -250.0 && aircraft.lastThrottleIndex == 3) {
        gf_setAcThrottle(commands, aircraft, lf_throttle(aircraft, 2));
    } else if (v > 400.0 && aircraft.lastThrottleIndex == 4) {
        gf_setAcThrottle(commands, aircraft, lf_throttle(aircraft, 3));
    }
    if (height >= 2400.0) {
        gf_setAcGear(commands, aircraft, 0);
        gf_setAcFlaps(commands, aircraft, 0);
        return;
    }
    if (v <= 100.0) {
        if (height < 2000.0 && aircraft.lastFlapsIndex == 1) {
            gf_setAcFlaps(commands, aircraft, 2);
        } else if (aircraft.lastFlapsIndex == 0) {
            gf_setAcFlaps(commands, aircraft, 1);
        }
    }
}

void lf_configCruise(LiveContext& context, LiveAircraft& aircraft)
{
    if (aircraft.cruiseConfigured != 0) {
        return;
    }
    aircraft.cruiseConfigured = 1;
    SimCommandQueues& commands = context.commands;
    gf_queueLights(commands, aircraft.objectId, {.nav = 1, .beacon = 1, .landing = 0, .taxi = 0, .strobes = 0,
                                                 .logo = 0, .cabin = 1});
    gf_setAcThrottle(commands, aircraft, lf_throttle(aircraft, 3));
    gf_setAcGear(commands, aircraft, 0);
    gf_setAcFlaps(commands, aircraft, 0);
}

} // namespace

void gf_stepAirborne(LiveContext& context, LiveAircraft& aircraft, double qnhHpa)
{
    if (aircraft.phase != MovementPhase::take_off && aircraft.phase != MovementPhase::flying) {
        aircraft.setPhase(MovementPhase::flying);
    }
    {
        const PositionRecord& next = aircraft.positions[1];
        aircraft.legTrueAirspeedKt = next.trueAirspeedKt;
        aircraft.legVerticalSpeedFpm = next.verticalSpeedFpm;
    }
    if (aircraft.flareStage == 0) {
        lf_verticalPlan(context, aircraft, qnhHpa);
    }
    // The vertical plan may have dropped positions: the next one is read again.
    const PositionRecord& next = aircraft.positions[1];
    const double ticks = lf_ticksToDue(context, next);
    // The flare and the take-off set the pitch themselves.
    if (aircraft.phase != MovementPhase::take_off && aircraft.flareStage == 0) {
        const double limit = gf_attitudeLimits(aircraft.flight.category).maxPitchChangeRad;
        aircraft.pitchRate =
            std::clamp((gf_pitchForVerticalSpeed(next.verticalSpeedFpm) - aircraft.pitch) / ticks, -limit, limit);
    }
    // A received true heading is flown to low down when the report has a bank too, and by a rotorcraft at any height
    // and bank: its heading need not follow its track, and following the one report and then the track of the next
    // would swing it to and fro at the start of a turn.
    const double lowTurnHeightFt = aircraft.landing != 0 ? 2000.0 : 1000.0;
    const bool receivedHeading =
        next.trueHeadingPresent != 0 && next.trueHeadingRad &&
        (lf_rotorcraft(aircraft) || (next.bankRad && aircraft.heightAboveGroundFt < lowTurnHeightFt));
    double turn = 0.0;
    if (receivedHeading) {
        turn = gf_normalisePlusMinusPi(*next.trueHeadingRad - aircraft.heading);
        aircraft.headingRate = turn / ticks;
    } else if (lf_curveToTrack(aircraft, next, ticks)) {
        turn = gf_normalisePlusMinusPi(next.trackDeg * radPerDeg - aircraft.heading);
        aircraft.headingRate = turn / ticks;
    } else {
        const TurnAhead ahead = lf_turnAheadInTheAir(aircraft, ticks);
        turn = ahead.turnRad;
        aircraft.headingRate = turn / ahead.ticks;
    }
    // The heading of a fixed-wing aircraft turns no faster than the bank flies at the leg's speed (gf_turnWithinBank;
    // a rotorcraft turns as asked), and the aircraft banks for the turn the positions ask for: a received bank when it
    // leans into that turn (held to the category's limits like any other), else the bank of a coordinated turn (a
    // right turn lowers the right wing: a negative bank).
    const double speedKt = gf_distanceNm({aircraft.latitude, aircraft.longitude}, {next.latitude, next.longitude}) *
                           ticksPerHour / ticks;
    const bool bankIntoTurn = next.bankRad && *next.bankRad * turn <= 0.0;
    gf_setBankRate(aircraft, bankIntoTurn ? *next.bankRad : gf_bankForTurn(aircraft.headingRate, speedKt), ticks);
    aircraft.turnPerBankRad =
        gf_turnPerBank(speedKt, std::max(std::abs(aircraft.bank), std::abs(aircraft.bank + aircraft.bankRate * ticks)));
    if (aircraft.positions.front().altitudeFt < cruiseAltitudeFt) {
        lf_configBelow10000(context, aircraft);
    } else {
        lf_configCruise(context, aircraft);
    }
}

void gf_startTakeOffRoll(LiveContext& context, LiveAircraft& aircraft)
{
    if (aircraft.towed != 0) {
        gf_logAlert(fmt::format("towed aircraft takes-off? {}", gf_describeAc(aircraft.flight)));
    }
    SimCommandQueues& commands = context.commands;
    aircraft.takeOffRoll = 1;
    aircraft.landed = 0;
    gf_setAcThrottle(commands, aircraft, 0);
    gf_setAcSpoilers(commands, aircraft, 0);
    gf_setAcFlaps(commands, aircraft, 1);
    aircraft.landing = 0;
    aircraft.mayBeTowed = 0;
    aircraft.climbConfigured = 0;
    gf_queueLights(commands, aircraft.objectId, {1, 1, 1, 1, 1, 1, 0});
    lf_setWindows(aircraft, 3000, 5000);
}

void gf_startTakeOff(LiveContext& context, LiveAircraft& aircraft, int64_t runTicks)
{
    const int64_t runLength = std::max<int64_t>(1, aircraft.flight.takeOffRunTicks);
    aircraft.phaseCountdown = static_cast<int32_t>(std::clamp<int64_t>(runTicks, 1, runLength));
    aircraft.bank = 0.0;
    aircraft.bankRate = 0.0;
    aircraft.pitchRate = (aircraft.flight.takeOffPitchRad - aircraft.pitch) / aircraft.phaseCountdown;
    if (aircraft.takeOffRoll == 0) {
        gf_startTakeOffRoll(context, aircraft);
    }
    aircraft.setPhase(MovementPhase::take_off);
    aircraft.headingRate = 0.0;
    aircraft.curve.clear();
    if (aircraft.landingRoll != 0) {
        aircraft.landingRoll = 0;
        aircraft.landing = 0;
        gf_setAcThrottle(context.commands, aircraft, 4);
        gf_setAcSpoilers(context.commands, aircraft, 1);
        gf_setAcFlaps(context.commands, aircraft, 1);
    }
}

void gf_considerTakeOffRun(LiveContext& context, LiveAircraft& aircraft)
{
    PositionQueue& positions = aircraft.positions;
    if (aircraft.takeOffRoll == 0 || aircraft.phase == MovementPhase::take_off || positions.size() < 2 ||
        positions.front().groundSpeedKt < takeOffRunSpeedKt) {
        return;
    }
    const auto following = positions | std::views::drop(1);
    const bool slowClimb = std::ranges::any_of(following, [](const PositionRecord& p) {
        return p.verticalSpeedFpm <= slowClimbFpm;
    });
    const double climbLimit = aircraft.flight.climbLimitFtPerTick;
    // The run ends where the positions begin to climb: it starts when that is a run length away, and is shorter when
    // that is sooner.
    const int64_t runLength = aircraft.flight.takeOffRunTicks;
    const double liftOff = gf_liftOffTick(aircraft) - context.tick();
    const int64_t runTicks = std::isnan(liftOff) ? runLength : std::llround(liftOff);
    if (slowClimb) {
        if (!(liftOff <= double(runLength + minLegTicks))) {
            return;
        }
        gf_startTakeOff(context, aircraft, runTicks);
        aircraft.altitudeRate = climbLimit;
        return;
    }
    gf_startTakeOff(context, aircraft, runTicks);
    if (std::ranges::any_of(following, [](const PositionRecord& p) { return p.airborne == 0; })) {
        aircraft.altitudeRate = climbLimit;
    } else {
        // As the rule is written: at least 0.1 ft spread over the ticks to the next position.
        const PositionRecord& next = positions[1];
        aircraft.altitudeRate =
            std::max(0.1, next.altitudeFt - aircraft.altitudeFt) / lf_ticksToDue(context, next);
    }
}

double gf_climbOutShare(int32_t countdown) noexcept
{
    if (countdown >= -98) {
        return 0.1;
    }
    if (countdown >= -198) {
        return 0.2;
    }
    if (countdown >= -299) {
        return 0.5;
    }
    return 1.0;
}

} // namespace hlw
