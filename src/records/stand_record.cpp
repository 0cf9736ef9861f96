#include "records/stand_record.h"

#include <utility>

namespace hlw {
namespace {

StandRecord lf_stand(double latitude, double longitude, double headingRad, double radiusNm, int32_t parkingType,
                     bool cargo, bool ramp, bool heli)
{
    StandRecord stand;
    stand.latitude = latitude;
    stand.longitude = longitude;
    stand.heading = headingRad;
    stand.radius = radiusNm;
    stand.parkingType = parkingType;
    stand.cargo = cargo;
    stand.ramp = ramp;
    stand.heli = heli;
    return stand;
}

} // namespace

StandRecord StandRecord::fromFile(std::string id, std::vector<StandOption> options, double latitude, double longitude,
                                  double headingRad, double radiusMetres, int32_t parkingType, bool cargo, bool ramp,
                                  bool heli)
{
    StandRecord stand =
        lf_stand(latitude, longitude, headingRad, radiusMetres / metresPerNm, parkingType, cargo, ramp, heli);
    stand.id = std::move(id);
    stand.options = std::move(options);
    return stand;
}

StandRecord StandRecord::fromFacility(StandNumber number, double latitude, double longitude, double headingRad,
                                      double radiusNm, int32_t parkingType, bool cargo, bool ramp, bool heli)
{
    StandRecord stand = lf_stand(latitude, longitude, headingRad, radiusNm, parkingType, cargo, ramp, heli);
    stand.standNumber = number;
    return stand;
}

} // namespace hlw
