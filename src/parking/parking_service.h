#pragma once
// The park airport side of the program: the parking port that the engine calls. It chooses the park airport
// (the driver), loads its stands with their learned use, answers the engine's stand lookups, selects the stands
// that get static parked aircraft and places them one by one, and keeps the parked aircraft within the max-park
// number. What it needs of the engine comes through ParkingTraffic, what it shows through the status board and
// the parking window port. Everything runs on the worker; the loaded and busy flags may be read from any thread.
#include "core/status_board.h"
#include "core/steady_time_source.h"
#include "parking/park_airport.h"
#include "parking/parking_port.h"
#include "parking/parking_traffic.h"
#include "parking/stand_lookups.h"
#include "parking/stand_selection.h"
#include "parking/static_placement.h"

#include <atomic>
#include <cstdint>
#include <optional>
#include <string>

namespace hlw {

class ParkingService final : public ParkingPort {
  public:
    // The static-parking countdown after a load, in minutes.
    static constexpr int32_t staticRefreshMinutes = 20;

    ParkingService(ParkingTraffic& traffic, StatusBoard& status, SteadyTimeSource& time);
    ParkingService(const ParkingService&) = delete;
    ParkingService& operator=(const ParkingService&) = delete;

    // The engine's questions.
    void driveParkAirport(bool firstCall) override;
    std::optional<std::string> reservedStand() const override;
    std::string nearestStandName(double latDeg, double lonDeg) const override;
    std::string standName(int32_t standNumber) const override;
    const StandRecord* standByNumber(int32_t standNumber) const override;
    const StandRecord* findStandNear(const LatLon& position, const FlightRecord& aircraft, double maxDistanceNm,
                                     bool nearSearch) override;
    void clearStandCargo(int32_t standNumber) override;
    void unselectStand(int32_t standNumber) override;
    void checkMaxPark(bool oneMoreLive) override;
    void setStandOccupied(int32_t standNumber, bool occupied) override;
    void placeNextStatic() override;
    bool parkAirportActive() const override;
    std::optional<LatLon> parkAirportPosition() const override;
    double parkAirportElevationFt() const override;
    bool hasStands() const override { return !park_.state.stands.empty(); }
    bool fileLoaded() const override { return park_.apfLoaded.load(); }
    bool staticParkingBusy() const override { return busy_.load(); }
    int32_t positionsToPlace() const override { return static_cast<int32_t>(selection_.selected.size()); }
    void leaveParkAirport() override;

    // Makes the airport with the code the park airport; false when the airports database lacks it.
    bool chooseParkAirport(const AirportCode& code);
    // Loads the chosen park airport's file; empty text on success, else the reason.
    std::string loadParkAirport();
    // The whole stand selection for the park airport's static aircraft.
    void calcStaticParking();
    // The park airport's state cleared, the settings its file overrode put back.
    void closeParkAirport();
    // The run reset: no park airport, no stands, nothing selected, the counters at their start.
    void resetRun();

    const ParkAirport& park() const noexcept { return park_; }
    ParkAirport& park() noexcept { return park_; }
    StandSelection& selection() noexcept { return selection_; }
    StaticPlacer& placer() noexcept { return placer_; }
    // The max-park number: the wanted count of the last selection.
    int32_t maxPark() const noexcept { return maxPark_; }

  private:
    void findParkAirportOnGround(bool firstCall);
    void requestParkAirport(bool showMessage);
    void startStaticParking(bool showMessage);
    void parkingControls(bool enabled);
    void clearStandTable();
    WeekdaySlot logDayAndHour();
    void markReservedStands();
    void showStaticMeanHours();

    ParkingTraffic& traffic_;
    StatusBoard& status_;
    SteadyTimeSource& time_;
    ParkAirport park_;
    StandSelection selection_;
    StaticPlacer placer_;
    mutable NearestStandName nearest_;
    std::atomic<bool> busy_{false};
    bool readRequest_ = false;
    int32_t maxPark_ = 0;
};

} // namespace hlw
