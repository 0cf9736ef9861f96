#pragma once
// Which categories of received traffic the program shows: the airliner classes always, light aircraft,
// high-performance aircraft and helicopters as the user has chosen ("LIGHT_AIRCRAFT", "HIGH_PERF_AIRCRAFT",
// "HELICOPTERS"). A new live aircraft of a category switched off is not made, and one already made is not carried on.
#include "refdata/aircraft_category.h"

namespace hlw {

bool gf_categoryShown(AircraftCategory category);

} // namespace hlw
