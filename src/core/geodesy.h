#pragma once
// Great-circle geometry on a sphere whose radius makes one minute of arc one nautical mile.
// These run on the engine's 10 ms path and for every received position, so they are plain and allocation-free.

namespace hlw {

// Feet in one nautical mile: distances in nautical miles meet the destination point's feet with this.
inline constexpr double feetPerNm = 6076.11549;

// A position in degrees, north and east positive.
struct LatLon {
    double lat = 0.0;
    double lon = 0.0;
};

// Great-circle distance in nautical miles (haversine); never NaN for finite input, also for antipodal points.
double gf_distanceNm(const LatLon& from, const LatLon& to) noexcept;

// Initial bearing from `from` towards `to` in radians, clockwise from true north, in [0, 2π).
// Identical points give 0.
double gf_bearingRad(const LatLon& from, const LatLon& to) noexcept;

// The point reached from `from` along the great circle of the bearing (radians) after distanceFt feet;
// the longitude lies in [-180, 180].
LatLon gf_destinationPoint(const LatLon& from, double bearingRad, double distanceFt) noexcept;

} // namespace hlw
