#pragma once
// The text form of the sets of half hours (slot 0 = 00:00 to 47 = 23:30) in which a stand was used:
// a list "3,5,7", a range "10:12" or a single slot "3".
#include <bitset>
#include <optional>
#include <string>
#include <string_view>

namespace hlw {

using SlotSet = std::bitset<48>;

struct HoursToSlots {
    // Reads the list or range form; bad fields are reported as alerts and skipped (list) or make the whole
    // range empty. Never fails.
    SlotSet operator()(std::string_view text) const;
    // One field (blanks around it allowed) to its slot 0 to 47: digits after an optional '-', anything after
    // the digits ignored. Otherwise nothing, after an alert naming the field and the whole text.
    std::optional<int> parseHour(std::string_view field, std::string_view wholeText) const;
};

inline constexpr HoursToSlots gf_hours2bitset{};

// "3,5,7": every set slot in ascending order; nothing when no slot is set.
std::optional<std::string> gf_bitset2hourList(const SlotSet& slots);
// "10:12" for one run of several slots, "3" for a single slot; nothing when no slot is set or the slots are
// not one run.
std::optional<std::string> gf_bitset2hours(const SlotSet& slots);
// The text to store a slot set: the run or single-slot form when it applies, else the list form, so that no
// set slot is ever lost. Nothing when no slot is set.
std::optional<std::string> gf_slotsToText(const SlotSet& slots);

} // namespace hlw
