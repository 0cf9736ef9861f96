#pragma once
// Great-circle steps for the generated paths (spherical earth, nautical miles and degrees).

namespace hlw::feed {

struct GeoPoint {
    double lat = 0.0;
    double lon = 0.0;
};

inline constexpr double kEarthRadiusNm = 3440.065;

// The point reached from start after distanceNm along the initial bearing (degrees true).
GeoPoint gf_destination(GeoPoint start, double bearingDeg, double distanceNm);
// Initial bearing from a to b, 0 <= result < 360.
double gf_bearingDeg(GeoPoint a, GeoPoint b);
double gf_distanceNm(GeoPoint a, GeoPoint b);
// Angle folded into 0 <= result < 360.
double gf_normaliseDeg(double deg);

} // namespace hlw::feed
