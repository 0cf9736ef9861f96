#pragma once
// A small airport behind the parking port for tests of the motion and parking of live aircraft: ten stands in two
// rows north of one runway, elevation 364 ft. Row A (stands A1..A5) faces south toward the runway, row B (B1..B4)
// faces north; neighbours in a row are adjacent; A5 is a cargo stand, B4 the stand reserved for the user, and H1 a
// helipad east of the rows. Stand lookups follow the park airport's rules in small: the nearest stand within the
// distance that suits the aircraft (a helipad only for a rotorcraft and a rotorcraft only on a helipad, the stand's
// radius at least the half wing span less 1.8 m). Occupancy, learned uses, cargo changes and the max-park checks
// are kept for the test to read.
#include "core/geodesy.h"
#include "parking/parking_port.h"
#include "records/stand_record.h"

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace hlw::test {

struct FixtureRunway {
    LatLon threshold; // the landing threshold of runway 09
    LatLon end;
    double headingRad = 0.0;
    double lengthM = 0.0;
    double widthM = 0.0;
};

class StandFixture final : public ParkingPort {
  public:
    static constexpr double elevationFt = 364.0;

    StandFixture();

    // The stand with the id; throws std::out_of_range when there is none.
    const StandRecord& stand(const std::string& id) const;
    StandRecord& stand(const std::string& id);
    const std::vector<StandRecord>& stands() const { return stands_; }
    const FixtureRunway& runway() const { return runway_; }
    // A point on the runway's centre line, metres past the threshold (negative: before it).
    LatLon onRunway(double metresPastThreshold) const;
    // Where a point lies against the runway: metres past the threshold along the centre line and metres off it.
    std::pair<double, double> runwayOffsets(const LatLon& at) const;

    bool parkAirportActive() const override { return active; }
    std::optional<LatLon> parkAirportPosition() const override;
    double parkAirportElevationFt() const override { return active ? elevationFt : 0.0; }
    bool hasStands() const override { return active; }
    bool fileLoaded() const override { return active; }
    std::optional<std::string> reservedStand() const override { return reserved; }
    std::string nearestStandName(double latDeg, double lonDeg) const override;
    std::string standName(int32_t standNumber) const override;
    const StandRecord* standByNumber(int32_t standNumber) const override;
    const StandRecord* findStandNear(const LatLon& position, const FlightRecord& aircraft, double maxDistanceNm,
                                     bool nearSearch) override;
    void clearStandCargo(int32_t standNumber) override;
    void unselectStand(int32_t standNumber) override { unselected.push_back(standNumber); }
    void checkMaxPark(bool oneMoreLive) override { maxParkChecks.push_back(oneMoreLive); }
    void setStandOccupied(int32_t standNumber, bool occupied) override;
    void addRealStandOption(LiveAircraft& aircraft, StandUseReason reason) override
    {
        standUses.emplace_back(aircraft.standNumber, reason);
    }

    bool active = true;
    std::optional<std::string> reserved = "B4";
    std::vector<std::pair<int32_t, StandUseReason>> standUses;
    std::vector<int32_t> unselected;
    std::vector<bool> maxParkChecks;

  private:
    StandRecord* byNumber(int32_t standNumber);

    std::vector<StandRecord> stands_;
    FixtureRunway runway_;
    LatLon reference_;
};

} // namespace hlw::test
