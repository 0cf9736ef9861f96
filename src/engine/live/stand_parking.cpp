#include "engine/live/stand_parking.h"

#include "core/log.h"
#include "core/random_choice.h"
#include "engine/live/angles.h"
#include "engine/live/live_commands.h"
#include "engine/live/live_lifecycle.h"
#include "engine/live/position_stream.h"
#include "engine/live/stand_conflicts.h"
#include "engine/live/travel_ticks.h"
#include "records/stand_record.h"
#include "settings/catalogue.h"

#include <fmt/format.h>

#include <algorithm>
#include <cmath>

namespace hlw {

namespace {

constexpr double spawnAirportReachNm = 5.0;
constexpr double spawnStandReachNm = 0.0297;
constexpr double spawnRestReachNm = 0.0189;
constexpr double parkReachNm = 0.0108;
constexpr double towedParkReachNm = 0.0297;
constexpr double onStandNm = 0.00108;

LatLon lf_at(const PositionRecord& position) noexcept
{
    return {position.latitude, position.longitude};
}

bool lf_nearestToUser(const LiveContext& context, const StandRecord& stand)
{
    const std::optional<UserAircraftFix>& user = context.state.user;
    return user && context.parking.nearestStandName(user->latitude, user->longitude) == stand.id;
}

// The stand is the user's: reserved for the park airport's user, or the one the user aircraft stands nearest.
bool lf_userStand(const LiveContext& context, const StandRecord& stand)
{
    if (const std::optional<std::string> reserved = context.parking.reservedStand(); reserved && *reserved == stand.id) {
        return true;
    }
    return lf_nearestToUser(context, stand);
}

bool lf_sameLiveVersion(const StaticAircraft& fixed, const LiveAircraft& aircraft)
{
    const FlightRecord& a = fixed.flight;
    const FlightRecord& b = aircraft.flight;
    std::string_view callsign = a.callsign;
    if (!callsign.empty() && callsign.back() == '*') {
        callsign.remove_suffix(1);
    }
    return (!a.registration.empty() && a.registration == b.registration) || (!callsign.empty() && callsign == b.callsign);
}

void lf_takeStand(LiveAircraft& aircraft, const StandRecord& stand) noexcept
{
    aircraft.standLat = stand.latitude;
    aircraft.standLon = stand.longitude;
    aircraft.standHeading = stand.heading;
    aircraft.standNumber = stand.standNumber;
    aircraft.cargoStand = stand.cargo ? 1 : 0;
}

// The static aircraft at the stand, placed or queued, are removed for the live one.
void lf_makeWayAtStand(LiveContext& context, const LiveAircraft& aircraft, const StandRecord& stand)
{
    std::vector<StaticAircraft>& statics = context.state.statics;
    const FlightRecord& live = aircraft.flight;
    for (StaticAircraft& fixed : statics) {
        if (fixed.standNumber != stand.standNumber ||
            (fixed.state != SimObjectState::active && fixed.state != SimObjectState::adding2sim)) {
            continue;
        }
        const bool queued = fixed.state == SimObjectState::adding2sim;
        gf_log(fmt::format("{}{:8}: {:8} {} makes way for{} {} {}", queued ? "queued " : "", stand.id,
                           fixed.flight.callsign, fixed.flight.registration,
                           lf_sameLiveVersion(fixed, aircraft) ? " the same live version" : "", live.callsign,
                           live.registration));
        removeAircraftFromSim(context, fixed);
    }
    std::erase_if(statics, [](const StaticAircraft& fixed) { return fixed.creationCancelled != 0; });
}

// A live aircraft created on the ground without a stand (about to push back or taxiing) may stand within a stand
// that a static aircraft holds: the static one makes way, as for an aircraft that takes the stand.
void lf_makeWayWhereCreated(LiveContext& context, const LiveAircraft& aircraft)
{
    const LatLon at{aircraft.latitude, aircraft.longitude};
    std::vector<StandNumber> within;
    for (const StaticAircraft& fixed : context.state.statics) {
        if (fixed.state != SimObjectState::active && fixed.state != SimObjectState::adding2sim) {
            continue;
        }
        const StandRecord* stand = context.parking.standByNumber(fixed.standNumber);
        if (stand != nullptr && std::ranges::find(within, stand->standNumber) == within.end() &&
            gf_distanceNm(at, {stand->latitude, stand->longitude}) <= stand->radius) {
            within.push_back(stand->standNumber);
        }
    }
    for (const StandNumber number : within) {
        if (const StandRecord* stand = context.parking.standByNumber(number)) {
            lf_makeWayAtStand(context, aircraft, *stand);
        }
    }
}

} // namespace

void gf_setParkedSlot(const LiveContext& context, StaticAircraft& aircraft) noexcept
{
    aircraft.parkedWeekday = context.state.weekday;
    aircraft.parkedSlot = context.state.halfHour;
}

void try2Park(LiveContext& context, LiveAircraft& aircraft, bool mayBeTowed)
{
    PositionQueue& positions = aircraft.positions;
    if (positions.empty()) {
        gf_logAlert(fmt::format("{} empty sz?", "try2Park"));
        return;
    }
    const LatLon rest = lf_at(positions.back());
    if (std::abs(rest.lat - aircraft.lastParkingAttempt.lat) <= 1e-8 &&
        std::abs(rest.lon - aircraft.lastParkingAttempt.lon) <= 1e-8) {
        return;
    }
    aircraft.lastParkingAttempt = rest;
    const StandRecord* found = context.parking.findStandNear(rest, aircraft.flight,
                                                             mayBeTowed ? towedParkReachNm : parkReachNm, true);
    if (found == nullptr || lf_userStand(context, *found)) {
        return;
    }
    const StandRecord stand = *found;
    for (LiveAircraft& other : context.state.live) {
        if (&other != &aircraft && other.standNumber == stand.standNumber && other.state == SimObjectState::active &&
            other.phase == MovementPhase::parked) {
            gf_log(fmt::format("{:8}: {:8} removed, {} wants to park there", stand.id, other.flight.callsign,
                               aircraft.flight.callsign));
            removeAircraftFromSim(context, other);
        }
    }
    if (!stand.adjacentStands.empty()) {
        gf_removeAdjacentColliding(context, aircraft, stand);
    }
    gf_makeWay(context, aircraft, stand);
    lf_takeStand(aircraft, stand);
    positions.resize(1);
    aircraft.setPhase(MovementPhase::parking);
    drive2Stand(context, aircraft, {stand.latitude, stand.longitude}, stand.heading);
}

void drive2Stand(LiveContext& context, LiveAircraft& aircraft, const LatLon& stand, double standHeadingRad)
{
    PositionQueue& positions = aircraft.positions;
    if (positions.empty()) {
        gf_logAlert(fmt::format("{} empty sz?", "drive2Stand"));
        return;
    }
    const double taxiKt = aircraft.flight.taxiSpeedKt;
    PositionRecord& last = positions.back();
    const bool there = std::abs(last.latitude - stand.lat) <= samePointDeg && std::abs(last.longitude - stand.lon) <= samePointDeg;
    PositionRecord point = last;
    point.latitude = stand.lat;
    point.longitude = stand.lon;
    // On the ground: a point with an altitude would count as airborne between two ground points.
    point.altitudeFt = 0.0;
    point.airborne = 0;
    point.groundSpeedKt = taxiKt;
    point.trueAirspeedKt = taxiKt;
    point.trackDeg = standHeadingRad * degPerRad;
    point.verticalSpeedFpm = 0.0;
    point.stationary = there ? 1 : 0;
    point.bankRad = aircraft.bank;
    const double ticks = gf_travelTicks(gf_distanceNm(lf_at(positions.front()), stand), taxiKt);
    point.dueTick = positions.front().dueTick +
                    static_cast<int32_t>(std::lround(std::clamp(std::isfinite(ticks) ? ticks : 100.0, 100.0, double(maxTravelTicks))));
    last.groundSpeedKt = taxiKt;
    PositionRecord stop = point;
    stop.groundSpeedKt = 0.0;
    stop.trueAirspeedKt = 0.0;
    stop.stationary = 1;
    stop.dueTick = point.dueTick + 50;
    positions.push_back(point);
    positions.push_back(stop);
    aircraft.bearingToNext = standHeadingRad;
    if (aircraft.extrapolationCount != 0) {
        gf_resumeRealData(context, aircraft, 3000, false);
    }
}

bool gf_arriveAtStand(LiveContext& context, LiveAircraft& aircraft)
{
    ParkingPort& parking = context.parking;
    const int32_t number = aircraft.standNumber;
    const StandRecord* stand = parking.standByNumber(number);
    if (stand != nullptr && stand->occupied) {
        aircraft.extrapolationCount = 1;
        removeAircraftFromSim(context, aircraft);
        // The removal freed the stand that another aircraft holds.
        parking.setStandOccupied(number, true);
        return true;
    }
    if (gf_distanceNm({aircraft.latitude, aircraft.longitude}, {aircraft.standLat, aircraft.standLon}) > onStandNm) {
        aircraft.setPhase(MovementPhase::taxi);
        return false;
    }
    aircraft.setPhase(MovementPhase::parked);
    gf_setParkedSlot(context, aircraft);
    parking.setStandOccupied(number, true);
    const FlightRecord& flight = aircraft.flight;
    if (aircraft.towed != 0) {
        gf_log(fmt::format("          towed aircraft {} parks", flight.callsign));
    }
    if (!aircraft.positions.empty()) {
        aircraft.positions.front().stationary = 1;
    }
    aircraft.parkedSince = context.time.now();
    aircraft.movingAwayCount = 0;
    aircraft.firstStandDistanceNm = 0.0;
    aircraft.largestStandDistanceNm = 0.0;
    aircraft.holding = 0;
    gf_updateStandCargo(context, aircraft);
    gf_setParkedConfig(context, aircraft);
    gf_log(fmt::format("{:8}: {:8} arrived at stand", parking.standName(number), flight.callsign));
    context.state.arrivals.push_back(flight.hexId);
    parking.addRealStandOption(aircraft, StandUseReason::arrived);
    parking.checkMaxPark(false);
    return false;
}

void gf_setParkedConfig(LiveContext& context, StaticAircraft& aircraft)
{
    SimCommandQueues& commands = context.commands;
    gf_setAcThrottle(commands, aircraft, 0);
    gf_setAcFlaps(commands, aircraft, 0);
    gf_queueEnginesOff(commands, aircraft.objectId);
    uint32_t cabin = 0;
    if (aircraft.cargoStand == 0) {
        cabin = settings::random.get() ? (gf_randomIndex(10) <= 8 ? 1U : 0U) : 1U;
    }
    gf_queueLights(commands, aircraft.objectId,
                   {.nav = settings::navLightsWhileParked.get() ? 1U : 0U, .beacon = 0, .landing = 0, .taxi = 0,
                    .strobes = 0, .logo = 1, .cabin = cabin});
}

void gf_makeWay(LiveContext& context, const LiveAircraft& aircraft, const StandRecord& stand)
{
    lf_makeWayAtStand(context, aircraft, stand);
    std::vector<StaticAircraft>& statics = context.state.statics;
    const FlightRecord& live = aircraft.flight;
    for (const int32_t adjacentNumber : stand.adjacentStands) {
        const StandRecord* adjacent = context.parking.standByNumber(adjacentNumber);
        if (adjacent == nullptr) {
            continue;
        }
        const double apart = gf_distanceNm({adjacent->latitude, adjacent->longitude}, {stand.latitude, stand.longitude});
        for (StaticAircraft& fixed : statics) {
            if (fixed.standNumber == adjacentNumber && fixed.state == SimObjectState::active &&
                (fixed.flight.halfWingspanNm + live.halfWingspanNm) * 1.1 >= apart) {
                gf_log(fmt::format("{:8}: {:8} makes way for {} parking at excluded stand {}", adjacent->id,
                                   fixed.flight.callsign, live.callsign, stand.id));
                removeAircraftFromSim(context, fixed);
            }
        }
    }
}

SpawnStand gf_chooseSpawnStand(LiveContext& context, LiveAircraft& aircraft)
{
    ParkingPort& parking = context.parking;
    PositionQueue& positions = aircraft.positions;
    const std::optional<LatLon> airport = parking.parkAirportPosition();
    if (!parking.hasStands() || !parking.parkAirportActive() || !airport || positions.size() < 2 ||
        gf_distanceNm(*airport, lf_at(positions.front())) > spawnAirportReachNm) {
        return SpawnStand::none;
    }
    LatLon at = lf_at(positions.front());
    if (positions.front().stationary == 0) {
        if (positions[1].groundSpeedKt > 5.0 || gf_distanceNm(lf_at(positions.back()), at) > spawnRestReachNm) {
            return SpawnStand::none;
        }
        at = lf_at(positions.back());
    }
    const StandRecord* found = parking.findStandNear(at, aircraft.flight, spawnStandReachNm, true);
    if (found == nullptr) {
        return SpawnStand::none;
    }
    const StandRecord stand = *found;
    if (const std::optional<std::string> reserved = parking.reservedStand(); reserved && *reserved == stand.id) {
        return SpawnStand::none;
    }
    if (lf_nearestToUser(context, stand)) {
        aircraft.erase = 1;
        return SpawnStand::none;
    }
    const bool free = gf_resolveStandConflict(context, stand.standNumber, aircraft.flight.callsign, &aircraft) &&
                      std::ranges::all_of(stand.adjacentStands, [&](int32_t adjacent) {
                          return gf_adjacentFree(context, adjacent, aircraft, stand);
                      });
    if (!free) {
        aircraft.erase = 1;
        return SpawnStand::none;
    }
    gf_makeWay(context, aircraft, stand);
    lf_takeStand(aircraft, stand);
    aircraft.setPhase(MovementPhase::parked);
    gf_setParkedSlot(context, aircraft);
    aircraft.parkedSince = context.time.now();
    aircraft.extrapolationCount = 0;
    gf_updateStandCargo(context, aircraft);
    positions.resize(1);
    PositionRecord& front = positions.front();
    front.stationary = 1;
    front.groundSpeedKt = 0.0;
    front.latitude = stand.latitude;
    front.longitude = stand.longitude;
    front.trackDeg = stand.heading * degPerRad;
    parking.addRealStandOption(aircraft, StandUseReason::createdOnStand);
    parking.checkMaxPark(true);
    return SpawnStand::parked;
}

void gf_parkAc(LiveContext& context, LiveAircraft& aircraft)
{
    aircraft.groundMode = 1;
    gf_setAcGear(context.commands, aircraft, 1);
    aircraft.altitudeRate = 0.0;
    if (aircraft.phase == MovementPhase::parked) {
        ParkingPort& parking = context.parking;
        gf_setParkedSlot(context, aircraft);
        const std::string stand = parking.standName(aircraft.standNumber);
        gf_log(fmt::format("{:8}: {:8} parks", stand, aircraft.flight.callsign));
        parking.unselectStand(aircraft.standNumber);
        for (StaticAircraft& fixed : context.state.statics) {
            if (fixed.standNumber == aircraft.standNumber && fixed.state == SimObjectState::active) {
                gf_log(fmt::format("{:8}: {:8} parks over static {} \u2014 static will be removed", stand,
                                   aircraft.flight.callsign, fixed.flight.callsign));
                removeAircraftFromSim(context, fixed);
            }
        }
    } else {
        lf_makeWayWhereCreated(context, aircraft);
    }
    aircraft.phaseCountdown = 1;
}

void gf_updateStandCargo(LiveContext& context, const LiveAircraft& aircraft)
{
    if (aircraft.cargoStand != 0 && aircraft.flight.cargo == 0) {
        context.parking.clearStandCargo(aircraft.standNumber);
    }
}

} // namespace hlw
