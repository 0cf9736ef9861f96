#include "parking/stand_options.h"

#include "core/log.h"
#include "refdata/reference_lookups.h"

#include <fmt/format.h>

#include <algorithm>
#include <array>

namespace hlw {
namespace {

constexpr int32_t slotsPerDay = 48;

constexpr uint8_t lf_bit(AircraftCategory category)
{
    return static_cast<uint8_t>(1U << static_cast<unsigned>(category));
}

constexpr uint8_t light = lf_bit(AircraftCategory::Light);
constexpr uint8_t buzjets = lf_bit(AircraftCategory::Buzjets);
constexpr uint8_t large = lf_bit(AircraftCategory::Large);
constexpr uint8_t heavy = lf_bit(AircraftCategory::Heavy);
constexpr uint8_t highPerf = lf_bit(AircraftCategory::HighPerf);
constexpr uint8_t rotorcraft = lf_bit(AircraftCategory::Rotorcraft);

// The categories each parking type suits, by type 0 to 15.
constexpr std::array<uint8_t, highestParkingType + 1> suitedCategories{
    0,                                                       // 0
    light,                                                   // 1
    light,                                                   // 2
    light | buzjets | highPerf,                              // 3
    buzjets | large,                                         // 4
    large | heavy,                                           // 5
    large | heavy,                                           // 6
    highPerf,                                                // 7
    buzjets | large,                                         // 8
    large,                                                   // 9
    heavy,                                                   // 10
    light | rotorcraft,                                      // 11
    light | buzjets | large | heavy | highPerf | rotorcraft, // 12
    0,                                                       // 13
    light | highPerf,                                        // 14
    large | heavy,                                           // 15
};

bool lf_validNow(WeekdaySlot now) noexcept
{
    return now.weekday >= 1 && now.weekday <= 7 && now.slot >= 0 && now.slot < slotsPerDay;
}

std::string_view lf_withoutOneUnderscore(std::string_view callsign) noexcept
{
    if (callsign.ends_with('_')) {
        callsign.remove_suffix(1);
    }
    return callsign;
}

StandOption* lf_option(std::vector<StandOption>& options, uint32_t number) noexcept
{
    if (number == 0) {
        return nullptr;
    }
    const auto found = std::ranges::find(options, number, &StandOption::number);
    return found == options.end() ? nullptr : &*found;
}

// Takes the list's last slot into the option; false after the alert for a slot outside the day.
bool lf_takeLastSlot(std::vector<int32_t>& slots, StandOption& option, std::string_view caller)
{
    const int32_t slot = slots.back();
    slots.pop_back();
    if (slot < 0 || slot >= slotsPerDay) {
        gf_logAlert(fmt::format("{} exception:slot {} outside 0 to {}", caller, slot, slotsPerDay - 1));
        return false;
    }
    option.slots.set(static_cast<std::size_t>(slot));
    return true;
}

} // namespace

bool gf_parkingSuitsCategory(int32_t parkingType, AircraftCategory category) noexcept
{
    if (parkingType < 0 || parkingType > highestParkingType) {
        return false;
    }
    const auto index = static_cast<uint32_t>(category);
    return index < 8 && (suitedCategories[static_cast<std::size_t>(parkingType)] & (1U << index)) != 0;
}

std::optional<uint32_t> findOrAddOption(std::vector<StandOption>& options, StandCodes codes, WeekdaySlot now,
                                        std::string_view callsign, std::string_view registration, bool coupled,
                                        LearnedUpdates& updates)
{
    if (registration.empty() || !lf_validNow(now)) {
        return std::nullopt;
    }
    SlotSet slots;
    slots.set(static_cast<std::size_t>(now.slot));
    if (codes.valid == 0) {
        if (const auto record = gf_findDbaseRecord(registration)) {
            codes = *record;
        }
    }
    const bool known = std::ranges::any_of(options, [&](const StandOption& option) {
        return option.registration == registration && option.weekday == now.weekday && option.slots == slots;
    });
    if (known) {
        return std::nullopt;
    }
    StandOption option;
    option.codes = codes;
    option.registration = registration;
    option.callsign = lf_withoutOneUnderscore(callsign);
    option.slots = slots;
    option.number = static_cast<uint32_t>(options.size() + 1);
    option.weekday = now.weekday;
    option.fromAirportFile = false;
    option.real = true;
    option.coupled = coupled;
    option.newlyLearned = true;
    options.push_back(std::move(option));
    updates.add();
    return options.back().number;
}

void addOptionCallsign(std::vector<StandOption>& options, uint32_t number, std::string_view callsign)
{
    callsign = lf_withoutOneUnderscore(callsign);
    StandOption* option = lf_option(options, number);
    if (callsign.empty() || option == nullptr) {
        return;
    }
    if (option->callsign.empty()) {
        option->callsign = callsign;
    } else if (callsign != option->callsign && callsign != option->secondCallsign) {
        option->secondCallsign = callsign;
    }
}

bool updateOptions(std::vector<StandOption>& options, std::vector<int32_t>& slots, uint32_t number)
{
    StandOption* option = lf_option(options, number);
    if (option == nullptr) {
        return false;
    }
    while (!slots.empty()) {
        if (!lf_takeLastSlot(slots, *option, "updateOptions")) {
            return false;
        }
    }
    return true;
}

bool updateOptionsWrapped(std::vector<StandOption>& options, std::vector<int32_t>& slots, uint32_t earlierNumber,
                          uint32_t laterNumber)
{
    constexpr std::string_view caller = "updateOptionsWrapped";
    StandOption* earlier = lf_option(options, earlierNumber);
    if (earlier == nullptr) {
        return false;
    }
    if (!slots.empty() && slots.back() != 0) {
        while (!slots.empty()) {
            const bool lastOfDay = slots.back() == slotsPerDay - 1;
            if (!lf_takeLastSlot(slots, *earlier, caller)) {
                return false;
            }
            if (lastOfDay) {
                break;
            }
        }
    }
    StandOption* later = lf_option(options, laterNumber);
    if (later == nullptr) {
        return false;
    }
    while (slots.size() > 1) {
        if (!lf_takeLastSlot(slots, *later, caller)) {
            return false;
        }
    }
    return true;
}

std::vector<int32_t> gf_slotRunList(WeekdaySlot now, int32_t count)
{
    std::vector<int32_t> slots;
    if (count <= 0 || !lf_validNow(now)) {
        return slots;
    }
    slots.reserve(slotsPerDay);
    for (int32_t i = 0; i < std::min(count, slotsPerDay); ++i) {
        slots.push_back((now.slot - i + slotsPerDay) % slotsPerDay);
    }
    return slots;
}

} // namespace hlw
