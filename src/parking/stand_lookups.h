#pragma once
// Lookups on the park airport's stand table, which the engine, the parking code and the status area use many
// times a second: a stand by its number, its name, the stand nearest to a position, the stand at which an aircraft
// on the ground stands, and the selection of a stand together with its neighbours. The table is numbered 1 to n in
// file order (stand_index.h), so a lookup by number is a binary search. Worker thread only.
#include "core/geodesy.h"
#include "parking/park_airport_state.h"
#include "records/flight_record.h"
#include "records/stand_record.h"

#include <span>
#include <string>

namespace hlw {

// The distances the lookups work with, in nautical miles.
inline constexpr double nearestStandReachNm = 55.0 / metresPerNm;
inline constexpr double tightStandReachNm = 20.0 / metresPerNm;
inline constexpr double nearSearchReachNm = 85.0 / metresPerNm;
// A stand without a parking type suits an aircraft whose half wing span exceeds its radius by at most this.
inline constexpr double untypedStandSlackNm = 1.8 / metresPerNm;
// A tight stand taken anyway is widened to the half wing span less this.
inline constexpr double widenedStandSlackNm = 1.0 / metresPerNm;

// The stand with the number; nullptr for a number below 1 or one not in the table.
StandRecord* gf_findStand(std::span<StandRecord> stands, StandNumber number) noexcept;
const StandRecord* gf_findStand(std::span<const StandRecord> stands, StandNumber number) noexcept;

// The stand's id; "sid==0?" for 0, "sid==?" for a negative number or one not in the table.
std::string gf_standName(std::span<const StandRecord> stands, StandNumber number);

// Sets the stand selected and every stand in its adjacency list blocked (numbers not in the table are skipped).
void gf_selectStand(std::span<StandRecord> stands, StandRecord& stand) noexcept;

// The aircraft fits the stand as far as the helipad rule goes: a helipad only for a rotorcraft, a rotorcraft only
// on a helipad.
bool gf_helipadRuleAllows(const StandRecord& stand, AircraftCategory category) noexcept;
// The stand suits the aircraft: a typed stand by its type, an untyped one by its radius (helipad rule included).
bool gf_standSuits(const StandRecord& stand, const FlightRecord& aircraft) noexcept;

// The stand at which an aircraft on the ground at the position stands: the nearest suitable one within
// maxDistanceNm; an unsuitable one within 20 m is taken as a tight stand and widened to the aircraft (the change
// counted in updates) unless a nearer suitable one exists; with nearSearch, when nothing lies within reach, the
// nearest suitable stand within 85 m that real traffic of the same callsign or the same airline, operator and
// model used. Stands that break the helipad rule are never candidates. nullptr when nothing fits.
StandRecord* gf_findStandNear(std::span<StandRecord> stands, const LatLon& position, const FlightRecord& aircraft,
                              double maxDistanceNm, bool nearSearch, LearnedUpdates& updates);

// The name of the stand nearest to a position, within 55 m. The last answer is kept: a query within 1e-8 degrees of
// the previous one gets it without a search, until forget() (the stand table was cleared or loaded).
class NearestStandName {
  public:
    // Empty with no stands or while the user aircraft is not on the ground.
    std::string operator()(std::span<const StandRecord> stands, const LatLon& position, bool userOnGround);
    void forget() noexcept { valid_ = false; }

  private:
    LatLon position_;
    std::string name_;
    bool valid_ = false;
};

} // namespace hlw
