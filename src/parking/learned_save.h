#pragma once
// Saving what the park airport learned into its learned file: exactly the path derived at the load, with the
// learned options, the stands made by hand or changed, the airport's own settings and the learned entries of stands
// the airport does not have. The first save of a visit keeps the file's older generation ("EHAM0.xml"); temporary
// files that a killed save left are removed first; the file is replaced safely, so that a crash at any moment
// leaves it as the last completed save wrote it. Worker thread only.
#include "parking/park_airport.h"

namespace hlw {

// Saves the learned file. Nothing is saved (false, logged) after a failed load, for an airport without learned
// path, or when the learned file was not read completely (what it holds beyond the read would be lost). A failure
// is logged and leaves the count of unsaved changes; success sets it to 0. Never changes the stand table; never
// throws.
bool gf_saveLearnedAirport(ParkAirport& park, std::chrono::steady_clock::time_point now);

} // namespace hlw
