#pragma once
// Choosing the stands of the park airport that get a static parked aircraft now, and which aircraft. Every stand's
// learned options say which aircraft stood there at which half hour of which weekday. A pass looks for options
// whose slot matches the current half hour, then widens the look half an hour at a time into the past ("fit")
// until enough stands are chosen or the fit passes "MAX_FIT"; the passes are real options of today, then (with
// "WEEK") of any weekday, then (with "PARK_SOFT") soft options of today and of any weekday. An option whose aircraft
// is present already (a static aircraft, a chosen position, a parked live aircraft, or its callsign heard in the
// live traffic) is left out of the running selection. Worker thread only.
#include "core/reference_time.h"
#include "records/aircraft_records.h"
#include "records/stand_record.h"

#include <cstdint>
#include <span>
#include <string>
#include <unordered_set>
#include <vector>

namespace hlw {

// One chosen stand and the aircraft that is to stand there.
struct SelectedParkPosition {
    StandNumber standNumber = 0;
    // How many half hours before the current one the matching slot lay (0 = now).
    int32_t fit = 0;
    StandCodes codes;
    std::string callsign;
    std::string secondCallsign;
    std::string registration;
    // The learned stay goes on into the next half hour.
    bool stays = false;
};

// A live aircraft parked at a stand of the park airport, as the parking adjustments list them.
struct ParkedLiveEntry {
    std::string callsign;
    uint64_t word = 0;
    StandNumber standNumber = 0;
    int32_t minutesParked = 0;
};

// The weekday and slot the given number of half hours before now, wrapping over the week (336 half hours).
WeekdaySlot gf_slotsBefore(WeekdaySlot now, int32_t halfHours) noexcept;
// The half hours from a time within the week back to now (0 to 335), across the week's turn from Sunday to
// Monday: what began Sunday 23:00 began three half hours before Monday 00:30.
int32_t gf_halfHoursSince(WeekdaySlot now, WeekdaySlot at) noexcept;

// "Mon" ... "Sun"; "???" outside 1 to 7.
const char* gf_weekdayName(int32_t weekday) noexcept;

class StandSelection {
  public:
    // What placement takes from, at its end.
    std::vector<SelectedParkPosition> selected;
    // The live aircraft parked at stands (the parking adjustments fill it); their callsigns count as present.
    std::vector<ParkedLiveEntry> parkedLive;
    // The callsigns heard in the live traffic since the selection was requested; they count as present.
    std::unordered_set<std::string> heardCallsigns;
    // The fit reached by the last real pass and by the last soft pass (-1 after a real pass).
    int32_t lastFitReal = 0;
    int32_t lastFitSoft = -1;
    // What the status area marks: soft options and other weekdays were used.
    bool softOptionsUsed = false;
    bool otherWeekdaysUsed = false;

    // Empties the list, the parked-live list and the heard callsigns, and clears the marks.
    void clear();

    // Runs the passes for wanted positions, already counting positions present elsewhere. Chosen stands are
    // selected and their neighbours blocked; options found present get their excluded mark (clear it first).
    void selectParkPositions(WeekdaySlot now, int32_t wanted, int32_t already, std::span<StandRecord> stands,
                             std::span<const StaticAircraft> statics);
};

} // namespace hlw
