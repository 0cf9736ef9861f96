#include "engine/live/motion_step.h"

#include "core/log.h"
#include "engine/live/air_motion.h"
#include "engine/live/angles.h"
#include "engine/live/attitude.h"
#include "engine/live/ground_motion.h"
#include "engine/live/live_commands.h"

#include <fmt/format.h>

#include <algorithm>
#include <cmath>
#include <numbers>

namespace hlw {

namespace {

constexpr double flareStartFt = 400.0;
constexpr double flarePitchLimitRad = -4.0 * radPerDeg;
constexpr double curveTimeLimit = 0.999999;
constexpr int32_t countdownFloor = -1000;
constexpr int32_t gearUpCountdown = -300;
constexpr double climbedOutFt = 800.0;

struct FlareStage {
    double altitudeRateFtPerTick;
    double verticalSpeedFpm;
};
// Stages 1 to 4.
constexpr FlareStage flareStages[4] = {{-0.1, -601.0}, {-0.075, -450.0}, {-0.05, -300.0}, {-0.025, -150.0}};

// Moves value toward target by the size of step; stops on the target.
double lf_toward(double value, double target, double step) noexcept
{
    const double size = std::abs(step);
    return value < target ? std::min(target, value + size) : std::max(target, value - size);
}

void lf_enterFlareStage(LiveContext& context, LiveAircraft& aircraft, uint32_t stage)
{
    aircraft.flareStage = stage;
    aircraft.altitudeRate = flareStages[stage - 1].altitudeRateFtPerTick;
    if (!aircraft.positions.empty()) {
        aircraft.positions.front().verticalSpeedFpm = flareStages[stage - 1].verticalSpeedFpm;
    }
    if (stage == 1) {
        aircraft.pitchRate =
            (flarePitchLimitRad - aircraft.pitch) / std::max(1.0, static_cast<double>(aircraft.flight.flareTicks));
        return;
    }
    if (stage == 3) {
        gf_setAcThrottle(context.commands, aircraft, 0);
    }
    aircraft.airportElevationFt.reset();
}

void lf_flareStages(LiveContext& context, LiveAircraft& aircraft)
{
    if (aircraft.landing == 0 || aircraft.groundMode != 0 || aircraft.heightAboveGroundFt > flareStartFt) {
        return;
    }
    const double cg = aircraft.flight.staticCgHeightFt;
    if (aircraft.flareStage == 0) {
        if (!aircraft.airportElevationFt && context.parking.parkAirportActive()) {
            aircraft.airportElevationFt = context.parking.parkAirportElevationFt();
        }
        double height = aircraft.heightAboveGroundFt;
        if (aircraft.airportElevationFt) {
            aircraft.heightAboveAirportFt = aircraft.altitudeFt - *aircraft.airportElevationFt;
            height = std::min(height, aircraft.heightAboveAirportFt);
        }
        if (height <= gf_flareStageHeightFt(1, cg)) {
            lf_enterFlareStage(context, aircraft, 1);
        }
    } else if (aircraft.flareStage < 4 &&
               aircraft.heightAboveGroundFt <= gf_flareStageHeightFt(aircraft.flareStage + 1, cg)) {
        lf_enterFlareStage(context, aircraft, aircraft.flareStage + 1);
    }
}

void lf_attitude(LiveContext& context, LiveAircraft& aircraft)
{
    lf_flareStages(context, aircraft);
    const FlightRecord& flight = aircraft.flight;
    if (aircraft.touchdown != 0) {
        // The nose goes down (or up) to the static pitch and stops on it.
        aircraft.pitch = lf_toward(aircraft.pitch, flight.staticPitchRad, aircraft.pitchRate);
        aircraft.bank += aircraft.bankRate;
        if (aircraft.pitch == flight.staticPitchRad) {
            aircraft.pitchRate = 0.0;
            aircraft.bank = 0.0;
            aircraft.bankRate = 0.0;
            aircraft.touchdown = 0;
            aircraft.flareStage = 0;
        }
    } else if (aircraft.flareStage != 0) {
        aircraft.bank = std::clamp(aircraft.bank + aircraft.bankRate, -std::numbers::pi, std::numbers::pi);
        aircraft.pitch = std::max(flarePitchLimitRad, aircraft.pitch + aircraft.pitchRate);
        aircraft.altitudeFt += aircraft.altitudeRate;
    } else if (aircraft.groundMode != 0) {
        aircraft.pitch = flight.staticPitchRad;
        aircraft.bank = 0.0;
    } else {
        aircraft.bank += aircraft.bankRate;
        aircraft.pitch += aircraft.pitchRate;
        aircraft.altitudeFt += aircraft.altitudeRate;
    }
}

void lf_takeOff(LiveContext& context, LiveAircraft& aircraft)
{
    const FlightRecord& flight = aircraft.flight;
    aircraft.phaseCountdown = std::max(countdownFloor, aircraft.phaseCountdown - 1);
    if (aircraft.phaseCountdown >= 1) {
        aircraft.groundMode = 0;
        aircraft.pitch = lf_toward(aircraft.pitch, flight.takeOffPitchRad, aircraft.pitchRate);
        return;
    }
    aircraft.bank = std::clamp(aircraft.bank + aircraft.bankRate, -std::numbers::pi, std::numbers::pi);
    if (aircraft.pitch > flight.climbPitchRad) {
        const double rotation = std::max(1.0, static_cast<double>(flight.rotationTicks));
        aircraft.pitch = std::max(flight.climbPitchRad,
                                  aircraft.pitch + (flight.climbPitchRad - flight.takeOffPitchRad) / rotation);
    }
    aircraft.altitudeFt += gf_climbOutShare(aircraft.phaseCountdown) * aircraft.altitudeRate;
    if (aircraft.phaseCountdown == gearUpCountdown) {
        gf_setAcGear(context.commands, aircraft, 0);
    }
    if (aircraft.pitch <= flight.climbPitchRad) {
        aircraft.pitchRate = 0.0;
        if (aircraft.heightAboveGroundFt >= climbedOutFt) {
            gf_setAcThrottle(context.commands, aircraft,
                             flight.category == AircraftCategory::Rotorcraft ? 4 : 3);
            aircraft.setPhase(MovementPhase::flying);
            aircraft.phaseCountdown = 1;
        }
    }
}

// The heading change of one tick in the air: a rotorcraft turns as its positions ask (with its tail rotor, not by
// banking), any other aircraft no faster than its bank flies and only to the side it leans.
inline double lf_airTurn(const LiveAircraft& aircraft) noexcept
{
    return aircraft.flight.category == AircraftCategory::Rotorcraft
               ? aircraft.headingRate
               : gf_turnWithinBank(aircraft.headingRate, aircraft.bank, aircraft.turnPerBankRad);
}

void lf_position(LiveAircraft& aircraft)
{
    if (aircraft.curve.set()) {
        // One speed along the curve, or a steady change between its ends' speeds: its time runs faster where its
        // points move slower.
        const double speedChange = gf_curveSpeedChange(aircraft.curve, aircraft.curveShare);
        aircraft.curveTime = std::clamp(aircraft.curveTime + aircraft.curveTimeStep * gf_curvePace(aircraft.curve,
                                                                                                    aircraft.curveTime,
                                                                                                    speedChange),
                                        0.0, curveTimeLimit);
        aircraft.curveShare += aircraft.curveTimeStep * speedChange;
        double heading = 0.0;
        if (gf_curvePosition(aircraft.curve, aircraft.curveTime, aircraft.latitude, aircraft.longitude, heading)) {
            if (aircraft.phase == MovementPhase::pushing_back) {
                heading += std::numbers::pi;
            }
            // In the air the heading keeps turning as the leg asks (lf_airTurn).
            aircraft.heading = aircraft.groundMode == 0
                                   ? gf_normaliseTwoPi(aircraft.heading + lf_airTurn(aircraft))
                                   : gf_chaseHeading(aircraft.heading, heading, aircraft.flight.turnStepRad);
        } else {
            gf_log(fmt::format("{} error in curve at index: {:.2F}", aircraft.flight.callsign, aircraft.curveTime));
        }
        return;
    }
    switch (aircraft.phase) {
    case MovementPhase::take_off:
    case MovementPhase::flying:
    case MovementPhase::parked:
    case MovementPhase::birth: {
        const double turn = aircraft.groundMode == 0 ? lf_airTurn(aircraft) : aircraft.headingRate;
        aircraft.heading = gf_normaliseTwoPi(aircraft.heading + turn);
        break;
    }
    default:
        if (aircraft.phase == MovementPhase::parking || aircraft.turnToBearing != 0) {
            aircraft.heading = gf_chaseHeading(aircraft.heading, aircraft.bearingToNext, aircraft.flight.turnStepRad);
        }
        break;
    }
    if (aircraft.phase != MovementPhase::pushed_back) {
        aircraft.latitude += aircraft.latStep;
        aircraft.longitude += aircraft.lonStep;
    }
}

// Not below the ground of the latest on-ground report: a descent waits there for the simulator's report.
void lf_groundFloor(LiveAircraft& aircraft) noexcept
{
    const double cg = aircraft.flight.staticCgHeightFt;
    if (!std::isnan(aircraft.groundAltitudeFt) && cg > 0.0) {
        aircraft.altitudeFt = std::max(aircraft.altitudeFt, aircraft.groundAltitudeFt + cg);
    }
}

void lf_wrap(LiveAircraft& aircraft) noexcept
{
    if (aircraft.longitude > 180.0 || aircraft.longitude < -180.0) {
        aircraft.longitude = std::remainder(aircraft.longitude, 360.0);
    }
    if (std::abs(aircraft.latitude) > 90.0) {
        aircraft.latitude = std::copysign(180.0, aircraft.latitude) - aircraft.latitude;
        aircraft.longitude = std::remainder(aircraft.longitude + 180.0, 360.0);
    }
}

} // namespace

void gf_stepMotion(LiveContext& context, LiveAircraft& aircraft)
{
    const double altitudeBefore = aircraft.altitudeFt;
    lf_position(aircraft);
    if (aircraft.phase != MovementPhase::take_off) {
        lf_attitude(context, aircraft);
    } else {
        lf_takeOff(context, aircraft);
    }
    lf_groundFloor(aircraft);
    // Between two reports of the simulator the height above ground follows the aircraft's own climb or descent.
    aircraft.heightAboveGroundFt += aircraft.altitudeFt - altitudeBefore;
    lf_wrap(aircraft);
}

} // namespace hlw
