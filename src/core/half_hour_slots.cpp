#include "core/half_hour_slots.h"

#include "core/log.h"
#include "core/string_helpers.h"

#include <fmt/format.h>

#include <charconv>
#include <vector>

namespace hlw {
namespace {

constexpr std::string_view functionName = "gf_hours2bitset";

SlotSet lf_rangeForm(const HoursToSlots& reader, std::string_view text)
{
    int ends[2] = {0, 0};
    int validCount = 0;
    bool anyInvalid = false;
    for (const std::string_view field : gf_splitAt(text, ':')) {
        if (validCount == 2) {
            gf_logAlert(fmt::format("{} more than one colon char in: {}", functionName, text));
            return {};
        }
        if (const auto slot = reader.parseHour(field, text)) {
            ends[validCount++] = *slot;
        } else {
            anyInvalid = true;
        }
    }
    if (anyInvalid || validCount != 2) {
        return {};
    }
    if (ends[1] < ends[0]) {
        gf_logAlert(
            fmt::format("{} descending range not allowed ({}:{} in {})", functionName, ends[0], ends[1], text));
        return {};
    }
    SlotSet slots;
    for (int slot = ends[0]; slot <= ends[1]; ++slot) {
        slots.set(static_cast<std::size_t>(slot));
    }
    return slots;
}

} // namespace

std::optional<int> HoursToSlots::parseHour(std::string_view field, std::string_view wholeText) const
{
    const std::string_view trimmed = gf_trimView(field, cSpace);
    int32_t value = -1;
    const char* first = trimmed.data();
    const char* last = first + trimmed.size();
    // from_chars takes an optional '-' and no '+', and stops at the first character that is not a digit.
    const auto [end, error] = std::from_chars(first, last, value);
    if (error == std::errc{} && value >= 0 && value < 48) {
        return value;
    }
    gf_logAlert(fmt::format("{} invalid hour '{}' in {}", "operator ()", trimmed, wholeText));
    return std::nullopt;
}

SlotSet HoursToSlots::operator()(std::string_view text) const
{
    if (text.find(':') != std::string_view::npos) {
        return lf_rangeForm(*this, text);
    }
    SlotSet slots;
    if (text.empty()) {
        return slots;
    }
    for (const std::string_view field : gf_splitAt(text, ',')) {
        if (const auto slot = parseHour(field, text)) {
            slots.set(static_cast<std::size_t>(*slot));
        }
    }
    return slots;
}

std::optional<std::string> gf_bitset2hourList(const SlotSet& slots)
{
    if (slots.none()) {
        return std::nullopt;
    }
    std::string list;
    for (std::size_t slot = 0; slot < slots.size(); ++slot) {
        if (slots.test(slot)) {
            list += list.empty() ? fmt::format("{}", slot) : fmt::format(",{}", slot);
        }
    }
    return list;
}

std::optional<std::string> gf_bitset2hours(const SlotSet& slots)
{
    if (slots.none()) {
        return std::nullopt;
    }
    std::size_t first = 0;
    while (!slots.test(first)) {
        ++first;
    }
    std::size_t last = slots.size() - 1;
    while (!slots.test(last)) {
        --last;
    }
    if (slots.count() != last - first + 1) {
        return std::nullopt;
    }
    return first == last ? fmt::format("{}", first) : fmt::format("{}:{}", first, last);
}

std::optional<std::string> gf_slotsToText(const SlotSet& slots)
{
    if (auto run = gf_bitset2hours(slots)) {
        return run;
    }
    return gf_bitset2hourList(slots);
}

} // namespace hlw
