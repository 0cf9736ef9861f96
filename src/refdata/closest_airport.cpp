#include "refdata/closest_airport.h"

#include "core/log.h"
#include "refdata/airports_database.h"
#include "refdata/closest_stand_port.h"

#include <fmt/format.h>

#include <cmath>

namespace hlw {
namespace {

constexpr double searchRadiusNm = 5.0;
constexpr double metresPerNm = 1852.0;
// One minute of latitude is one nautical mile, so an airport more than 5' of latitude away is more than 5 nm
// away. The margin keeps the exact test below in charge of every case near the edge.
constexpr double latitudeWindowDegrees = searchRadiusNm / 60.0 + 1e-6;

ClosestStand lf_closestStand(const AirportRecord& airport, const LatLon& position)
{
    ClosestStand stand = gf_closestStandPort().closestStand(airport.icao, position);
    if (!std::isfinite(stand.distanceNm) || stand.distanceNm < 0.0) {
        stand = ClosestStand{};
    }
    return stand;
}

} // namespace

const AirportRecord* gf_closestAirport(const LatLon& position)
{
    double bestNm = 100.0;
    const AirportRecord* candidate = nullptr;
    const AirportRecord* neighbour = nullptr;
    for (const AirportRecord& airport : gf_airports()) {
        if (std::abs(airport.lat - position.lat) > latitudeWindowDegrees) {
            continue;
        }
        const double distanceNm = gf_distanceNm(position, airport.position());
        if (distanceNm <= searchRadiusNm && distanceNm < bestNm) {
            if (candidate != nullptr) {
                neighbour = candidate;
            }
            candidate = &airport;
            bestNm = distanceNm;
        }
    }
    if (candidate == nullptr || neighbour == nullptr) {
        return candidate;
    }
    gf_log(fmt::format("Airport {} is closest, neighbour is {}", candidate->icao, neighbour->icao));
    const ClosestStand candidateStand = lf_closestStand(*candidate, position);
    const ClosestStand neighbourStand = lf_closestStand(*neighbour, position);
    if (neighbourStand.distanceNm >= candidateStand.distanceNm) {
        return candidate;
    }
    gf_log(fmt::format("Airport {} is closest, but stand {} at neighbouring airport {} is closer at {:.0F} meters ...",
                       candidate->icao, neighbourStand.standId, neighbour->icao, neighbourStand.distanceNm * metresPerNm));
    return neighbour;
}

} // namespace hlw
