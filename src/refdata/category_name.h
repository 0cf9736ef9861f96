#pragma once
// The names of the aircraft categories as the log and the window show them.
#include "refdata/aircraft_category.h"

#include <string>

namespace hlw {

// "Light", "Buzjets", "Large", "Heavy", "HighPerf", "Rotorcraft"; any other value throws std::out_of_range.
const std::string& gf_categoryName(AircraftCategory category);

} // namespace hlw
