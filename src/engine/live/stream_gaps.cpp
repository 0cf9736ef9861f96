#include "engine/live/stream_gaps.h"

#include "core/geodesy.h"
#include "engine/live/angles.h"
#include "engine/live/optional_categories.h"
#include "engine/live/position_stream.h"
#include "engine/live/travel_ticks.h"
#include "engine/sim/user_aircraft.h"
#include "settings/catalogue.h"

#include <algorithm>
#include <cmath>

namespace hlw {

namespace {

// Made-up positions lie this many seconds apart on the ground, in the air, and a week ahead for a parked aircraft.
constexpr int32_t groundStepSeconds = 3;
constexpr int32_t airStepSeconds = 8;
constexpr int32_t parkedStepSeconds = 604800;
// A hold appends a copy of the front position this many ticks later.
constexpr int32_t holdStepTicks = 300;
constexpr int32_t airborneExtrapolations = 8;
constexpr int32_t groundExtrapolations = 10;
// A made-up position of a landing roll is this much slower than the one before it, down to the floor (kt).
constexpr double landingRollSlowingKt = 10.0;
constexpr double landingRollFloorKt = 20.0;

// Another active taxiing aircraft close enough that this one must not block it.
bool lf_taxiingNeighbour(const LiveContext& context, const LiveAircraft& aircraft)
{
    const LatLon here{aircraft.latitude, aircraft.longitude};
    return std::ranges::any_of(context.state.live, [&](const LiveAircraft& other) {
        return &other != &aircraft && other.state == SimObjectState::active && other.groundMode != 0 &&
               other.phase == MovementPhase::taxi && other.objectId != aircraft.objectId &&
               gf_distanceNm(here, {other.latitude, other.longitude}) <=
                   (aircraft.flight.halfWingspanNm + other.flight.halfWingspanNm) * 1.2;
    });
}

// The hold of a taxiing aircraft without data: false ends it.
bool lf_hold(LiveContext& context, LiveAircraft& aircraft)
{
    if (lf_taxiingNeighbour(context, aircraft)) {
        aircraft.holding = 0;
        return false;
    }
    if (aircraft.holding == 0) {
        aircraft.holding = 1;
        aircraft.holdStartTick = context.tick();
    } else if (settings::airborneOnly.get() ||
               context.tick() - aircraft.holdStartTick >= settings::maxHoldingMinutes.get() * 60 * ticksPerSecond) {
        return false;
    }
    PositionRecord copy = aircraft.positions.front();
    copy.dueTick += holdStepTicks;
    copy.groundSpeedKt = 0.0;
    copy.stationary = 1;
    aircraft.positions.push_back(copy);
    aircraft.extrapolationCount = 1;
    return true;
}

// The first made-up position: how many may follow, or 0 when the aircraft is not to go on.
int32_t lf_firstExtrapolationCount(const LiveContext& context, const LiveAircraft& aircraft)
{
    if (!gf_categoryShown(aircraft.flight.category)) {
        return 0;
    }
    if (aircraft.groundMode != 0) {
        return aircraft.phase == MovementPhase::parked ? 1 : groundExtrapolations;
    }
    if (const std::optional<UserAircraftFix>& user = context.state.user) {
        const LatLon userAt{user->latitude, user->longitude};
        if (gf_isKnownPosition(userAt) && gf_distanceNm(userAt, {aircraft.latitude, aircraft.longitude}) >=
                                              rangeNm.load() - 0.5) {
            return 0;
        }
    }
    if (settings::airborneOnly.get()) {
        return std::abs(aircraft.altitudeFt - context.parking.parkAirportElevationFt()) >= 1000.0
                   ? airborneExtrapolations
                   : 0;
    }
    return airborneExtrapolations;
}

double lf_takeOffRollSpeed(double groundSpeedKt, double& verticalSpeedFpm)
{
    if (groundSpeedKt <= 30.0) {
        return 40.0;
    }
    if (groundSpeedKt <= 60.0) {
        return 80.0;
    }
    if (groundSpeedKt <= 100.0) {
        return 110.0;
    }
    if (groundSpeedKt <= 140.0) {
        verticalSpeedFpm = 600.0;
        return 150.0;
    }
    if (groundSpeedKt <= 160.0) {
        verticalSpeedFpm = 1200.0;
        return 170.0;
    }
    verticalSpeedFpm = 2400.0;
    return 180.0;
}

// A landing roll slows by landingRollSlowingKt per made-up position down to landingRollFloorKt, so that its legs
// join without a jump in speed.
double lf_landingRollSpeed(double groundSpeedKt)
{
    return std::max(landingRollFloorKt, groundSpeedKt - landingRollSlowingKt);
}

} // namespace

bool gf_nextPosNoData(LiveContext& context, LiveAircraft& aircraft)
{
    if (aircraft.phase == MovementPhase::parking) {
        if (context.motion.arriveAtStand(context, aircraft) || aircraft.state != SimObjectState::active ||
            aircraft.phase == MovementPhase::parking) {
            return false;
        }
    }
    if (aircraft.phase == MovementPhase::pushed_back ||
        (aircraft.phase == MovementPhase::taxi && aircraft.takeOffRoll == 0 && aircraft.landingRoll == 0)) {
        return lf_hold(context, aircraft);
    }
    if (aircraft.extrapolationCount < 0) {
        return false;
    }
    if (aircraft.extrapolationCount == 1) {
        aircraft.extrapolationCount = -1;
        return false;
    }
    if (aircraft.extrapolationCount > 1) {
        gf_extrapolatePosition(context, aircraft, aircraft.extrapolationCount - 1);
        return true;
    }
    const int32_t count = lf_firstExtrapolationCount(context, aircraft);
    if (count == 0) {
        return false;
    }
    gf_extrapolatePosition(context, aircraft, count);
    return true;
}

void gf_extrapolatePosition(LiveContext& context, LiveAircraft& aircraft, int32_t count)
{
    aircraft.extrapolationCount = count;
    PositionRecord next = aircraft.positions.front();
    const bool parked = aircraft.phase == MovementPhase::parked;
    const bool onGround = aircraft.groundMode != 0;
    const int32_t stepSeconds = parked ? parkedStepSeconds : onGround ? groundStepSeconds : airStepSeconds;
    if (next.stationary != 0 || parked) {
        next.stationary = 1;
        next.groundSpeedKt = 0.0;
    } else {
        double speedKt = next.groundSpeedKt;
        if (!onGround) {
            if (aircraft.landing == 0) {
                speedKt = std::max(1.0, 0.95 * speedKt);
            } else if (count >= 4) {
                speedKt = std::max(1.0, 0.9 * speedKt);
            }
        } else if (aircraft.takeOffRoll != 0) {
            speedKt = lf_takeOffRollSpeed(speedKt, next.verticalSpeedFpm);
        } else if (aircraft.landingRoll != 0) {
            speedKt = lf_landingRollSpeed(speedKt);
        } else {
            speedKt = 0.0;
            next.stationary = 1;
        }
        next.groundSpeedKt = speedKt;
        const double distanceFt = speedKt * stepSeconds * ticksPerSecond * feetPerNm / ticksPerHour;
        const LatLon moved = gf_destinationPoint({next.latitude, next.longitude}, aircraft.heading, distanceFt);
        const bool didMove = moved.lat != next.latitude || moved.lon != next.longitude;
        next.latitude = moved.lat;
        next.longitude = moved.lon;
        if (aircraft.landing != 0 && aircraft.flareStage == 0) {
            next.verticalSpeedFpm = -667.0;
            next.altitudeFt -= 10.005 * stepSeconds;
        } else if (aircraft.phase == MovementPhase::take_off) {
            next.verticalSpeedFpm = 1500.0;
            next.altitudeFt += 25.0 * stepSeconds;
        }
        next.stationary = didMove ? next.stationary : uint8_t{1};
    }
    next.airborne = next.altitudeFt > 0.0 ? 1 : 0;
    next.altitudeFt = std::max(0.0, next.altitudeFt);
    next.dueTick += stepSeconds * ticksPerSecond;
    if (parked) {
        aircraft.standOccupied = 0;
        context.parking.setStandOccupied(aircraft.standNumber, false);
    }
    aircraft.positions.push_back(next);
}

} // namespace hlw
