#pragma once
// Numbering the park airport's stands after a load and linking the stands that block each other.
#include "records/stand_record.h"

#include <cstddef>
#include <span>

namespace hlw {

// The pairs of stands near enough to be judged beyond which an airport is not indexed. Real airports have a
// fraction of a pair per stand, stands that overlap many others give a pair for every two of them: the lists (and
// every user that walks them) would grow with the square of the stands. At the bound indexing takes about a tenth
// of a second and the lists hold at most two million numbers.
inline constexpr std::size_t maxNearStandPairs = 1'000'000;

// Two stands block each other when their distance x 1.1 is below the sum of their radii (nautical miles).
bool gf_standsAdjacent(double distanceNm, double radiusA, double radiusB) noexcept;

// Numbers the stands 1 to n in table order and fills every stand's adjacency list with the numbers of the stands
// that block it, in table order. An empty list holds no storage. Only the pairs near enough to block each other are
// judged (stand_grid.h), so the time grows about linearly with the number of stands. With more than
// maxNearStandPairs such pairs the judging stops: false, and every list is empty.
bool gf_indexStands(std::span<StandRecord> stands);

} // namespace hlw
