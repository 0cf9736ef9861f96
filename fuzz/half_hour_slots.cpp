// The half-hour slot lists of the stand files: any text gives a set of the 48 slots, and every text the
// program writes for a set reads back as that set.
#include "fuzz_check.h"

#include "core/half_hour_slots.h"

#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    using namespace hlw;
    using fuzz::check;
    const std::string_view text = fuzz::asText(data, size);
    const SlotSet slots = gf_hours2bitset(text);

    const std::optional<std::string> stored = gf_slotsToText(slots);
    check(stored.has_value() == slots.any(), "a set is stored exactly when it has a slot");
    if (stored) {
        check(gf_hours2bitset(*stored) == slots, "the stored text reads back as the set");
    }
    if (const std::optional<std::string> list = gf_bitset2hourList(slots)) {
        check(gf_hours2bitset(*list) == slots, "the list form reads back as the set");
    }
    if (const std::optional<std::string> run = gf_bitset2hours(slots)) {
        check(gf_hours2bitset(*run) == slots, "the run form reads back as the set");
    }

    // The input's bytes as a set of slots, so that every set is reached, not only the ones texts give.
    SlotSet fromBytes;
    for (std::size_t i = 0; i < text.size() && i < 6; ++i) {
        for (int bit = 0; bit < 8; ++bit) {
            fromBytes[i * 8 + static_cast<std::size_t>(bit)] = ((static_cast<unsigned char>(text[i]) >> bit) & 1U) != 0;
        }
    }
    if (const std::optional<std::string> written = gf_slotsToText(fromBytes)) {
        check(gf_hours2bitset(*written) == fromBytes, "every set reads back from its stored text");
    }

    const std::optional<int> hour = gf_hours2bitset.parseHour(text, text);
    check(!hour || (*hour >= 0 && *hour < 48), "a parsed slot is one of the 48");
    return 0;
}
