#pragma once
// Turning the selected park positions into static parked aircraft, one per call, and keeping the parked aircraft
// within the park airport's max-park number. Worker thread only.
#include "core/steady_time_source.h"
#include "parking/parking_traffic.h"
#include "parking/stand_selection.h"
#include "records/stand_record.h"

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace hlw {

// Static aircraft take hex ids 0 to 9999 in turn.
inline constexpr uint32_t staticCounterModulus = 10000;

// The text without its trailing '_', with a '*' appended unless it ends in one: "BAW12__" -> "BAW12*".
std::string gf_staticCallsign(std::string_view text);

class StaticPlacer {
  public:
    // The hex id of the last static aircraft placed; the next one takes the following id not held by a static
    // aircraft, after 9999 the id 0.
    uint32_t counter = 0;

    // Places the last position of the list (and drops it from the list): refused, with a log line, when a live
    // aircraft parks or parks at that stand or next to it, a static aircraft not being removed stands there or next
    // to it, the stand does not exist or is occupied, or no livery matches. True when a static aircraft was created.
    bool placeNext(std::vector<SelectedParkPosition>& selected, std::span<const StandRecord> stands,
                   ParkingTraffic& traffic);
};

// A live aircraft parked at a stand and how long it has stood there.
struct LiveParkedTime {
    uint32_t objectId = 0;
    AircraftCategory category = AircraftCategory::Large;
    int64_t secondsParked = 0;
};

// The active parked live aircraft, longest parked first.
std::vector<LiveParkedTime> gf_listLiveParked(std::span<const LiveAircraft> live, SteadyTimeSource& time);

// Keeps the parked aircraft within the limit (nothing while it is below 1): with oneMoreLive a live aircraft about to
// park counts too. Unless "INITIAL_LOAD_ONLY" is on, the live aircraft parked longest is removed when the live ones
// alone exceed it; then, when static and live together exceed it, the active static aircraft whose stay began
// earliest.
void gf_checkMaxPark(bool oneMoreLive, int32_t limit, ParkingTraffic& traffic, std::span<const StandRecord> stands,
                     SteadyTimeSource& time);

// The static aircraft that are active or being removed.
int32_t gf_staticParkedCount(std::span<const StaticAircraft> statics) noexcept;
// The mean hours their learned stays have lasted until now (0 with no aircraft): the half hours from each stay's
// start to now (wrapping over the week) summed, / (2 x count) + 0.5.
float gf_meanStaticParkedHours(std::span<const StaticAircraft> statics, WeekdaySlot now) noexcept;

} // namespace hlw
