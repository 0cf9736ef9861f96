#pragma once
// The automatic range: the injection radius follows the user aircraft's height and its distance to the first
// airport of the park-airport list (the destination when the user entered one).
#include <cstdint>

namespace hlw {

// Far enough to fall into the table's last distance row when the park-airport list is empty.
inline constexpr double noParkAirportDistanceNm = 10000.0;

// The range in nautical miles. The heights are compared strictly; d <= 7 and d >= 37 include their bounds, and
// between them the distance is rounded to the nearest mile.
int32_t gf_autoRangeNm(bool onGround, double heightFt, int32_t arAboveHeightFt, int32_t airpHeightFt,
                       double firstParkAirportNm);

} // namespace hlw
