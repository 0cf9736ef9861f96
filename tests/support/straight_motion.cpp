#include "support/straight_motion.h"

#include "engine/live/angles.h"
#include "engine/live/live_commands.h"
#include "engine/live/position_stream.h"
#include "engine/live/travel_ticks.h"

#include <algorithm>
#include <cmath>

namespace hlw {

namespace {

void lf_straightLeg(const LiveContext& context, LiveAircraft& aircraft, double speedKt)
{
    const PositionRecord& next = aircraft.positions[1];
    const double ticks = std::max(minLegTicks, next.dueTick - context.tick());
    aircraft.legTrueAirspeedKt = speedKt;
    aircraft.legVerticalSpeedFpm = next.verticalSpeedFpm;
    aircraft.altitudeRate = (next.altitudeFt - aircraft.altitudeFt) / ticks;
    aircraft.heading = gf_normaliseTwoPi(aircraft.bearingToNext);
    aircraft.headingRate = 0.0;
    aircraft.pitch = 0.0;
    aircraft.bank = 0.0;
    aircraft.pitchRate = 0.0;
    aircraft.bankRate = 0.0;
}

} // namespace

void StraightMotion::stepAirborne(LiveContext& context, LiveAircraft& aircraft)
{
    if (aircraft.phase != MovementPhase::take_off && aircraft.phase != MovementPhase::flying) {
        aircraft.setPhase(MovementPhase::flying);
    }
    lf_straightLeg(context, aircraft, aircraft.positions[1].trueAirspeedKt);
}

void StraightMotion::stepGround(LiveContext& context, LiveAircraft& aircraft)
{
    if (aircraft.positions[1].airborne != 0) {
        aircraft.groundMode = 0;
        stepAirborne(context, aircraft);
        return;
    }
    if (aircraft.phase == MovementPhase::flying || aircraft.phase == MovementPhase::parked) {
        aircraft.setPhase(MovementPhase::taxi);
    }
    if (aircraft.takeOffRoll == 0 && aircraft.landingRoll == 0) {
        gf_shrinkWindows(aircraft);
    }
    lf_straightLeg(context, aircraft, aircraft.positions[1].groundSpeedKt);
}

void StraightMotion::stepMotion(LiveContext& context, LiveAircraft& aircraft)
{
    static_cast<void>(context);
    aircraft.latitude += aircraft.latStep;
    aircraft.longitude += aircraft.lonStep;
    aircraft.altitudeFt = std::max(0.0, aircraft.altitudeFt + aircraft.altitudeRate);
    aircraft.heading = gf_normaliseTwoPi(aircraft.heading + aircraft.headingRate);
    if (aircraft.longitude > 180.0 || aircraft.longitude < -180.0) {
        aircraft.longitude = std::remainder(aircraft.longitude, 360.0);
    }
    if (std::abs(aircraft.latitude) > 90.0) {
        aircraft.latitude = std::copysign(180.0, aircraft.latitude) - aircraft.latitude;
        aircraft.longitude = std::remainder(aircraft.longitude + 180.0, 360.0);
    }
}

void StraightMotion::retimeGround(LiveContext& context, LiveAircraft& aircraft)
{
    groundPathStep(context, aircraft);
}

void StraightMotion::groundPathStep(LiveContext& context, LiveAircraft& aircraft)
{
    PositionRecord& front = aircraft.positions[0];
    PositionRecord& next = aircraft.positions[1];
    if (next.stationary == 0) {
        const double ticks =
            gf_travelTicks(gf_distanceNm({front.latitude, front.longitude}, {next.latitude, next.longitude}),
                           gf_legSpeed(aircraft));
        gf_retimeNextBy(context, aircraft, std::isfinite(ticks) ? std::llround(std::min(ticks, double(maxTravelTicks))) : maxTravelTicks);
        return;
    }
    // A stop keeps its spacing from the front position.
    const int64_t spacing = std::max<int64_t>(minLegTicks, int64_t{next.dueTick} - front.dueTick);
    gf_retimeNextBy(context, aircraft, int64_t{front.dueTick} - context.tick() + spacing);
}

bool StraightMotion::arriveAtStand(LiveContext& context, LiveAircraft& aircraft)
{
    static_cast<void>(context);
    aircraft.setPhase(MovementPhase::taxi);
    return false;
}

SpawnStand StraightMotion::chooseSpawnStand(LiveContext& context, LiveAircraft& aircraft)
{
    static_cast<void>(context);
    static_cast<void>(aircraft);
    return SpawnStand::none;
}

void StraightMotion::parkCreated(LiveContext& context, LiveAircraft& aircraft)
{
    aircraft.groundMode = 1;
    gf_setAcGear(context.commands, aircraft, 1);
    aircraft.altitudeRate = 0.0;
    aircraft.phaseCountdown = 1;
}

void StraightMotion::startTakeOffRoll(LiveContext& context, LiveAircraft& aircraft)
{
    static_cast<void>(context);
    aircraft.takeOffRoll = 1;
}

} // namespace hlw
