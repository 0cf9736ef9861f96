#pragma once
// Numbering the park airport's stands after a load and linking the stands that block each other.
#include "records/stand_record.h"

#include <span>

namespace hlw {

// Two stands block each other when their distance x 1.1 is below the sum of their radii (nautical miles).
bool gf_standsAdjacent(double distanceNm, double radiusA, double radiusB) noexcept;

// Numbers the stands 1 to n in table order and fills every stand's adjacency list with the numbers of the stands
// that block it, in table order. An empty list holds no storage. Only the pairs near enough to block each other are
// judged (stand_grid.h), so the time grows about linearly with the number of stands.
void gf_indexStands(std::span<StandRecord> stands);

} // namespace hlw
