#pragma once
// The static-parking calculation: which stands of the park airport get a static parked aircraft now, with the
// positions ordered so that placement takes the best fit first. It keeps the max-park number, the wanted count of
// the last selection; the parking adjustments begin with the same steps and set it too. The park airport, its
// selection and the nearest-stand cache belong to the parking service, which hands them over. Worker thread only.
#include "core/reference_time.h"
#include "core/status_board.h"
#include "parking/park_airport.h"
#include "parking/parking_controls.h"
#include "parking/parking_traffic.h"
#include "parking/stand_lookups.h"
#include "parking/stand_selection.h"

#include <cstdint>

namespace hlw {

class StaticParking {
  public:
    StaticParking(ParkingTraffic& traffic, StatusBoard& status, ParkAirport& park, StandSelection& selection,
                  NearestStandName& nearest, ParkingControls& controls);
    StaticParking(const StaticParking&) = delete;
    StaticParking& operator=(const StaticParking&) = delete;

    // The whole stand selection for the park airport's static aircraft.
    void calculate();
    // The mean hours the static aircraft's learned stays have lasted, into the status area; not when the selection
    // used other weekdays.
    void showMeanHours();

    // Logs the current weekday and half hour, and returns them.
    WeekdaySlot logDayAndHour();
    // Marks the park airport's reserved stand and the stand where the user aircraft stands reserved.
    void markReservedStands();
    // The wanted number of static aircraft for the park airport's stands, kept as the max-park number.
    int32_t takeWantedCount();

    int32_t maxPark() const noexcept { return maxPark_; }
    void resetMaxPark() noexcept { maxPark_ = 0; }

  private:
    ParkingTraffic& traffic_;
    StatusBoard& status_;
    ParkAirport& park_;
    StandSelection& selection_;
    NearestStandName& nearest_;
    ParkingControls& controls_;
    int32_t maxPark_ = 0;
};

} // namespace hlw
