#include "parking/stand_index.h"

#include "core/geodesy.h"
#include "parking/stand_grid.h"

#include <algorithm>
#include <cmath>

namespace hlw {
namespace {

constexpr double adjacencyFactor = 1.1;
constexpr double nmPerDegree = 60.0;

// The rule itself, as every pair of stands is judged: within the latitude band that the largest radius can
// reach, and closer than the sum of the radii divided by the adjacency factor.
class AdjacencyRule {
  public:
    explicit AdjacencyRule(double largestRadius)
        // The great-circle distance is never shorter than the difference in latitude: pairs farther apart north
        // or south than two of the largest radii cannot block each other (a hair of margin against rounding).
        : reachDeg_(2.0 * largestRadius / adjacencyFactor / nmPerDegree * (1.0 + 1e-9))
    {
    }

    bool blocks(const StandRecord& stand, const StandRecord& other) const noexcept
    {
        if (std::abs(other.latitude - stand.latitude) > reachDeg_) {
            return false;
        }
        const double d = gf_distanceNm({stand.latitude, stand.longitude}, {other.latitude, other.longitude});
        return gf_standsAdjacent(d, stand.radius, other.radius);
    }

  private:
    double reachDeg_;
};

void lf_emptyLinks(StandRecord& stand)
{
    stand.adjacentStands.clear();
    stand.adjacentStands.shrink_to_fit();
}

} // namespace

bool gf_standsAdjacent(double distanceNm, double radiusA, double radiusB) noexcept
{
    return distanceNm * adjacencyFactor < radiusA + radiusB;
}

bool gf_indexStands(std::span<StandRecord> stands)
{
    StandNumber number = 0;
    double largestRadius = 0.0;
    for (StandRecord& stand : stands) {
        stand.standNumber = ++number;
        lf_emptyLinks(stand);
        if (std::isfinite(stand.radius)) {
            largestRadius = std::max(largestRadius, stand.radius);
        }
    }
    const AdjacencyRule rule(largestRadius);
    std::size_t judged = 0;
    // Two stands block each other only closer than the sum of their radii / 1.1, so closer than the larger
    // radius x 2 / 1.1: the rule needs to judge only the pairs the grid finds that near.
    const bool whole = gf_forEachNearStandPair(stands, 2.0 / adjacencyFactor, [&](std::size_t a, std::size_t b) {
        if (++judged > maxNearStandPairs) {
            return false;
        }
        if (rule.blocks(stands[a], stands[b])) {
            stands[a].adjacentStands.push_back(stands[b].standNumber);
        }
        if (rule.blocks(stands[b], stands[a])) {
            stands[b].adjacentStands.push_back(stands[a].standNumber);
        }
        return true;
    });
    for (StandRecord& stand : stands) {
        if (whole) {
            std::ranges::sort(stand.adjacentStands);
        } else {
            lf_emptyLinks(stand);
        }
    }
    return whole;
}

} // namespace hlw
