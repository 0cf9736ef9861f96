#include "parking/parking_adjustments.h"

#include "core/log.h"
#include "core/message_line.h"
#include "core/star_text.h"
#include "parking/stand_lookups.h"
#include "parking/static_placement.h"
#include "refdata/reference_lookups.h"
#include "settings/catalogue.h"

#include <fmt/format.h>

#include <algorithm>
#include <chrono>

namespace hlw {
namespace {

constexpr int32_t slotsPerDay = 48;
constexpr int32_t lastSlot = slotsPerDay - 1;

bool lf_sameAircraftCodes(const StandCodes& a, const FlightRecord& b) noexcept
{
    return a.airline == b.airline && a.secondAirline == b.secondAirline && a.model == b.model;
}

bool lf_sameAircraftCodes(const StandCodes& a, const StandCodes& b) noexcept
{
    return a.airline == b.airline && a.secondAirline == b.secondAirline && a.model == b.model;
}

bool lf_anyBetween(const SlotSet& slots, int32_t from, int32_t to) noexcept
{
    for (int32_t slot = std::max(from, 0); slot <= std::min(to, lastSlot); ++slot) {
        if (slots.test(static_cast<std::size_t>(slot))) {
            return true;
        }
    }
    return false;
}

std::string_view lf_withoutStar(std::string_view callsign) noexcept
{
    if (callsign.ends_with('*')) {
        callsign.remove_suffix(1);
    }
    return callsign;
}

// The half hours from the start of the kept aircraft's stay to now: as the fit of its new position, the aircraft
// placed again keeps the parked time it had.
int32_t lf_halfHoursSinceParked(WeekdaySlot now, const StandUseRecord& record) noexcept
{
    return gf_halfHoursSince(now,
                             {static_cast<int32_t>(record.parkedWeekday), static_cast<int32_t>(record.parkedSlot)});
}

} // namespace

ParkingAdjustments::ParkingAdjustments(ParkingTraffic& traffic, StatusBoard& status, SteadyTimeSource& time,
                                       ParkAirport& park, StandSelection& selection, StaticParking& staticParking)
    : traffic_(traffic), status_(status), time_(time), park_(park), selection_(selection), staticParking_(staticParking)
{
}

void ParkingAdjustments::clear()
{
    standUse_.clear();
    removals_.clear();
}

std::string ParkingAdjustments::standName(StandNumber standNumber) const
{
    return gf_standName(park_.state.stands, standNumber);
}

const StandRecord* ParkingAdjustments::standByNumber(StandNumber standNumber) const
{
    return gf_findStand(std::span<const StandRecord>(park_.state.stands), standNumber);
}

void ParkingAdjustments::listParkedLive()
{
    std::vector<ParkedLiveEntry>& parked = selection_.parkedLive;
    parked.clear();
    const SteadyTimeSource::TimePoint now = time_.now();
    for (LiveAircraft& aircraft : traffic_.liveAircraft()) {
        if (aircraft.state != SimObjectState::active || aircraft.phase != MovementPhase::parked) {
            continue;
        }
        if (aircraft.extrapolationCount > 0) {
            // Its data runs on made-up positions: it is not removed for its parked time.
            parked.push_back({aircraft.flight.callsign, 0, aircraft.standNumber, 0});
            continue;
        }
        const auto minutes = std::chrono::duration_cast<std::chrono::minutes>(now - aircraft.parkedSince);
        const auto limit = aircraft.flight.category == AircraftCategory::Heavy ? 2 * maxLiveParked : maxLiveParked;
        if (settings::initialLoadOnly.get() || minutes <= limit) {
            parked.push_back({aircraft.flight.callsign, 0, aircraft.standNumber, static_cast<int32_t>(minutes.count())});
        } else {
            gf_log(fmt::format("{:8}: {} parked {} minutes, removed", standName(aircraft.standNumber),
                               aircraft.flight.callsign, minutes.count()));
            traffic_.removeAircraft(aircraft);
        }
    }
    std::ranges::stable_sort(parked, {}, &ParkedLiveEntry::minutesParked);
}

void ParkingAdjustments::removeLiveParked(std::size_t count)
{
    std::vector<LiveAircraft>& live = traffic_.liveAircraft();
    const std::vector<LiveParkedTime> longest = gf_listLiveParked(live, time_);
    for (std::size_t i = 0; i < std::min(count, longest.size()); ++i) {
        const auto it = std::ranges::find_if(live, [&](const LiveAircraft& aircraft) {
            return aircraft.state == SimObjectState::active && aircraft.objectId == longest[i].objectId;
        });
        if (it != live.end()) {
            gf_log(fmt::format("live parked {} at {} removed", gf_describeAc(it->flight), standName(it->standNumber)));
            traffic_.removeAircraft(*it);
        }
    }
}

void ParkingAdjustments::addStandUse(const StaticAircraft& aircraft)
{
    const FlightRecord& flight = aircraft.flight;
    standUse_.push_back({flight.callsign, flight.secondCallsign, flight.thirdCallsign, flight.registration,
                         flight.codes(), aircraft.parkedWeekday, aircraft.parkedSlot, aircraft.standNumber, false});
}

// The aircraft's learned stay goes on at its stand within the fit the passes reached.
bool ParkingAdjustments::stillScheduled(WeekdaySlot now, const StaticAircraft& aircraft) const
{
    const int32_t maxFit = std::min(std::max(selection_.lastFitReal, selection_.lastFitSoft), lastSlot);
    const StandRecord* stand = standByNumber(aircraft.standNumber);
    if (stand == nullptr) {
        return false;
    }
    const FlightRecord& flight = aircraft.flight;
    const int32_t previousDay = (now.weekday + 5) % 7 + 1;
    const int32_t spill = std::min(maxFit - now.slot, lastSlot - 1);
    return std::ranges::any_of(stand->options, [&](const StandOption& option) {
        if (option.registration != flight.registration || !lf_sameAircraftCodes(option.codes, flight)) {
            return false;
        }
        if (option.weekday == now.weekday && lf_anyBetween(option.slots, now.slot - maxFit, now.slot)) {
            return true;
        }
        return spill > 0 && option.weekday == previousDay && lf_anyBetween(option.slots, lastSlot - spill, lastSlot);
    });
}

// Keeps the aircraft when the position's learned stay began at or before its own, else it goes. Both began within
// the week before now (the position's fit half hours ago), so they are compared by how long ago they began.
void ParkingAdjustments::keepOrRemove(const StaticAircraft& aircraft, std::size_t position, WeekdaySlot now)
{
    std::vector<SelectedParkPosition>& selected = selection_.selected;
    const WeekdaySlot parked{static_cast<int32_t>(aircraft.parkedWeekday), static_cast<int32_t>(aircraft.parkedSlot)};
    if (selected[position].fit >= gf_halfHoursSince(now, parked)) {
        addStandUse(aircraft);
        selected.erase(selected.begin() + static_cast<std::ptrdiff_t>(position));
    } else {
        removals_.push_back({aircraft.flight.callsign, aircraft.standNumber});
    }
}

void ParkingAdjustments::applySelection(WeekdaySlot now)
{
    std::vector<SelectedParkPosition>& selected = selection_.selected;
    for (const StaticAircraft& aircraft : traffic_.staticAircraft()) {
        if (aircraft.state != SimObjectState::active) {
            continue;
        }
        const auto own = std::ranges::find(selected, aircraft.standNumber, &SelectedParkPosition::standNumber);
        if (own != selected.end()) {
            if (lf_sameAircraftCodes(own->codes, aircraft.flight) &&
                (gf_equalsWithStar(own->callsign, aircraft.flight.callsign) ||
                 gf_equalsWithStar(own->secondCallsign, aircraft.flight.callsign))) {
                addStandUse(aircraft);
                selected.erase(own);
            } else {
                keepOrRemove(aircraft, static_cast<std::size_t>(own - selected.begin()), now);
            }
            continue;
        }
        const StandRecord* stand = standByNumber(aircraft.standNumber);
        bool collided = false;
        for (std::size_t i = 0; stand != nullptr && i < selected.size(); ++i) {
            const StandRecord* other = standByNumber(selected[i].standNumber);
            if (other == nullptr || std::ranges::find(stand->adjacentStands, other->standNumber) ==
                                        stand->adjacentStands.end()) {
                continue;
            }
            const double d = gf_distanceNm({aircraft.standLat, aircraft.standLon}, {other->latitude, other->longitude});
            if (d < aircraft.flight.halfWingspanNm + gf_halfWingspanNm(selected[i].codes.model)) {
                keepOrRemove(aircraft, i, now);
                collided = true;
                break;
            }
        }
        if (collided) {
            continue;
        }
        if (stillScheduled(now, aircraft)) {
            addStandUse(aircraft);
        } else {
            removals_.push_back({aircraft.flight.callsign, aircraft.standNumber});
        }
    }
    std::ranges::stable_sort(standUse_, {},
                             [now](const StandUseRecord& record) { return lf_halfHoursSinceParked(now, record); });
    markLeavingStays(now);
}

// A kept aircraft whose learned stay ends with the current half hour leaves.
void ParkingAdjustments::markLeavingStays(WeekdaySlot now)
{
    const int32_t next = now.slot + 1;
    const int32_t nextDay = now.weekday % 7 + 1;
    for (StandUseRecord& record : standUse_) {
        if (record.coupledCallsign2.empty() || record.coupledCallsign1.empty() ||
            record.callsign.find(record.coupledCallsign1) == std::string::npos) {
            continue;
        }
        const StandRecord* stand = standByNumber(record.standNumber);
        if (stand == nullptr) {
            continue;
        }
        const std::string_view callsign = lf_withoutStar(record.callsign);
        const auto option = std::ranges::find_if(stand->options, [&](const StandOption& candidate) {
            return candidate.number != 0 && candidate.weekday == now.weekday && candidate.callsign == callsign &&
                   lf_sameAircraftCodes(candidate.codes, record.codes);
        });
        if (option == stand->options.end()) {
            continue;
        }
        if (next < slotsPerDay) {
            record.leaves = !option->slots.test(static_cast<std::size_t>(next));
        } else {
            record.leaves = std::ranges::none_of(stand->options, [&](const StandOption& candidate) {
                return candidate.number != 0 && candidate.weekday == nextDay &&
                       lf_sameAircraftCodes(candidate.codes, record.codes) && candidate.slots.test(0);
            });
        }
    }
}

// Drops what exceeds the wanted count: positions still to place first, then the earliest parked static aircraft,
// then the live aircraft parked longest; it stops when nothing is left to drop.
void ParkingAdjustments::trimToWanted(int32_t wanted)
{
    std::vector<SelectedParkPosition>& selected = selection_.selected;
    std::vector<ParkedLiveEntry>& parked = selection_.parkedLive;
    int64_t excess = std::ssize(standUse_) + std::ssize(parked) + std::ssize(selected) - wanted;
    for (; excess >= 1; --excess) {
        if (!selected.empty()) {
            selected.pop_back();
        } else if (!standUse_.empty()) {
            removals_.push_back({standUse_.back().callsign, standUse_.back().standNumber});
            standUse_.pop_back();
        } else if (!parked.empty()) {
            const std::string callsign = parked.back().callsign;
            parked.pop_back();
            for (LiveAircraft& aircraft : traffic_.liveAircraft()) {
                if (aircraft.state == SimObjectState::active && aircraft.flight.callsign == callsign) {
                    traffic_.removeAircraft(aircraft);
                    break;
                }
            }
        } else {
            break;
        }
    }
}

void ParkingAdjustments::run()
{
    const WeekdaySlot now = staticParking_.logDayAndHour();
    status_.update([](StatusValues& values) {
        values.softOptionsUsed = false;
        values.otherWeekdaysUsed = false;
    });
    removals_.clear();
    standUse_.clear();
    selection_.clear();
    for (StandRecord& stand : park_.state.stands) {
        stand.reserved = false;
        stand.blocked = false;
        stand.selected = false;
        uint32_t number = 0;
        for (StandOption& option : stand.options) {
            option.number = ++number;
            option.excluded = false;
        }
    }
    selection_.heardCallsigns = traffic_.takeHeardCallsigns();
    const std::unordered_set<std::string>& heard = selection_.heardCallsigns;
    for (StaticAircraft& aircraft : traffic_.staticAircraft()) {
        const FlightRecord& flight = aircraft.flight;
        if (aircraft.state == SimObjectState::active &&
            ((!flight.secondCallsign.empty() && heard.contains(flight.secondCallsign)) ||
             (!flight.thirdCallsign.empty() && heard.contains(flight.thirdCallsign)))) {
            gf_log(fmt::format("{:8}: {} flies live now, removed", standName(aircraft.standNumber), flight.callsign));
            traffic_.removeAircraft(aircraft);
        }
    }
    staticParking_.markReservedStands();
    const int32_t wanted = staticParking_.takeWantedCount();
    listParkedLive();
    const auto parkedCount = static_cast<int32_t>(selection_.parkedLive.size());
    if (wanted > 0 && parkedCount > wanted) {
        gf_setMessage(fmt::format("Parking adjustments: {} more live ac than wanted", parkedCount - wanted), true);
        removeLiveParked(static_cast<std::size_t>(parkedCount - wanted));
        listParkedLive();
    }
    for (const ParkedLiveEntry& entry : selection_.parkedLive) {
        if (StandRecord* stand = gf_findStand(std::span<StandRecord>(park_.state.stands), entry.standNumber)) {
            gf_selectStand(park_.state.stands, *stand);
        }
    }
    const auto present = static_cast<int32_t>(standUse_.size() + selection_.parkedLive.size());
    if (wanted != present) {
        selection_.selectParkPositions(now, wanted, present, park_.state.stands, traffic_.staticAircraft());
    }
    applySelection(now);
    for (const StandUseRecord& record : standUse_) {
        if (record.leaves) {
            selection_.selected.push_back({record.standNumber, lf_halfHoursSinceParked(now, record), record.codes,
                                           record.coupledCallsign1, record.coupledCallsign2, record.registration,
                                           false});
            removals_.push_back({record.callsign, record.standNumber});
        }
    }
    std::erase_if(standUse_, [](const StandUseRecord& record) { return record.leaves; });
    trimToWanted(wanted);
    std::ranges::stable_sort(selection_.selected, std::ranges::greater{}, &SelectedParkPosition::fit);
    gf_setMessage(fmt::format("Parking adjustments: {} to be removed, {} to be added\n", removals_.size(),
                              selection_.selected.size()),
                  true);
    for (const StaticRemoval& removal : removals_) {
        std::vector<StaticAircraft>& statics = traffic_.staticAircraft();
        const auto it = std::ranges::find_if(statics, [&removal](const StaticAircraft& aircraft) {
            return aircraft.standNumber == removal.standNumber && aircraft.state == SimObjectState::active;
        });
        if (it != statics.end()) {
            traffic_.removeAircraft(*it);
        }
    }
    removals_.clear();
    status_.update([this](StatusValues& values) {
        values.softOptionsUsed = selection_.softOptionsUsed;
        values.otherWeekdaysUsed = selection_.otherWeekdaysUsed;
    });
}

} // namespace hlw
