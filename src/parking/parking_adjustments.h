#pragma once
// The parking adjustment: the stand selection runs again against what already stands at the park airport. Static
// aircraft whose learned stay still holds are kept, the others removed; live aircraft parked too long are removed;
// the missing static aircraft are selected for placement. It keeps the static aircraft it kept until the next
// adjustment; the park airport and its selection belong to the parking service, which hands them over. Worker thread
// only.
#include "core/reference_time.h"
#include "core/status_board.h"
#include "core/steady_time_source.h"
#include "parking/park_airport.h"
#include "parking/parking_traffic.h"
#include "parking/stand_selection.h"
#include "parking/static_parking.h"
#include "records/stand_record.h"

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace hlw {

// A static aircraft kept at its stand.
struct StandUseRecord {
    std::string callsign;
    std::string coupledCallsign1;
    std::string coupledCallsign2;
    std::string registration;
    StandCodes codes;
    uint32_t parkedWeekday = 0;
    uint32_t parkedSlot = 0;
    StandNumber standNumber = 0;
    // The learned stay ends with the current half hour.
    bool leaves = false;
};

// A static aircraft to remove.
struct StaticRemoval {
    std::string callsign;
    StandNumber standNumber = 0;
};

class ParkingAdjustments {
  public:
    // Live aircraft parked longer than this are removed (Heavy aircraft: twice as long).
    static constexpr std::chrono::minutes maxLiveParked{90};

    ParkingAdjustments(ParkingTraffic& traffic, StatusBoard& status, SteadyTimeSource& time, ParkAirport& park,
                       StandSelection& selection, StaticParking& staticParking);
    ParkingAdjustments(const ParkingAdjustments&) = delete;
    ParkingAdjustments& operator=(const ParkingAdjustments&) = delete;

    // Runs the adjustment: removes what goes at once and leaves the positions to place in the selection.
    void run();
    // The static aircraft the last adjustment kept, latest stay first (counted back from now across the week's turn).
    const std::vector<StandUseRecord>& standUse() const noexcept { return standUse_; }
    // Forgets the kept aircraft (the park airport was closed).
    void clear();

  private:
    void listParkedLive();
    void removeLiveParked(std::size_t count);
    void applySelection(WeekdaySlot now);
    bool stillScheduled(WeekdaySlot now, const StaticAircraft& aircraft) const;
    void keepOrRemove(const StaticAircraft& aircraft, std::size_t position, WeekdaySlot now);
    void addStandUse(const StaticAircraft& aircraft);
    void markLeavingStays(WeekdaySlot now);
    void trimToWanted(int32_t wanted);
    std::string standName(StandNumber standNumber) const;
    const StandRecord* standByNumber(StandNumber standNumber) const;

    ParkingTraffic& traffic_;
    StatusBoard& status_;
    SteadyTimeSource& time_;
    ParkAirport& park_;
    StandSelection& selection_;
    StaticParking& staticParking_;
    std::vector<StandUseRecord> standUse_;
    std::vector<StaticRemoval> removals_;
};

} // namespace hlw
