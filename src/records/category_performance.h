#pragma once
// How aircraft of each category move: the one table of per-category values that the flight data of a new
// aircraft takes (records/flight_record.h) and the motion reads. Angles are in degrees here; the flight data
// stores radians.
#include "refdata/aircraft_category.h"

#include <cstdint>

namespace hlw {

struct CategoryPerformance {
    double takeOffPitchDeg = 0.0;     // pitch reached in the take-off run (negative = nose up)
    double climbPitchDeg = 0.0;       // pitch of the climb-out
    double normalTurnStepDeg = 0.0;   // per tick
    double climbLimitFtPerTick = 0.0; // upper bound of the altitude rate
    double taxiSpeedKt = 0.0;         // the last metres to or from a stand
    uint32_t flareTicks = 0;
    uint32_t touchdownTicks = 0;
    uint32_t takeOffRunTicks = 0;
    uint32_t rotationTicks = 0;
};

// The values of a category; a value outside Light .. Rotorcraft throws std::out_of_range.
const CategoryPerformance& gf_categoryPerformance(AircraftCategory category);

} // namespace hlw
