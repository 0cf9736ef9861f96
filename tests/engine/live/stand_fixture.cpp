#include "stand_fixture.h"

#include "engine/live/angles.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>

namespace hlw::test {

namespace {

constexpr double feetPerMetre = 1.0 / 0.3048;
constexpr double nearestStandNm = 55.0 / metresPerNm;
constexpr double radiusSlackNm = 1.8 / metresPerNm;

LatLon lf_moved(const LatLon& from, double bearingDeg, double metres)
{
    return gf_destinationPoint(from, bearingDeg * radPerDeg, metres * feetPerMetre);
}

StandRecord lf_stand(int32_t number, std::string id, const LatLon& at, double headingDeg, double radiusM)
{
    StandRecord stand;
    stand.standNumber = number;
    stand.id = std::move(id);
    stand.latitude = at.lat;
    stand.longitude = at.lon;
    stand.heading = headingDeg * radPerDeg;
    stand.radius = radiusM / metresPerNm;
    return stand;
}

} // namespace

StandFixture::StandFixture() : reference_{47.0, 8.0}
{
    runway_.threshold = {47.0, 7.98};
    runway_.headingRad = 90.0 * radPerDeg;
    runway_.lengthM = 2500.0;
    runway_.widthM = 45.0;
    runway_.end = lf_moved(runway_.threshold, 90.0, runway_.lengthM);
    // Row A 250 m north of the centre line, nose north; row B 450 m north, nose south; 70 m apart.
    const LatLon rowA = lf_moved(lf_moved(runway_.threshold, 90.0, 1000.0), 0.0, 250.0);
    const LatLon rowB = lf_moved(rowA, 0.0, 200.0);
    int32_t number = 1;
    for (int i = 0; i < 5; ++i) {
        const bool cargo = i == 4;
        StandRecord stand =
            lf_stand(number, "A" + std::to_string(i + 1), lf_moved(rowA, 90.0, 70.0 * i), 0.0, cargo ? 35.0 : 20.0);
        stand.cargo = cargo;
        stands_.push_back(std::move(stand));
        ++number;
    }
    for (int i = 0; i < 4; ++i) {
        stands_.push_back(lf_stand(number, "B" + std::to_string(i + 1), lf_moved(rowB, 90.0, 70.0 * i), 180.0, 35.0));
        ++number;
    }
    StandRecord helipad = lf_stand(number, "H1", lf_moved(rowA, 90.0, 500.0), 270.0, 15.0);
    helipad.heli = true;
    stands_.push_back(std::move(helipad));
    for (StandRecord& stand : stands_) {
        for (const StandRecord& other : stands_) {
            const bool sameRow = stand.id[0] == other.id[0] && stand.id[0] != 'H';
            if (sameRow && std::abs(other.standNumber - stand.standNumber) == 1) {
                stand.adjacentStands.push_back(other.standNumber);
            }
        }
    }
}

const StandRecord& StandFixture::stand(const std::string& id) const
{
    const auto it = std::ranges::find(stands_, id, &StandRecord::id);
    if (it == stands_.end()) {
        throw std::out_of_range("no stand " + id);
    }
    return *it;
}

StandRecord& StandFixture::stand(const std::string& id)
{
    return const_cast<StandRecord&>(std::as_const(*this).stand(id));
}

LatLon StandFixture::onRunway(double metresPastThreshold) const
{
    return lf_moved(runway_.threshold, 90.0, metresPastThreshold);
}

std::pair<double, double> StandFixture::runwayOffsets(const LatLon& at) const
{
    const double metres = gf_distanceNm(runway_.threshold, at) * metresPerNm;
    const double angle = gf_bearingRad(runway_.threshold, at) - runway_.headingRad;
    return {metres * std::cos(angle), metres * std::sin(angle)};
}

std::optional<LatLon> StandFixture::parkAirportPosition() const
{
    return active ? std::optional<LatLon>(reference_) : std::nullopt;
}

std::string StandFixture::nearestStandName(double latDeg, double lonDeg) const
{
    double best = nearestStandNm;
    std::string name;
    for (const StandRecord& stand : stands_) {
        const double d = gf_distanceNm({latDeg, lonDeg}, {stand.latitude, stand.longitude});
        if (d <= best) {
            best = d;
            name = stand.id;
        }
    }
    return name;
}

std::string StandFixture::standName(int32_t standNumber) const
{
    if (standNumber == 0) {
        return "sid==0?";
    }
    const StandRecord* stand = standByNumber(standNumber);
    return stand != nullptr ? stand->id : "sid==?";
}

const StandRecord* StandFixture::standByNumber(int32_t standNumber) const
{
    return const_cast<StandFixture&>(*this).byNumber(standNumber);
}

StandRecord* StandFixture::byNumber(int32_t standNumber)
{
    const auto it = std::ranges::find(stands_, standNumber, &StandRecord::standNumber);
    return standNumber > 0 && it != stands_.end() ? &*it : nullptr;
}

const StandRecord* StandFixture::findStandNear(const LatLon& position, const FlightRecord& aircraft,
                                               double maxDistanceNm, bool)
{
    const bool rotorcraft = aircraft.category == AircraftCategory::Rotorcraft;
    const StandRecord* found = nullptr;
    double best = maxDistanceNm;
    for (const StandRecord& stand : stands_) {
        const double d = gf_distanceNm(position, {stand.latitude, stand.longitude});
        if (d <= best && stand.heli == rotorcraft && aircraft.halfWingspanNm - stand.radius <= radiusSlackNm) {
            best = d;
            found = &stand;
        }
    }
    return found;
}

void StandFixture::clearStandCargo(int32_t standNumber)
{
    if (StandRecord* stand = byNumber(standNumber); stand != nullptr && stand->cargo) {
        stand->cargo = false;
        stand->cargoChange = true;
    }
}

void StandFixture::setStandOccupied(int32_t standNumber, bool occupied)
{
    if (StandRecord* stand = byNumber(standNumber)) {
        stand->occupied = occupied;
    }
}

} // namespace hlw::test
