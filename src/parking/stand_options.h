#pragma once
// The operations on a stand's recorded uses that the learning of stand use is built from, and which aircraft
// categories a stand's parking type suits. Every operation does nothing while the current weekday or slot is
// unknown (-1).
#include "core/reference_time.h"
#include "parking/park_airport_state.h"
#include "records/stand_record.h"
#include "refdata/aircraft_category.h"

#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

namespace hlw {

bool gf_parkingSuitsCategory(int32_t parkingType, AircraftCategory category) noexcept;
inline bool gf_parkingSuitsCategory(const StandRecord& stand, AircraftCategory category) noexcept
{
    return gf_parkingSuitsCategory(stand.parkingType, category);
}

// Records that the registration stands here now. Codes without the registration record's mark are replaced by
// the reference database's record of the registration when it has one. Nothing is added (and there is no
// result) for an empty registration, an unknown weekday or slot, or when an option of the same registration,
// weekday and slots exists. Otherwise the new option's number; the count of learned changes grows.
std::optional<uint32_t> findOrAddOption(std::vector<StandOption>& options, StandCodes codes, WeekdaySlot now,
                                        std::string_view callsign, std::string_view registration, bool coupled,
                                        LearnedUpdates& updates);

// Gives the option with the number the callsign (one trailing '_' removed): as its callsign when it has none,
// else as its second callsign unless it is one of the two already.
void addOptionCallsign(std::vector<StandOption>& options, uint32_t number, std::string_view callsign);

// Moves the slots from the back of the list into the option with the number. False when there is no such option,
// or at a slot outside 0 to 47 (alert "updateOptions exception:..."; slots set before stay set).
bool updateOptions(std::vector<StandOption>& options, std::vector<int32_t>& slots, uint32_t number);

// For a run of slots over midnight (gf_slotRunList): the slots up to 47 go into the earlier day's option, the
// rest but the first (the now slot, which the later day's option holds already) into the later day's option.
bool updateOptionsWrapped(std::vector<StandOption>& options, std::vector<int32_t>& slots, uint32_t earlierNumber,
                          uint32_t laterNumber);

// count slots backwards from the now slot, 47 following 0: at slot 2 with count 4 gives 2, 1, 0, 47. Empty for
// a count of 0 or less or an unknown now; at most one day of 48 slots.
std::vector<int32_t> gf_slotRunList(WeekdaySlot now, int32_t count);

} // namespace hlw
