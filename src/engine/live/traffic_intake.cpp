#include "engine/live/traffic_intake.h"

#include "engine/live/live_lifecycle.h"
#include "engine/live/optional_categories.h"
#include "engine/live/position_stream.h"
#include "engine/live/received_positions.h"
#include "refdata/code_table.h"
#include "refdata/reference_lookups.h"
#include "settings/catalogue.h"

#include <algorithm>
#include <cmath>
#include <optional>

namespace hlw {

namespace {

constexpr double minStepSeconds = 1.0;
constexpr double movingKt = 5.0;
constexpr double speedFactor = 10.0;
constexpr double fromStandstillKt = 80.0;
constexpr double fastAirKt = 120.0;
constexpr double straightAirDeg = 1.0;
// 450 m and 20 m in nautical miles: a new position must lie at least this far on.
constexpr double airStepNm = 0.2429805615550756;
constexpr double slowGroundKt = 30.0;
constexpr double straightGroundDeg = 2.0;
constexpr double groundStepNm = 0.010799136069114472;
constexpr double longestWaitSeconds = 15.0;
constexpr double tenThousandFt = 10000.0;

double lf_trackChangeDeg(double from, double to) noexcept
{
    const double change = std::fmod(std::abs(to - from), 360.0);
    return change > 180.0 ? 360.0 - change : change;
}

double lf_secondsFor(double distanceNm, double speedKt) noexcept
{
    return speedKt > 0.0 ? distanceNm / speedKt * 3600.0 : longestWaitSeconds;
}

double lf_referenceElevationFt(const ParkingPort& parking)
{
    return parking.parkAirportActive() ? parking.parkAirportElevationFt() : noParkAirportElevationFt;
}

// Airborne between 0 and 10000 ft within 108 ft of the reference elevation.
bool lf_leavingOrReachingGround(const ParkingPort& parking, const PositionRecord& position)
{
    const double altitude = position.altitudeFt;
    return altitude > 0.0 && altitude < tenThousandFt &&
           std::abs(altitude - lf_referenceElevationFt(parking)) <= nearGroundFt;
}

void lf_createLiveAc(LiveContext& context, TrafficRecord& record)
{
    if (!gf_categoryShown(gf_modelCategory(record.head.model)) ||
        lf_leavingOrReachingGround(context.parking, record.position)) {
        return;
    }
    record.head.secondCallsign = record.head.callsign;
    record.head.thirdCallsign.clear();
    record.head.slotsMarked = 0;
    context.state.live.emplace_back(record.position, gf_makeFlightRecord(record), record.timestamp);
}

void lf_newTrafficRecord(LiveContext& context, TrafficRecord& record)
{
    FlightHead& head = record.head;
    if (const std::optional<RegistrationCodes> codes = gf_findDbaseRecord(head.registration)) {
        head.airline = codes->airline;
        head.secondAirline = codes->secondAirline;
        head.model = codes->model;
        head.cargo = codes->cargo;
        head.registrationKnown = codes->valid;
    }
    if (gf_isKnownModel(gf_modelText(head.model))) {
        lf_createLiveAc(context, record);
    }
}

// The same flight under a second address: a live aircraft with the callsign and the model.
bool lf_sameFlightElsewhere(const LiveEngineState& state, const FlightHead& head)
{
    return !head.callsign.empty() && std::ranges::any_of(state.live, [&head](const LiveAircraft& ac) {
               return ac.flight.callsign == head.callsign && ac.flight.model == head.model;
           });
}

} // namespace

bool gf_tooSoonOrImplausible(const LiveAircraft& aircraft, const PositionRecord& received, double tStep) noexcept
{
    if (tStep <= minStepSeconds) {
        return true;
    }
    const PositionRecord& last = aircraft.positions.back();
    const double before = last.groundSpeedKt;
    const double now = received.groundSpeedKt;
    if ((before > movingKt && now >= speedFactor * before) || (now > movingKt && before >= speedFactor * now)) {
        return true;
    }
    if ((before <= movingKt && now >= fromStandstillKt) || (now <= movingKt && before >= fromStandstillKt)) {
        return true;
    }
    if (aircraft.extrapolationCount >= 1) {
        return false;
    }
    const double turnDeg = lf_trackChangeDeg(last.trackDeg, received.trackDeg);
    if (received.airborne != 0) {
        return now > fastAirKt && turnDeg <= straightAirDeg && tStep <= lf_secondsFor(airStepNm, now);
    }
    return now <= slowGroundKt && turnDeg <= straightGroundDeg &&
           tStep <= std::min(lf_secondsFor(groundStepNm, now), longestWaitSeconds);
}

void gf_handleTrafficRecord(LiveContext& context, TrafficRecord& record)
{
    LiveAircraft* aircraft = context.state.findLive(record.hexId);
    const std::optional<double> ownLast =
        aircraft == nullptr ? std::nullopt : std::optional<double>(aircraft->lastTimestamp);
    if (context.state.feedClock.refuses(record, ownLast)) {
        return;
    }
    if (aircraft == nullptr) {
        if (!lf_sameFlightElsewhere(context.state, record.head)) {
            lf_newTrafficRecord(context, record);
        }
        return;
    }
    if (aircraft->state == SimObjectState::liveryrespawn || aircraft->state == SimObjectState::removingfromsim) {
        return;
    }
    if (!aircraft->positions.empty() &&
        gf_tooSoonOrImplausible(*aircraft, record.position, record.timestamp - aircraft->lastTimestamp)) {
        return;
    }
    if (aircraft->state == SimObjectState::buffer && lf_leavingOrReachingGround(context.parking, record.position)) {
        return;
    }
    if (!gf_checkRespawn(context, *aircraft, record.head)) {
        return;
    }
    aircraft->lastTimestamp = record.timestamp;
    decodeExisting(context, *aircraft, record.position);
}

} // namespace hlw
