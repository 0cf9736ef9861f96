#include "terrain.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace hlw::standin {

double gf_distanceNm(double lat1Deg, double lon1Deg, double lat2Deg, double lon2Deg) {
    constexpr double earthRadiusNm = 6371008.8 / 1852.0;
    constexpr double toRad = std::numbers::pi / 180.0;
    const double dLat = (lat2Deg - lat1Deg) * toRad;
    const double dLon = (lon2Deg - lon1Deg) * toRad;
    const double a = std::sin(dLat / 2) * std::sin(dLat / 2) +
                     std::cos(lat1Deg * toRad) * std::cos(lat2Deg * toRad) * std::sin(dLon / 2) * std::sin(dLon / 2);
    return 2.0 * earthRadiusNm * std::asin(std::min(1.0, std::sqrt(a)));
}

double Terrain::elevationFt(double latDeg, double lonDeg) const {
    for (auto zone = zones_.rbegin(); zone != zones_.rend(); ++zone) {
        if (gf_distanceNm(latDeg, lonDeg, zone->latDeg, zone->lonDeg) <= zone->radiusNm) {
            return zone->elevationFt;
        }
    }
    return 0.0;
}

} // namespace hlw::standin
