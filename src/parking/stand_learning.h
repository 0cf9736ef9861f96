#pragma once
// Learning stand use from live traffic: while a live aircraft stands at a stand of the park airport, its
// registration's use of that stand in the current half hour becomes (or extends) a real option of the stand; and an
// arriving aircraft takes its pair of coupled callsigns from a learned option of its callsign. Worker thread only.
#include "core/reference_time.h"
#include "parking/park_airport_state.h"
#include "parking/parking_port.h"
#include "records/aircraft_records.h"
#include "records/stand_record.h"

#include <cstdint>
#include <span>
#include <string>

namespace hlw {

// The longest run of half hours one learning step may fill: 12 for a cargo aircraft, 8 for a Heavy, else 6.
int32_t gf_longestLearnedRun(const FlightRecord& flight) noexcept;

// The last learned point of an option: its weekday, its last slot and its number.
struct LearnedPoint {
    int32_t weekday = 0;
    int32_t slot = 0;
    uint32_t number = 0;
};

// The registration that options are kept under: one trailing '_' removed.
std::string gf_registrationKey(std::string_view registration);

// Extends the option of the point over the half hours since its last slot, up to now: on the same weekday the
// option itself; over midnight the run is split with a new option of today, which the point then names. False when
// the gap is empty or as long as the aircraft's longest run (or no option of today could be added). The point
// becomes now.
bool gf_learnStandSlots(WeekdaySlot now, StandRecord& stand, LearnedPoint& point, const FlightRecord& aircraft,
                        std::string_view registrationKey, bool leaving, LearnedUpdates& updates);

// Records that the aircraft stands at the stand now. Its registration must be in the reference database, whose
// codes the aircraft then takes; nothing is learned over an airport file's own option of the same registration
// whose slot is clear now. A stay that began yesterday within the aircraft's longest run is split over yesterday's
// option and a new one of today. Leaving reports (reasons 2 and 3) mark the option coupled.
void gf_addRealStandOption(std::span<StandRecord> stands, StandNumber standNumber, LiveAircraft& aircraft,
                           StandUseReason reason, WeekdaySlot now, LearnedUpdates& updates);

// The aircraft takes the two callsigns of the first learned option of today (its airline, a second callsign, a
// slot within 10 half hours of now, 14 for a Heavy) whose callsign or second callsign is its own (also without a
// trailing '_'). True when it took them.
bool gf_coupleCallsigns(std::span<const StandRecord> stands, FlightRecord& flight, WeekdaySlot now);

} // namespace hlw
