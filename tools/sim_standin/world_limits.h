#pragma once
// The numbers the world takes from the control port, its clients and user scripts: each is finite and at
// most gc_maxWorldMagnitude in its own unit (feet, knots, degrees, ...), and positions lie on the globe.
// Then every sum, difference, unit conversion and step of free flight stays finite, and no reply carries
// an infinity or a NaN.
#include <cmath>

namespace hlw::standin {

inline constexpr double gc_maxWorldMagnitude = 1e6;

inline bool gf_isWorldNumber(double value) { return std::isfinite(value) && std::abs(value) <= gc_maxWorldMagnitude; }
// False for NaN too.
inline bool gf_isLatitude(double degrees) { return std::abs(degrees) <= 90.0; }
inline bool gf_isLongitude(double degrees) { return std::abs(degrees) <= 180.0; }

} // namespace hlw::standin
