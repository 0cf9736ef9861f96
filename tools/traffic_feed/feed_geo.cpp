#include "traffic_feed/feed_geo.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace hlw::feed {

namespace {

constexpr double kRad = std::numbers::pi / 180.0;

} // namespace

double gf_normaliseDeg(double deg)
{
    double folded = std::fmod(deg, 360.0);
    if (folded < 0.0) {
        folded += 360.0;
    }
    return folded >= 360.0 ? 0.0 : folded;
}

GeoPoint gf_destination(GeoPoint start, double bearingDeg, double distanceNm)
{
    const double delta = distanceNm / kEarthRadiusNm;
    const double theta = bearingDeg * kRad;
    const double phi1 = start.lat * kRad;
    const double lambda1 = start.lon * kRad;
    const double sinPhi2 = std::sin(phi1) * std::cos(delta) + std::cos(phi1) * std::sin(delta) * std::cos(theta);
    const double phi2 = std::asin(std::clamp(sinPhi2, -1.0, 1.0));
    const double lambda2 = lambda1 + std::atan2(std::sin(theta) * std::sin(delta) * std::cos(phi1),
                                                std::cos(delta) - std::sin(phi1) * sinPhi2);
    double lon = lambda2 / kRad;
    lon = std::fmod(lon + 540.0, 360.0) - 180.0;
    return {phi2 / kRad, lon};
}

double gf_bearingDeg(GeoPoint a, GeoPoint b)
{
    const double phi1 = a.lat * kRad;
    const double phi2 = b.lat * kRad;
    const double dLambda = (b.lon - a.lon) * kRad;
    const double y = std::sin(dLambda) * std::cos(phi2);
    const double x = std::cos(phi1) * std::sin(phi2) - std::sin(phi1) * std::cos(phi2) * std::cos(dLambda);
    return gf_normaliseDeg(std::atan2(y, x) / kRad);
}

double gf_distanceNm(GeoPoint a, GeoPoint b)
{
    const double dPhi = (b.lat - a.lat) * kRad;
    const double dLambda = (b.lon - a.lon) * kRad;
    const double h = std::sin(dPhi / 2) * std::sin(dPhi / 2) +
                     std::cos(a.lat * kRad) * std::cos(b.lat * kRad) * std::sin(dLambda / 2) * std::sin(dLambda / 2);
    return 2.0 * kEarthRadiusNm * std::asin(std::min(1.0, std::sqrt(h)));
}

} // namespace hlw::feed
