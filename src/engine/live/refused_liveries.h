#pragma once
// Liveries the simulator refused to create, and the aircraft no livery matched. A refused title is never offered
// again; twenty distinct refused titles end the traffic run (error 81), because the livery tables no longer fit
// the simulator's installation.
#include "records/flight_record.h"

#include <cstddef>
#include <string>
#include <unordered_set>

namespace hlw {

inline constexpr std::size_t maxRefusedTitles = 20;

// The simulator could not create the aircraft with its title: shown and logged unless the run is ending, the title
// refused, "model airline" kept for the matching summary. Throws UserErrorException 81 once 20 titles are refused.
void gf_liveryNotCreated(const FlightRecord& flight);

// "\nNo match found for:", one name a line and an empty line; nothing when there are no names.
void gf_logNoMatch(const std::unordered_set<std::string>& unmatchedNames);

} // namespace hlw
