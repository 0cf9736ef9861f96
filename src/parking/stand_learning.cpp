#include "parking/stand_learning.h"

#include "core/log.h"
#include "parking/stand_lookups.h"
#include "parking/stand_options.h"
#include "refdata/reference_lookups.h"

#include <fmt/format.h>

#include <algorithm>

namespace hlw {
namespace {

constexpr int32_t slotsPerDay = 48;
constexpr int32_t slotsPerWeek = 7 * slotsPerDay;
constexpr int32_t coupleWindow = 10;
constexpr int32_t heavyCoupleWindow = 14;

bool lf_known(WeekdaySlot now) noexcept
{
    return now.weekday >= 1 && now.weekday <= 7 && now.slot >= 0 && now.slot < slotsPerDay;
}

// The highest set slot, or -1.
int32_t lf_lastSlot(const SlotSet& slots) noexcept
{
    for (int32_t slot = slotsPerDay - 1; slot >= 0; --slot) {
        if (slots.test(static_cast<std::size_t>(slot))) {
            return slot;
        }
    }
    return -1;
}

StandOption* lf_option(std::vector<StandOption>& options, uint32_t number)
{
    const auto it = std::ranges::find(options, number, &StandOption::number);
    return it != options.end() ? &*it : nullptr;
}

// A learned (not an airport file's) real option of the registration on the weekday.
bool lf_learnedOf(const StandOption& option, std::string_view key, int32_t weekday) noexcept
{
    return option.number != 0 && option.weekday == weekday && option.registration == key && option.real &&
           !option.fromAirportFile;
}

std::string_view lf_withoutOneUnderscore(std::string_view text) noexcept
{
    if (text.ends_with('_')) {
        text.remove_suffix(1);
    }
    return text;
}

void lf_addOption(StandRecord& stand, const LiveAircraft& aircraft, std::string_view key, WeekdaySlot now, bool leaving,
                  LearnedUpdates& updates)
{
    findOrAddOption(stand.options, aircraft.flight.codes(), now, aircraft.flight.callsign, key, leaving, updates);
}

void lf_markCoupled(StandRecord& stand, uint32_t number, bool leaving)
{
    if (StandOption* option = lf_option(stand.options, number); option != nullptr && leaving) {
        option->coupled = true;
    }
}

// Extends the option of the point; falls back to a new option of today.
void lf_extendOrAdd(StandRecord& stand, LearnedPoint point, const LiveAircraft& aircraft, std::string_view key,
                    WeekdaySlot now, bool leaving, LearnedUpdates& updates)
{
    if (gf_learnStandSlots(now, stand, point, aircraft.flight, key, leaving, updates)) {
        updates.add();
        lf_markCoupled(stand, point.number, leaving);
    } else {
        lf_addOption(stand, aircraft, key, now, leaving, updates);
    }
}

} // namespace

int32_t gf_longestLearnedRun(const FlightRecord& flight) noexcept
{
    if (flight.cargo != 0) {
        return 12;
    }
    return flight.category == AircraftCategory::Heavy ? 8 : 6;
}

std::string gf_registrationKey(std::string_view registration)
{
    return std::string(lf_withoutOneUnderscore(registration));
}

bool gf_learnStandSlots(WeekdaySlot now, StandRecord& stand, LearnedPoint& point, const FlightRecord& aircraft,
                        std::string_view registrationKey, bool leaving, LearnedUpdates& updates)
{
    if (point.number == 0 || (point.weekday == now.weekday && point.slot == now.slot)) {
        return true;
    }
    int32_t diff = (now.weekday - point.weekday) * slotsPerDay - point.slot + now.slot;
    if (diff < 0) {
        diff += slotsPerWeek;
    }
    if (diff < 1 || diff >= gf_longestLearnedRun(aircraft)) {
        return false;
    }
    std::vector<int32_t> slots = gf_slotRunList(now, diff);
    if (point.weekday == now.weekday) {
        if (updateOptions(stand.options, slots, point.number)) {
            addOptionCallsign(stand.options, point.number, aircraft.callsign);
        }
        point = {now.weekday, now.slot, point.number};
        return true;
    }
    const std::optional<uint32_t> today =
        findOrAddOption(stand.options, aircraft.codes(), now, aircraft.callsign, registrationKey, leaving, updates);
    if (!today) {
        return false;
    }
    if (updateOptionsWrapped(stand.options, slots, point.number, *today)) {
        addOptionCallsign(stand.options, point.number, aircraft.callsign);
        addOptionCallsign(stand.options, *today, aircraft.callsign);
    }
    point = {now.weekday, now.slot, *today};
    return true;
}

void gf_addRealStandOption(std::span<StandRecord> stands, StandNumber standNumber, LiveAircraft& aircraft,
                           StandUseReason reason, WeekdaySlot now, LearnedUpdates& updates)
{
    try {
        const std::string key = gf_registrationKey(aircraft.flight.registration);
        if (key.empty() || !lf_known(now)) {
            return;
        }
        const std::optional<RegistrationCodes> record = gf_findDbaseRecord(key);
        if (!record) {
            return;
        }
        FlightHead& head = aircraft.flight;
        head.airline = record->airline;
        head.secondAirline = record->secondAirline;
        head.model = record->model;
        head.cargo = record->cargo;
        head.registrationKnown = record->valid;
        StandRecord* stand = gf_findStand(stands, standNumber);
        if (stand == nullptr) {
            return;
        }
        const auto slot = static_cast<std::size_t>(now.slot);
        const bool airportFileHoldsIt = std::ranges::any_of(stand->options, [&](const StandOption& option) {
            return option.number != 0 && option.weekday == now.weekday && option.registration == key && option.real &&
                   option.fromAirportFile && !option.slots.test(slot);
        });
        if (airportFileHoldsIt) {
            return;
        }
        const bool leaving = reason == StandUseReason::left || reason == StandUseReason::goneUnseen;
        const auto learned = std::ranges::find_if(
            stand->options, [&](const StandOption& option) { return lf_learnedOf(option, key, now.weekday); });
        if (learned == stand->options.end()) {
            // A stay that began yesterday: its uncoupled option of yesterday is the last learned point.
            const int32_t yesterday = (now.weekday + 5) % 7 + 1;
            const auto before = std::ranges::find_if(stand->options, [&](const StandOption& option) {
                return lf_learnedOf(option, key, yesterday) && !option.coupled && lf_lastSlot(option.slots) >= 0;
            });
            if (before == stand->options.end()) {
                lf_addOption(*stand, aircraft, key, now, leaving, updates);
                return;
            }
            lf_extendOrAdd(*stand, {yesterday, lf_lastSlot(before->slots), before->number}, aircraft, key, now,
                           leaving, updates);
            return;
        }
        if (learned->coupled && !learned->slots.test(slot)) {
            lf_addOption(*stand, aircraft, key, now, leaving, updates);
            return;
        }
        if (learned->slots.test(slot)) {
            learned->coupled = learned->coupled || leaving;
            return;
        }
        const uint32_t number = learned->number;
        lf_extendOrAdd(*stand, {learned->weekday, lf_lastSlot(learned->slots), number}, aircraft, key, now, leaving,
                       updates);
        lf_markCoupled(*stand, number, leaving);
    } catch (const std::exception& error) {
        gf_logAlert(fmt::format("{}: hh_now: {}, {}", "lf_addRealStandOption", now.slot, error.what()));
    }
}

bool gf_coupleCallsigns(std::span<const StandRecord> stands, FlightRecord& flight, WeekdaySlot now)
{
    if (!lf_known(now) || flight.callsign.empty()) {
        return false;
    }
    const int32_t window = flight.category == AircraftCategory::Heavy ? heavyCoupleWindow : coupleWindow;
    SlotSet inWindow;
    for (int32_t slot = std::max(now.slot - window, 0); slot <= std::min(now.slot + window, slotsPerDay - 1); ++slot) {
        inWindow.set(static_cast<std::size_t>(slot));
    }
    const std::string_view callsign = flight.callsign;
    const std::string_view bare = lf_withoutOneUnderscore(callsign);
    const auto mine = [&](const std::string& text) { return text == callsign || text == bare; };
    for (const StandRecord& stand : stands) {
        for (const StandOption& option : stand.options) {
            if (option.number == 0 || option.weekday != now.weekday || option.codes.airline != flight.airline ||
                option.secondCallsign.empty() || (option.slots & inWindow).none()) {
                continue;
            }
            if (mine(option.callsign) || mine(option.secondCallsign)) {
                flight.secondCallsign = option.callsign;
                flight.thirdCallsign = option.secondCallsign;
                return true;
            }
        }
    }
    return false;
}

} // namespace hlw
