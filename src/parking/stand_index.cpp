#include "parking/stand_index.h"

#include "core/geodesy.h"

#include <algorithm>
#include <cmath>

namespace hlw {
namespace {

constexpr double adjacencyFactor = 1.1;
constexpr double nmPerDegree = 60.0;

} // namespace

bool gf_standsAdjacent(double distanceNm, double radiusA, double radiusB) noexcept
{
    return distanceNm * adjacencyFactor < radiusA + radiusB;
}

void gf_indexStands(std::span<StandRecord> stands)
{
    StandNumber number = 0;
    double largestRadius = 0.0;
    for (StandRecord& stand : stands) {
        stand.standNumber = ++number;
        stand.adjacentStands.clear();
        stand.adjacentStands.shrink_to_fit();
        if (std::isfinite(stand.radius)) {
            largestRadius = std::max(largestRadius, stand.radius);
        }
    }
    // The great-circle distance is never shorter than the difference in latitude: pairs farther apart north or
    // south than two of the largest radii cannot block each other (a hair of margin against rounding).
    const double reachDeg = 2.0 * largestRadius / adjacencyFactor / nmPerDegree * (1.0 + 1e-9);
    for (StandRecord& stand : stands) {
        for (const StandRecord& other : stands) {
            if (&other == &stand || std::abs(other.latitude - stand.latitude) > reachDeg) {
                continue;
            }
            const double d = gf_distanceNm({stand.latitude, stand.longitude}, {other.latitude, other.longitude});
            if (gf_standsAdjacent(d, stand.radius, other.radius)) {
                stand.adjacentStands.push_back(other.standNumber);
            }
        }
    }
}

} // namespace hlw
