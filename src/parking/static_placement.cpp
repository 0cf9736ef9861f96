#include "parking/static_placement.h"

#include "core/log.h"
#include "liveries/livery_matching.h"
#include "parking/stand_lookups.h"
#include "refdata/code_table.h"
#include "settings/catalogue.h"

#include <fmt/format.h>

#include <algorithm>
#include <chrono>

namespace hlw {
namespace {

bool lf_active(const StaticAircraft& aircraft) noexcept
{
    return aircraft.state == SimObjectState::active;
}

bool lf_standsAt(const StaticAircraft& aircraft, StandNumber number, const StandRecord* stand) noexcept
{
    return aircraft.standNumber == number ||
           (stand != nullptr && std::ranges::find(stand->adjacentStands, aircraft.standNumber) !=
                                    stand->adjacentStands.end());
}

// The next hex id after the counter that no static aircraft holds.
uint32_t lf_nextStaticId(uint32_t counter, std::span<const StaticAircraft> statics)
{
    for (uint32_t tries = 0; tries < staticCounterModulus; ++tries) {
        counter = (counter + 1) % staticCounterModulus;
        if (std::ranges::none_of(statics, [counter](const StaticAircraft& aircraft) {
                return aircraft.flight.hexId == counter;
            })) {
            return counter;
        }
    }
    return (counter + 1) % staticCounterModulus;
}

std::string lf_callsignOf(const SelectedParkPosition& position, uint32_t counter)
{
    if (position.callsign.empty()) {
        return fmt::format("{}{}{}", gf_airlineText(position.codes.airline), counter, "*");
    }
    const std::string& preferred = position.stays ? position.callsign : position.secondCallsign;
    const std::string& other = position.stays ? position.secondCallsign : position.callsign;
    return gf_staticCallsign(preferred.empty() ? other : preferred);
}

// The half hours since the static aircraft was parked.
int32_t lf_halfHoursParked(WeekdaySlot now, const StaticAircraft& aircraft) noexcept
{
    return gf_halfHoursSince(now, {static_cast<int32_t>(aircraft.parkedWeekday), static_cast<int32_t>(aircraft.parkedSlot)});
}

} // namespace

std::string gf_staticCallsign(std::string_view text)
{
    while (text.ends_with('_')) {
        text.remove_suffix(1);
    }
    return fmt::format("{}{}", text, text.ends_with('*') ? "" : "*");
}

bool StaticPlacer::placeNext(std::vector<SelectedParkPosition>& selected, std::span<const StandRecord> stands,
                             ParkingTraffic& traffic)
{
    if (selected.empty() || stands.empty()) {
        return false;
    }
    const SelectedParkPosition p = std::move(selected.back());
    selected.pop_back();
    const StandRecord* stand = gf_findStand(stands, p.standNumber);
    const std::string name = gf_standName(stands, p.standNumber);
    for (const LiveAircraft& live : traffic.liveAircraft()) {
        if ((live.phase == MovementPhase::parking || live.phase == MovementPhase::parked) &&
            lf_standsAt(live, p.standNumber, stand)) {
            if (live.standNumber == p.standNumber) {
                gf_log(fmt::format("{:8}: no static parking for {}, live aircraft {} standing here", name, p.callsign,
                                   live.flight.callsign));
            } else {
                gf_log(fmt::format("{:8}: no static parking for {}, live aircraft {} is adjacent at {}, possibly "
                                   "colliding",
                                   name, p.callsign, live.flight.callsign, gf_standName(stands, live.standNumber)));
            }
            return false;
        }
    }
    const std::span<const StaticAircraft> statics = traffic.staticAircraft();
    for (const StaticAircraft& fixed : statics) {
        // One whose removal is under way makes room: an adjustment removes the static aircraft that a position
        // replaces, at its stand or touching it, and places the position before the simulator confirms the removal.
        if (fixed.state != SimObjectState::removingfromsim && lf_standsAt(fixed, p.standNumber, stand)) {
            gf_log(fmt::format("{:8}: no static parking for {}, static aircraft {} is adjacent at {}, possibly "
                               "colliding",
                               name, p.callsign, fixed.flight.callsign, gf_standName(stands, fixed.standNumber)));
            return false;
        }
    }
    if (stand == nullptr) {
        gf_logAlert(fmt::format("stand with id {} not found", name));
        return false;
    }
    if (stand->occupied) {
        gf_log(fmt::format("{:8}: no static parking for {}, live aircraft occupies the stand", stand->id, p.callsign));
        return false;
    }
    counter = lf_nextStaticId(counter, statics);
    TrafficRecord record;
    FlightHead& head = record.head;
    head.airline = p.codes.airline;
    head.secondAirline = p.codes.secondAirline;
    head.model = p.codes.model;
    head.cargo = p.codes.cargo;
    head.registrationKnown = p.codes.valid;
    head.callsign = lf_callsignOf(p, counter);
    head.secondCallsign = p.callsign;
    head.thirdCallsign = p.secondCallsign;
    head.registration = p.registration;
    record.hexId = counter;
    StaticAircraft aircraft(gf_makeFlightRecord(record), stand->standNumber, stand->latitude, stand->longitude,
                            stand->heading, stand->cargo);
    if (!gf_matchStaticLivery(aircraft.flight, *stand)) {
        return false;
    }
    const WeekdaySlot start = gf_slotsBefore(traffic.weekdaySlot(), p.fit);
    aircraft.parkedWeekday = static_cast<uint32_t>(std::max(start.weekday, 0));
    aircraft.parkedSlot = static_cast<uint32_t>(std::max(start.slot, 0));
    traffic.createStatic(std::move(aircraft));
    return true;
}

std::vector<LiveParkedTime> gf_listLiveParked(std::span<const LiveAircraft> live, SteadyTimeSource& time)
{
    const SteadyTimeSource::TimePoint now = time.now();
    std::vector<LiveParkedTime> list;
    for (const LiveAircraft& aircraft : live) {
        if (lf_active(aircraft) && aircraft.phase == MovementPhase::parked) {
            const auto parked = std::chrono::duration_cast<std::chrono::seconds>(now - aircraft.parkedSince);
            list.push_back({aircraft.objectId, aircraft.flight.category, parked.count()});
        }
    }
    std::ranges::stable_sort(list, std::ranges::greater{}, &LiveParkedTime::secondsParked);
    return list;
}

void gf_checkMaxPark(bool oneMoreLive, int32_t limit, ParkingTraffic& traffic, std::span<const StandRecord> stands,
                     SteadyTimeSource& time)
{
    if (limit < 1) {
        return;
    }
    std::vector<LiveAircraft>& live = traffic.liveAircraft();
    const auto parkedLive = std::ranges::count_if(
        live, [](const LiveAircraft& aircraft) { return lf_active(aircraft) && aircraft.phase == MovementPhase::parked; });
    const int64_t total = parkedLive + (oneMoreLive ? 1 : 0);
    if (!settings::initialLoadOnly.get() && total > limit) {
        const std::vector<LiveParkedTime> longest = gf_listLiveParked(live, time);
        if (!longest.empty()) {
            const uint32_t objectId = longest.front().objectId;
            const auto it = std::ranges::find_if(live, [objectId](const LiveAircraft& aircraft) {
                return lf_active(aircraft) && aircraft.objectId == objectId;
            });
            if (it != live.end()) {
                gf_log(fmt::format("{:8}: {} live max park exceeded, removed", gf_standName(stands, it->standNumber),
                                   it->flight.callsign));
                traffic.removeAircraft(*it);
            }
        }
    }
    std::vector<StaticAircraft>& statics = traffic.staticAircraft();
    if (gf_staticParkedCount(statics) + total <= limit) {
        return;
    }
    // The one parked longest ago within the week goes.
    const WeekdaySlot now = traffic.weekdaySlot();
    StaticAircraft* earliest = nullptr;
    for (StaticAircraft& aircraft : statics) {
        if (lf_active(aircraft) &&
            (earliest == nullptr || lf_halfHoursParked(now, aircraft) > lf_halfHoursParked(now, *earliest))) {
            earliest = &aircraft;
        }
    }
    if (earliest != nullptr) {
        gf_log(fmt::format("{:8}: {} static max park exceeded, removed", gf_standName(stands, earliest->standNumber),
                           earliest->flight.callsign));
        traffic.removeAircraft(*earliest);
    }
}

int32_t gf_staticParkedCount(std::span<const StaticAircraft> statics) noexcept
{
    return static_cast<int32_t>(std::ranges::count_if(statics, [](const StaticAircraft& aircraft) {
        return aircraft.state == SimObjectState::active || aircraft.state == SimObjectState::removingfromsim;
    }));
}

float gf_meanStaticParkedHours(std::span<const StaticAircraft> statics, WeekdaySlot now) noexcept
{
    int64_t count = 0;
    int64_t sum = 0;
    for (const StaticAircraft& aircraft : statics) {
        if (aircraft.state != SimObjectState::active && aircraft.state != SimObjectState::removingfromsim) {
            continue;
        }
        ++count;
        sum += lf_halfHoursParked(now, aircraft);
    }
    return count == 0 ? 0.0F : static_cast<float>(static_cast<double>(sum) / (2.0 * static_cast<double>(count)) + 0.5);
}

} // namespace hlw
