#include "engine/live/stand_conflicts.h"

#include "core/log.h"
#include "engine/live/live_lifecycle.h"
#include "records/stand_record.h"

#include <fmt/format.h>

#include <algorithm>

namespace hlw {

namespace {

// The text without its last character equals the other; never when either is empty.
bool lf_extends(std::string_view longer, std::string_view shorter) noexcept
{
    return !shorter.empty() && longer.size() == shorter.size() + 1 && longer.starts_with(shorter);
}

bool lf_endsWithUnderscore(std::string_view callsign) noexcept
{
    return !callsign.empty() && callsign.back() == '_';
}

LiveAircraft* lf_firstOnStand(LiveContext& context, int32_t standNumber, const LiveAircraft* self)
{
    if (standNumber < 1) {
        return nullptr;
    }
    const auto it = std::ranges::find_if(context.state.live, [&](const LiveAircraft& other) {
        return &other != self && other.standNumber == standNumber;
    });
    return it == context.state.live.end() ? nullptr : &*it;
}

// The aircraft on the adjacent stand that the one parking at the stand could touch; none when free.
LiveAircraft* lf_collidingNeighbour(LiveContext& context, int32_t adjacentStand, const LiveAircraft& aircraft,
                                    const StandRecord& stand)
{
    LiveAircraft* other = lf_firstOnStand(context, adjacentStand, &aircraft);
    const StandRecord* adjacent = context.parking.standByNumber(adjacentStand);
    if (other == nullptr || adjacent == nullptr || other->state != SimObjectState::active ||
        (other->phase != MovementPhase::parked && other->phase != MovementPhase::pushing_back) ||
        other->flight.callsign == aircraft.flight.callsign) {
        return nullptr;
    }
    const double reach = (other->flight.halfWingspanNm + aircraft.flight.halfWingspanNm) * 1.1;
    const double apart = gf_distanceNm({adjacent->latitude, adjacent->longitude}, {stand.latitude, stand.longitude});
    return reach >= apart ? other : nullptr;
}

} // namespace

bool gf_resolveStandConflict(LiveContext& context, int32_t standNumber, std::string_view callsign,
                             const LiveAircraft* self)
{
    LiveAircraft* existing = lf_firstOnStand(context, standNumber, self);
    if (existing == nullptr || existing->state != SimObjectState::active ||
        !(existing->phase == MovementPhase::parked || existing->phase < MovementPhase::taxi)) {
        return true;
    }
    const std::string existingCallsign = existing->flight.callsign;
    const std::string stand = context.parking.standName(standNumber);
    if (callsign == existingCallsign) {
        gf_log(fmt::format("{:8}: {:8} ac with same callsign {} wants it, remove existing ... ", stand,
                           existingCallsign, callsign));
        removeAircraftFromSim(context, *existing);
        return true;
    }
    if (lf_extends(callsign, existingCallsign)) {
        return false;
    }
    if (lf_extends(existingCallsign, callsign) ||
        (lf_endsWithUnderscore(existingCallsign) && !lf_endsWithUnderscore(callsign))) {
        gf_log(fmt::format("{:8}: {:8} ghost, replace by {}", stand, existingCallsign, callsign));
        removeAircraftFromSim(context, *existing);
        return true;
    }
    if ((lf_endsWithUnderscore(callsign) && !lf_endsWithUnderscore(existingCallsign)) ||
        existing->standOccupied != 0) {
        return false;
    }
    gf_log(fmt::format("{:8}: {:8} removed because another live {} wants the stand ...", stand, existingCallsign,
                       callsign));
    removeAircraftFromSim(context, *existing);
    return true;
}

bool gf_adjacentFree(LiveContext& context, int32_t adjacentStand, const LiveAircraft& aircraft,
                     const StandRecord& stand)
{
    return lf_collidingNeighbour(context, adjacentStand, aircraft, stand) == nullptr;
}

void gf_removeAdjacentColliding(LiveContext& context, const LiveAircraft& aircraft, const StandRecord& stand)
{
    for (const int32_t adjacent : stand.adjacentStands) {
        if (LiveAircraft* other = lf_collidingNeighbour(context, adjacent, aircraft, stand)) {
            gf_log(fmt::format("{:8}: {:8} removed by parking {} at adjacent and possibly colliding stand {}",
                               context.parking.standName(adjacent), other->flight.callsign, aircraft.flight.callsign,
                               stand.id));
            removeAircraftFromSim(context, *other);
        }
    }
}

} // namespace hlw
