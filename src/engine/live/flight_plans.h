#pragma once
// The flight-plan files of live aircraft with a route: "{object id}.pln" in the flight-plan folder, a minimal
// AceXML plan with the flight type and the two route codes. The file lives as long as its aircraft's object.
#include "records/flight_record.h"

#include <cstdint>
#include <filesystem>
#include <string>

namespace hlw {

// "IFR" for business jets, large and heavy aircraft; "VFR" for light, high-performance aircraft and rotorcraft.
std::string_view gf_flightType(AircraftCategory category) noexcept;
// The plan's bytes: eight lines and an empty one, line feeds only; a missing route code is three blanks.
std::string gf_flightPlanText(const FlightRecord& flight);
std::filesystem::path gf_flightPlanPath(const std::filesystem::path& folder, uint32_t objectId);
// Writes the plan into a temporary file beside the target and renames it over the target; every write and the
// close are checked. False on any failure (the temporary file is removed, nothing is renamed).
bool gf_writeFlightPlan(const std::filesystem::path& path, const FlightRecord& flight);

} // namespace hlw
