#pragma once
// Terrain of the stand-in: circular zones of one elevation each over a sea-level default.
#include <vector>

namespace hlw::standin {

struct TerrainZone {
    double latDeg = 0.0;
    double lonDeg = 0.0;
    double radiusNm = 0.0;
    double elevationFt = 0.0;
};

// Great-circle distance in nautical miles.
double gf_distanceNm(double lat1Deg, double lon1Deg, double lat2Deg, double lon2Deg);

class Terrain {
public:
    void add(const TerrainZone& zone) { zones_.push_back(zone); }
    void clear() { zones_.clear(); }
    // The zone added last wins where zones overlap, so a test can raise a spot inside a wider zone.
    double elevationFt(double latDeg, double lonDeg) const;
    const std::vector<TerrainZone>& zones() const { return zones_; }

private:
    std::vector<TerrainZone> zones_;
};

} // namespace hlw::standin
