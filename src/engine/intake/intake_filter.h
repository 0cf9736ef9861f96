#pragma once
// What the traffic reader filters received lines by: the centre of the range filter and the range, the park
// airport, and the "AIRBORNE_ONLY" setting. The worker sets the centre and the park airport, the window the two
// settings; the reader copies all of them as one snapshot once per datagram.
#include "core/geodesy.h"

#include <optional>

namespace hlw {

// The active park airport as the traffic filter sees it.
struct ParkAirportFix {
    LatLon position;
    double elevationFt = 0.0;
};

struct IntakeFilter {
    LatLon rangeCentre;
    double rangeNm = 0.0;
    bool airborneOnly = false;
    std::optional<ParkAirportFix> parkAirport; // none while no park airport is active
};

} // namespace hlw
