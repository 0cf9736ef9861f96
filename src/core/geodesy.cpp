#include "core/geodesy.h"

#include <algorithm>
#include <cmath>

namespace hlw {
namespace {

constexpr double radiansPerDegree = 0.017453292519943295;
constexpr double degreesPerRadian = 57.29577951308232;
constexpr double twoPi = 6.283185307179586;
// Twice the earth radius of 21600 / (2π) nautical miles.
constexpr double earthDiameterNm = 6875.493541569878;
// One over that radius taken at 6076.11549 feet per nautical mile.
constexpr double radiansPerFoot = 4.787404208238998e-8;

double lf_square(double value) noexcept
{
    return value * value;
}

} // namespace

double gf_distanceNm(const LatLon& from, const LatLon& to) noexcept
{
    const double lat1 = from.lat * radiansPerDegree;
    const double lat2 = to.lat * radiansPerDegree;
    const double dlat = lat2 - lat1;
    const double dlon = (to.lon - from.lon) * radiansPerDegree;
    const double haversine =
        lf_square(std::sin(dlat / 2)) + std::cos(lat1) * std::cos(lat2) * lf_square(std::sin(dlon / 2));
    // Rounding can push the term a hair outside [0, 1] near antipodal points; sqrt(1 - a) would then be NaN.
    const double a = std::clamp(haversine, 0.0, 1.0);
    return earthDiameterNm * std::atan2(std::sqrt(a), std::sqrt(1.0 - a));
}

double gf_bearingRad(const LatLon& from, const LatLon& to) noexcept
{
    const double lat1 = from.lat * radiansPerDegree;
    const double lat2 = to.lat * radiansPerDegree;
    const double dlon = (to.lon - from.lon) * radiansPerDegree;
    double bearing = std::atan2(std::sin(dlon) * std::cos(lat2),
                                std::cos(lat1) * std::sin(lat2) - std::sin(lat1) * std::cos(lat2) * std::cos(dlon));
    if (bearing < 0.0) {
        bearing += twoPi;
        // A tiny negative angle rounds to exactly 2π, which lies outside the range.
        if (bearing >= twoPi) {
            bearing = 0.0;
        }
    }
    return bearing;
}

LatLon gf_destinationPoint(const LatLon& from, double bearingRad, double distanceFt) noexcept
{
    const double lat1 = from.lat * radiansPerDegree;
    const double lon1 = from.lon * radiansPerDegree;
    const double d = distanceFt * radiansPerFoot;
    const double sinLat1 = std::sin(lat1);
    const double cosLat1 = std::cos(lat1);
    const double sinD = std::sin(d);
    const double cosD = std::cos(d);
    const double sinLat2 = std::clamp(sinLat1 * cosD + cosLat1 * sinD * std::cos(bearingRad), -1.0, 1.0);
    const double lat2 = std::asin(sinLat2);
    const double lon2 = lon1 + std::atan2(std::sin(bearingRad) * sinD * cosLat1, cosD - sinLat1 * sinLat2);
    return {lat2 * degreesPerRadian, std::remainder(lon2, twoPi) * degreesPerRadian};
}

} // namespace hlw
