#pragma once
// Finding the stands near enough to block each other without comparing every pair: the stands go into grids of
// cells over their points on the unit sphere, one grid per scale of their radius, and each stand looks only in the
// few cells around it. No pole, date line or latitude is special to the grid.
#include "records/stand_record.h"

#include <cstddef>
#include <functional>
#include <span>

namespace hlw {

// Calls visit(a, b) once for every unordered pair of stands (their places in the table) that may lie closer than
// the larger of their two radii x reachPerRadius, and for every pair with a stand whose position is not on the
// globe or whose radius is not a finite number of 0 or more. Pairs farther apart are left out with a margin wide
// enough for any rounding of the great-circle distance. A few more pairs than that may be visited. A visit that
// returns false ends the walk: false then, else true.
bool gf_forEachNearStandPair(std::span<const StandRecord> stands, double reachPerRadius,
                             const std::function<bool(std::size_t, std::size_t)>& visit);

} // namespace hlw
