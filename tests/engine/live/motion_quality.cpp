#include "motion_quality.h"

#include "engine/live/angles.h"
#include "engine/live/attitude.h"
#include "platform/sim/sim_program_ids.h"

#include <fmt/format.h>

#include <algorithm>
#include <cmath>

namespace hlw::test {

namespace {

constexpr double knotsPerMetrePerTick = 100.0 * 3600.0 / 1852.0;
constexpr double significantTurnDeg = 0.05;
constexpr int32_t swingTicks = 3;
constexpr double epsilon = 1e-9;

double lf_metres(const LatLon& a, const LatLon& b)
{
    return gf_distanceNm(a, b) * 1852.0;
}

void lf_max(double& figure, double value)
{
    figure = std::max(figure, value);
}

std::string lf_value(double value, const char* unit)
{
    return fmt::format("{:.3f}{}", value, unit);
}

} // namespace

std::vector<GoalResult> gf_goalResults(const MotionFigures& f)
{
    std::vector<GoalResult> results = {
        {"air step", lf_value(f.airStepM, " m"), "<= 3.5 m", f.airStepM <= 3.5},
        {"ground step", lf_value(f.groundStepM, " m"), "<= 1.0 m", f.groundStepM <= 1.0},
        {"air speed change", lf_value(f.airSpeedChangeKt, " kt"), "<= 30 kt", f.airSpeedChangeKt <= 30.0},
        {"ground speed change", lf_value(f.groundSpeedChangeKt, " kt"), "<= 15 kt", f.groundSpeedChangeKt <= 15.0},
        {"air heading change", lf_value(f.airHeadingChangeDeg, " deg"), "<= 0.1 deg", f.airHeadingChangeDeg <= 0.1},
        {"ground heading change", lf_value(f.groundHeadingChangeDeg, " deg"), "<= 1.0 deg",
         f.groundHeadingChangeDeg <= 1.0},
        {"ground heading / turn step", lf_value(f.groundHeadingOverTurnStep, ""), "<= 1",
         f.groundHeadingOverTurnStep <= 1.0 + 1e-6},
        {"heading swings", fmt::format("{}", f.headingSwings), "0", f.headingSwings == 0},
        {"bank / limit", lf_value(f.bankOverLimit, ""), "<= 1", f.bankOverLimit <= 1.0 + 1e-6},
        {"bank change / limit", lf_value(f.bankRateOverLimit, ""), "<= 1", f.bankRateOverLimit <= 1.0 + 1e-6},
        {"pitch change / limit", lf_value(f.pitchRateOverLimit, ""), "<= 1", f.pitchRateOverLimit <= 1.0 + 1e-6},
        {"flare pitch", lf_value(f.flarePitchDeg, " deg"), ">= -4 deg", f.flarePitchDeg >= -4.0 - 1e-6},
        {"ground pitch error", lf_value(f.groundPitchErrorDeg, " deg"), "0", f.groundPitchErrorDeg <= 1e-6},
        {"climb / limit above 1000 ft", lf_value(f.climbOverLimit, ""), "<= 1", f.climbOverLimit <= 1.0 + 1e-6},
        {"vertical speed", lf_value(f.verticalSpeedFpm, " ft/min"), "<= 6000 ft/min", f.verticalSpeedFpm <= 6000.0},
        {"altitude change", lf_value(f.altitudeChangeFt, " ft"), "<= 1.0 ft", f.altitudeChangeFt <= 1.0 + 1e-6},
        {"lowest clearance above CG", lf_value(f.lowestClearanceFt >= 1e8 ? 0.0 : f.lowestClearanceFt, " ft"),
         ">= 0 ft", f.lowestClearanceFt >= -0.01},
        {"touchdowns off the runway", fmt::format("{} of {}", f.touchdownsOffRunway, f.touchdowns), "0",
         f.touchdownsOffRunway == 0},
        {"flare stages out of order", fmt::format("{}", f.flareStageFaults), "0", f.flareStageFaults == 0},
        {"flare to touchdown", lf_value(f.flareSeconds, " s"), "<= 10 s", f.flareSeconds <= 10.0},
        {"parking distance", lf_value(f.parkingDistanceM, " m"), "<= 2 m", f.parkingDistanceM <= 2.0},
        {"parked without configuration", fmt::format("{}", f.parkedWithoutConfig), "0", f.parkedWithoutConfig == 0},
        {"touchdown past threshold", lf_value(f.touchdownPastThresholdM, " m"), "reported", true},
        {"parked heading error", lf_value(f.parkingHeadingErrorDeg, " deg"), "reported", true},
    };
    return results;
}

void QualityMeter::after(const LiveEngineState& state)
{
    const int32_t tick = state.tick - 1;
    for (const LiveAircraft& aircraft : state.live) {
        Previous& previous = previous_[aircraft.flight.hexId];
        if (aircraft.state != SimObjectState::active || aircraft.objectId == 0) {
            previous.seen = false;
            continue;
        }
        const LatLon at{aircraft.latitude, aircraft.longitude};
        const FlightRecord& flight = aircraft.flight;
        const AttitudeLimits& limits = gf_attitudeLimits(flight.category);
        const bool ground = aircraft.groundMode != 0;
        ++figures_.ticks;
        // A placement on a stand (created there, or driven on at its arrival) moves the aircraft at once.
        const bool placed = aircraft.phase == MovementPhase::parked && previous.phase != MovementPhase::parked;
        if (previous.seen && !placed) {
            const double step = lf_metres(previous.at, at);
            lf_max(ground ? figures_.groundStepM : figures_.airStepM, step);
            const double speed = step * knotsPerMetrePerTick;
            if (previous.speedKnown) {
                lf_max(ground ? figures_.groundSpeedChangeKt : figures_.airSpeedChangeKt,
                       std::abs(speed - previous.speedKt));
            }
            previous.speedKt = speed;
            previous.speedKnown = true;
            const double turnDeg = gf_normalisePlusMinusPi(aircraft.heading - previous.heading) * degPerRad;
            if (ground) {
                lf_max(figures_.groundHeadingChangeDeg, std::abs(turnDeg));
                if (flight.turnStepRad > 0.0) {
                    lf_max(figures_.groundHeadingOverTurnStep,
                           std::abs(turnDeg) / (flight.turnStepRad * degPerRad) - epsilon);
                }
            } else {
                lf_max(figures_.airHeadingChangeDeg, std::abs(turnDeg));
            }
            if (std::abs(turnDeg) > significantTurnDeg) {
                if (previous.lastTurn * turnDeg < 0.0 && tick - previous.lastTurnTick <= swingTicks) {
                    ++figures_.headingSwings;
                }
                previous.lastTurn = turnDeg;
                previous.lastTurnTick = tick;
            }
            lf_max(figures_.bankRateOverLimit, std::abs(aircraft.bank - previous.bank) / limits.maxBankChangeRad);
            const bool airLeg = !ground && aircraft.phase == MovementPhase::flying && aircraft.flareStage == 0 &&
                                previous.flareStage == 0 && aircraft.touchdown == 0;
            if (airLeg) {
                lf_max(figures_.pitchRateOverLimit,
                       std::abs(aircraft.pitch - previous.pitch) / limits.maxPitchChangeRad);
            }
            const double climb = aircraft.altitudeFt - previous.altitudeFt;
            lf_max(figures_.altitudeChangeFt, std::abs(climb));
            if (!ground && aircraft.heightAboveGroundFt > 1000.0 && flight.climbLimitFtPerTick > 0.0) {
                lf_max(figures_.climbOverLimit, climb / flight.climbLimitFtPerTick);
            }
        }
        lf_max(figures_.bankOverLimit, std::abs(aircraft.bank) / limits.maxBankRad);
        lf_max(figures_.verticalSpeedFpm, std::abs(aircraft.verticalSpeedFps * 60.0));
        if (aircraft.flareStage != 0) {
            figures_.flarePitchDeg = std::min(figures_.flarePitchDeg, aircraft.pitch * degPerRad);
        }
        if (ground && aircraft.touchdown == 0 && aircraft.phase != MovementPhase::take_off &&
            aircraft.flareStage == 0) {
            lf_max(figures_.groundPitchErrorDeg, std::abs(aircraft.pitch - flight.staticPitchRad) * degPerRad);
        }
        previous.grounded = previous.grounded || !std::isnan(aircraft.groundAltitudeFt);
        if (previous.grounded) {
            const double terrain = simulator_.terrain.elevationFt(at.lat, at.lon);
            figures_.lowestClearanceFt =
                std::min(figures_.lowestClearanceFt, aircraft.altitudeFt - terrain - flight.staticCgHeightFt);
        }
        if (aircraft.flareStage != previous.flareStage && aircraft.flareStage != 0) {
            if (aircraft.flareStage == 1) {
                previous.stages.clear();
                previous.flareStartTick = tick;
            }
            previous.stages.push_back(aircraft.flareStage);
        }
        if (aircraft.touchdown != 0 && !previous.touchdown) {
            touchdown(aircraft, previous, tick);
        }
        previous.touchdown = aircraft.touchdown != 0;
        if (aircraft.phase == MovementPhase::parked && previous.phase == MovementPhase::parking) {
            parked(aircraft);
        }
        previous.seen = true;
        previous.at = at;
        previous.altitudeFt = aircraft.altitudeFt;
        previous.heading = aircraft.heading;
        previous.bank = aircraft.bank;
        previous.pitch = aircraft.pitch;
        previous.phase = aircraft.phase;
        previous.flareStage = aircraft.flareStage;
    }
}

void QualityMeter::touchdown(const LiveAircraft& aircraft, Previous& previous, int32_t tick)
{
    ++figures_.touchdowns;
    const auto [along, across] = airport_.runwayOffsets({aircraft.latitude, aircraft.longitude});
    const FixtureRunway& runway = airport_.runway();
    if (along < 0.0 || along > runway.lengthM || std::abs(across) > runway.widthM / 2.0) {
        ++figures_.touchdownsOffRunway;
    }
    lf_max(figures_.touchdownPastThresholdM, along);
    lf_max(figures_.touchdownOffCentreM, std::abs(across));
    if (previous.stages != std::vector<uint32_t>{1, 2, 3, 4}) {
        ++figures_.flareStageFaults;
    }
    if (previous.flareStartTick >= 0) {
        lf_max(figures_.flareSeconds, (tick - previous.flareStartTick) / 100.0);
    }
    previous.stages.clear();
    previous.flareStartTick = -1;
}

void QualityMeter::parked(const LiveAircraft& aircraft)
{
    ++figures_.parkings;
    lf_max(figures_.parkingDistanceM,
           lf_metres({aircraft.latitude, aircraft.longitude}, {aircraft.standLat, aircraft.standLon}));
    lf_max(figures_.parkingHeadingErrorDeg, gf_angleBetween(aircraft.heading, aircraft.standHeading) * degPerRad);
    const bool enginesOff = std::ranges::any_of(simulator_.events, [&](const ClientEventRequest& event) {
        return event.objectId == aircraft.objectId && event.eventId == sim_ids::kClientEngineAutoShutdown;
    });
    if (!enginesOff) {
        ++figures_.parkedWithoutConfig;
    }
}

QualityTrackWriter::QualityTrackWriter(const std::filesystem::path& path, const FakeSimulator& simulator)
    : out_(path), simulator_(simulator)
{
    out_ << "t,hexid,callsign,lat,lon,alt_ft,agl_ft,pitch_deg,bank_deg,heading_deg,gs_kt,vs_fpm,phase,flare,ground\n";
}

void QualityTrackWriter::write(const LiveEngineState& state)
{
    const double seconds = (state.tick - 1) / 100.0;
    for (const LiveAircraft& ac : state.live) {
        if (ac.state != SimObjectState::active) {
            continue;
        }
        const LatLon at{ac.latitude, ac.longitude};
        double speedKt = 0.0;
        if (const auto it = last_.find(ac.flight.hexId); it != last_.end()) {
            speedKt = lf_metres(it->second, at) * knotsPerMetrePerTick;
        }
        last_[ac.flight.hexId] = at;
        const double agl = ac.altitudeFt - simulator_.terrain.elevationFt(at.lat, at.lon);
        out_ << fmt::format(
            "{:.2f},{:06x},{},{:.7f},{:.7f},{:.2f},{:.2f},{:.3f},{:.3f},{:.3f},{:.1f},{:.0f},{},{},{}\n", seconds,
            ac.flight.hexId, ac.flight.callsign, ac.latitude, ac.longitude, ac.altitudeFt, agl, ac.pitch * degPerRad,
            ac.bank * degPerRad, ac.heading * degPerRad, speedKt, ac.verticalSpeedFps * 60.0, gf_phaseName(ac.phase),
            ac.flareStage, ac.groundMode);
    }
}

} // namespace hlw::test
