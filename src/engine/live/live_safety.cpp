#include "engine/live/live_safety.h"

#include "core/geodesy.h"
#include "engine/live/angles.h"
#include "engine/live/live_lifecycle.h"
#include "refdata/reference_lookups.h"

#include <algorithm>
#include <cmath>

namespace hlw {

namespace {

constexpr double halfHoursPerWeek = 336.0;
constexpr double userLowFt = 500.0;
constexpr double headingLineNm = 1.0;
constexpr double headingLineOffsetFt = 50.0;

bool lf_active(const StaticAircraft& aircraft) noexcept { return aircraft.state == SimObjectState::active; }

// Cheap test before the distance: the two positions lie within reach (nm) in latitude and longitude.
bool lf_withinBox(const LatLon& a, const LatLon& b, double reachNm) noexcept
{
    const double latDeg = reachNm / 60.0;
    if (std::abs(a.lat - b.lat) > latDeg) {
        return false;
    }
    const double cosLat = std::cos(a.lat * radPerDeg);
    return cosLat < 1e-6 || std::abs(std::remainder(a.lon - b.lon, 360.0)) * cosLat <= latDeg * 1.01;
}

bool lf_within(const LatLon& a, const LatLon& b, double reachNm) noexcept
{
    return lf_withinBox(a, b, reachNm) && gf_distanceNm(a, b) <= reachNm;
}

double lf_userHalfSpan(const UserAircraftFix& user) noexcept
{
    return user.halfWingSpanNm > 0.0 ? user.halfWingSpanNm : gf_maxHalfWingspanNm();
}

LatLon lf_standOf(const StaticAircraft& aircraft) noexcept { return {aircraft.standLat, aircraft.standLon}; }

bool lf_nonEmptyEqual(std::string_view a, std::string_view b) noexcept { return !a.empty() && a == b; }

} // namespace

bool gf_isAheadOfUser(const LiveAircraft& aircraft, const UserAircraftFix& user, const AheadTable& table)
{
    const LatLon from{user.latitude, user.longitude};
    const LatLon to{aircraft.latitude, aircraft.longitude};
    if (!lf_withinBox(from, to, table.distanceNm)) {
        return false;
    }
    const double d = gf_distanceNm(from, to);
    if (d > table.distanceNm || std::abs(aircraft.altitudeFt - user.altitudeFt) >= table.heightBandFt) {
        return false;
    }
    const double x = gf_normalisePlusMinusPi(aircraft.heading - gf_bearingRad(from, to));
    return std::cos(x) > 0.0 && std::abs(std::sin(x)) * d * feetPerNm <= table.offsetFt;
}

int32_t gf_countParkedLive(const LiveEngineState& state, StatusBoard* status)
{
    int32_t parked = 0;
    double halfHours = 0.0;
    int32_t summed = 0;
    const double now = double(state.weekday) * 48.0 - 48.0 + double(state.halfHour);
    for (const LiveAircraft& aircraft : state.live) {
        if (!lf_active(aircraft) || aircraft.phase != MovementPhase::parked) {
            continue;
        }
        ++parked;
        if (aircraft.parkedWeekday != 0) {
            double difference = now - (double(aircraft.parkedWeekday) * 48.0 - 48.0 + double(aircraft.parkedSlot));
            if (difference < 0.0) {
                difference += halfHoursPerWeek;
            }
            halfHours += difference;
            ++summed;
        }
    }
    if (status != nullptr) {
        const auto mean = summed > 0 ? static_cast<float>(halfHours / (2.0 * summed) + 0.5) : 0.0F;
        status->update([mean](StatusValues& values) { values.meanParkedHoursLive = mean; });
    }
    return parked;
}

int32_t gf_staticParkedCount(const LiveEngineState& state, StatusBoard* status)
{
    int32_t count = 0;
    double halfHours = 0.0;
    const double now = double(state.weekday) * 48.0 - 48.0 + double(state.halfHour);
    for (const StaticAircraft& aircraft : state.statics) {
        if (aircraft.state != SimObjectState::active && aircraft.state != SimObjectState::removingfromsim) {
            continue;
        }
        ++count;
        if (aircraft.parkedWeekday != 0) {
            double difference = now - (double(aircraft.parkedWeekday) * 48.0 - 48.0 + double(aircraft.parkedSlot));
            if (difference < 0.0) {
                difference += halfHoursPerWeek;
            }
            halfHours += difference;
        }
    }
    if (status != nullptr) {
        const auto mean = count > 0 ? static_cast<float>(halfHours / (2.0 * count) + 0.5) : 0.0F;
        status->update([mean](StatusValues& values) {
            if (!values.otherWeekdaysUsed) {
                values.meanParkedHoursStatic = mean;
            }
        });
    }
    return count;
}

void LiveSafety::removeGroundAircraftNearUser(LiveContext& context)
{
    if (!context.state.user) {
        return;
    }
    const UserAircraftFix& user = *context.state.user;
    const LatLon userAt{user.latitude, user.longitude};
    const double userSpan = lf_userHalfSpan(user);
    for (LiveAircraft& aircraft : context.state.live) {
        if (lf_active(aircraft) && aircraft.groundMode != 0 &&
            lf_within(userAt, {aircraft.latitude, aircraft.longitude},
                      (userSpan + aircraft.flight.halfWingspanNm) * 1.15)) {
            removeAircraftFromSim(context, aircraft);
        }
    }
    if (std::abs(userAt.lat - lastUserPosition_.lat) <= 1e-8 && std::abs(userAt.lon - lastUserPosition_.lon) <= 1e-8) {
        return;
    }
    lastUserPosition_ = userAt;
    for (StaticAircraft& fixed : context.state.statics) {
        if (lf_active(fixed) && lf_within(userAt, lf_standOf(fixed), (fixed.flight.halfWingspanNm + userSpan) * 1.1)) {
            removeAircraftFromSim(context, fixed);
            return;
        }
    }
}

void LiveSafety::removeGroundAircraftAheadOfUser(LiveContext& context)
{
    if (!context.state.user) {
        return;
    }
    const UserAircraftFix& user = *context.state.user;
    const LatLon userAt{user.latitude, user.longitude};
    const bool userLow = user.heightAboveGroundFt < userLowFt;
    for (LiveAircraft& aircraft : context.state.live) {
        if (!lf_active(aircraft)) {
            continue;
        }
        const LatLon at{aircraft.latitude, aircraft.longitude};
        if (userLow && aircraft.groundMode != 0 && lf_withinBox(userAt, at, headingLineNm)) {
            const double d = gf_distanceNm(userAt, at);
            const double offsetFt = std::abs(std::sin(gf_bearingRad(userAt, at) - user.headingRad)) * d * feetPerNm;
            if (d <= headingLineNm && offsetFt <= headingLineOffsetFt) {
                removeAircraftFromSim(context, aircraft);
                return;
            }
        }
        if (gf_isAheadOfUser(aircraft, user, groundAheadTable)) {
            removeAircraftFromSim(context, aircraft);
            return;
        }
    }
}

void LiveSafety::checkMovingAgainstParked(LiveContext& context)
{
    for (LiveAircraft& aircraft : context.state.live) {
        if (!lf_active(aircraft) || aircraft.groundMode == 0 ||
            (aircraft.phase != MovementPhase::taxi && aircraft.phase != MovementPhase::parking)) {
            continue;
        }
        const LatLon at{aircraft.latitude, aircraft.longitude};
        if ((std::abs(at.lat - aircraft.savedPosition.lat) <= 1e-8 &&
             std::abs(at.lon - aircraft.savedPosition.lon) <= 1e-8) ||
            aircraft.takeOffRoll != 0 || aircraft.landingRoll != 0) {
            continue;
        }
        aircraft.savedPosition = at;
        for (StaticAircraft& fixed : context.state.statics) {
            if (lf_active(fixed) && fixed.flight.callsign != aircraft.flight.callsign &&
                lf_within(at, lf_standOf(fixed), (fixed.flight.halfWingspanNm + aircraft.flight.halfWingspanNm) * 1.1)) {
                removeAircraftFromSim(context, fixed);
                break;
            }
        }
    }
}

void LiveSafety::removeStaticTwins(LiveContext& context)
{
    for (const LiveAircraft& aircraft : context.state.live) {
        if (!lf_active(aircraft) || aircraft.groundMode == 0) {
            continue;
        }
        const std::string starred = aircraft.flight.callsign + "*";
        for (StaticAircraft& fixed : context.state.statics) {
            if (lf_active(fixed) && (lf_nonEmptyEqual(fixed.flight.registration, aircraft.flight.registration) ||
                                     (!aircraft.flight.callsign.empty() && fixed.flight.callsign == starred))) {
                removeAircraftFromSim(context, fixed);
            }
        }
    }
}

void LiveSafety::removeStaticTwinOf(LiveContext& context, const LiveAircraft& aircraft)
{
    const FlightRecord& live = aircraft.flight;
    if (live.callsign.empty()) {
        return;
    }
    std::string_view base = live.callsign;
    if (base.back() == '_') {
        base.remove_suffix(1);
    }
    const auto names = [&](std::string_view text) {
        return lf_nonEmptyEqual(text, live.callsign) || lf_nonEmptyEqual(text, base) ||
               lf_nonEmptyEqual(text, live.thirdCallsign);
    };
    for (StaticAircraft& fixed : context.state.statics) {
        if (lf_active(fixed) && (lf_nonEmptyEqual(fixed.flight.registration, live.registration) ||
                                 names(fixed.flight.secondCallsign) || names(fixed.flight.thirdCallsign))) {
            removeAircraftFromSim(context, fixed);
            return;
        }
    }
}

void LiveSafety::freeStand(LiveContext& context, std::string_view stand)
{
    for (StaticAircraft& fixed : context.state.statics) {
        if (fixed.standNumber > 0 && lf_active(fixed) && context.parking.standName(fixed.standNumber) == stand) {
            removeAircraftFromSim(context, fixed);
            return;
        }
    }
    for (LiveAircraft& aircraft : context.state.live) {
        if (aircraft.standNumber > 0 && lf_active(aircraft) && aircraft.phase == MovementPhase::parked &&
            context.parking.standName(aircraft.standNumber) == stand) {
            removeAircraftFromSim(context, aircraft);
            return;
        }
    }
}

} // namespace hlw
