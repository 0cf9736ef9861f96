#pragma once
// Reads the minimal AceXML flight plan a client assigns to an AI aircraft.
#include "sim_object.h"

#include <filesystem>
#include <optional>
#include <string>

namespace hlw::standin {

// The plan's type, departure and destination; nothing when the file is missing, is not well-formed
// XML, is not an AceXML document with one flight plan, or has a type other than IFR/VFR.
// `error` receives the reason for the log and the trace.
std::optional<FlightPlanInfo> gf_readFlightPlan(const std::filesystem::path& path, std::string& error);

} // namespace hlw::standin
