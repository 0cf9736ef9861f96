#pragma once
// The one question the airports database asks of the parking layer: how far is the closest stand of an
// airport. Parking owns the airport files and installs its answer at start-up; until then, and in the
// reference data's own tests, the default answers "no stand".
#include "core/fixed_code.h"
#include "core/geodesy.h"

#include <string>

namespace hlw {

// The distance that stands for "no stand": no airport file, a file that does not load, or one without stands.
// It is never 0, so that an airport without stands cannot look closer than one with stands.
inline constexpr double noStandDistanceNm = 100.0;

struct ClosestStand {
    double distanceNm = noStandDistanceNm;
    std::string standId;  // empty when there is no stand
};

class ClosestStandPort {
public:
    virtual ~ClosestStandPort() = default;
    // The closest stand of the airport to the position, or the "no stand" answer.
    virtual ClosestStand closestStand(const AirportCode& icao, const LatLon& position) const = 0;
};

// Installs the answer that gf_closestStandPort() gives; nullptr restores the default. The port must outlive
// its use.
void gf_installClosestStandPort(const ClosestStandPort* port) noexcept;

// The installed port, or the default that answers noStandDistanceNm with no stand for every airport.
const ClosestStandPort& gf_closestStandPort() noexcept;

} // namespace hlw
