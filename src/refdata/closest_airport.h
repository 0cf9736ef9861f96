#pragma once
// The airport the user stands at: the closest one within 5 nm, unless the airport passed over for it has a
// stand nearer to the user.
#include "core/geodesy.h"
#include "refdata/airports_database.h"

namespace hlw {

// The airport within 5.0 nm closest to the position (of equal distances the first in table order), or nullptr.
// When an earlier candidate of the walk in table order (the "neighbour") was passed over for it, the parking
// layer is asked for the closest stand of both (closest_stand_port.h), and the neighbour wins only when its
// stand is strictly nearer. "No stand" is 100 nm for both, so the candidate wins without airport files.
const AirportRecord* gf_closestAirport(const LatLon& position);

} // namespace hlw
