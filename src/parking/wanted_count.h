#pragma once
// How many static parked aircraft the park airport wants now: the parking percentage ("CUSTOM_PARKING_PERCENTAGE"
// when set, else "parking_percentage", kept within 0 to 100) of its stands, rounded, at least one at an airport of 2
// or 3 stands when the percentage is below 50, and at most "MAX_PARK_SEL"; 0 when "MAX_PARK_SEL" is 0 or less.
#include "core/status_board.h"

#include <cstdint>

namespace hlw {

// The wanted count for an airport of standCount stands (never negative); the status area shows it with the share
// of the stands it makes.
int32_t gf_wantedStaticCount(int32_t standCount, StatusBoard& status);

} // namespace hlw
