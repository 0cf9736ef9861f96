#pragma once
// Tells a received traffic target that is an aircraft from a ground vehicle, a balloon, a tower or a ship.
#include <string_view>

namespace hlw {

// False for an empty type or "null", for the emitter categories "B1", "B2", "B4", "C1", "C2", for a type longer
// than 4 characters and for the non-aircraft types (BALL, EMER, GLID, GRND, GND, PARA, SERV, SHIP, VENT, TWR).
// All comparisons are exact and case-sensitive.
bool gf_isAircraft(std::string_view type, std::string_view category);

} // namespace hlw
