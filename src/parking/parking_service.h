#pragma once
// The park airport side of the program: the parking port that the engine calls. It chooses the park airport
// (the driver), loads its stands with their learned use, answers the engine's stand lookups, selects the stands
// that get static parked aircraft and places them one by one, and keeps the parked aircraft within the max-park
// number. What it needs of the engine comes through ParkingTraffic, what it shows through the status board and
// the parking window port. Everything runs on the worker; the loaded and busy flags may be read from any thread.
#include "core/status_board.h"
#include "core/steady_time_source.h"
#include "parking/park_airport.h"
#include "parking/park_airport_list.h"
#include "parking/parking_adjustments.h"
#include "parking/parking_port.h"
#include "parking/parking_traffic.h"
#include "parking/stand_lookups.h"
#include "parking/stand_selection.h"
#include "parking/static_placement.h"

#include <atomic>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <unordered_map>
#include <optional>
#include <string>
#include <vector>

namespace hlw {

class ParkingService final : public ParkingPort {
  public:
    // The static-parking countdown after a load, in minutes.
    static constexpr int32_t staticRefreshMinutes = 20;
    // An airport whose load failed is not chosen again for this long.
    static constexpr std::chrono::minutes failedLoadBackOff{10};
    // While learned changes are unsaved, the learned file is saved this often.
    static constexpr std::chrono::minutes checkpointEvery{5};
    // Live aircraft parked longer than this are removed by an adjustment (Heavy aircraft: twice as long).
    static constexpr std::chrono::minutes maxLiveParked{90};

    // The list file is "airports/my_park_airports.txt" unless another is given (tests).
    ParkingService(ParkingTraffic& traffic, StatusBoard& status, SteadyTimeSource& time,
                   std::filesystem::path listFile = {});
    ParkingService(const ParkingService&) = delete;
    ParkingService& operator=(const ParkingService&) = delete;

    // The engine's questions.
    bool readParkAirportList() override;
    void clearParkAirportList() override;
    void addParkAirport(const AirportCode& code, const LatLon& position) override;
    std::optional<ParkAirportEntry> firstParkAirport() const override { return list_.publishedFirst(); }
    void driveParkAirport(bool firstCall) override;
    std::optional<std::string> checkReservedStands() override;
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
    void addRealStandOption(LiveAircraft& aircraft, StandUseReason reason) override;
    void markUsedSlots(LiveAircraft& aircraft) override;
    void saveCheckpoint() override;
    void reserveStandForUser(const std::string& stand) override;
    bool parkAirportActive() const override;
    std::optional<LatLon> parkAirportPosition() const override;
    double parkAirportElevationFt() const override;
    bool hasStands() const override { return !park_.state.stands.empty(); }
    bool fileLoaded() const override { return park_.apfLoaded.load(); }
    bool staticParkingBusy() const override { return busy_.load(); }
    int32_t positionsToPlace() const override { return static_cast<int32_t>(selection_.selected.size()); }
    void beginAdjustment() override { parkingControls(false); }
    void runAdjustments() override;
    void startStaticRefresh() override { parkingControls(false); }
    // Removes the park airport's static aircraft and the live aircraft on its ground, then closes it.
    void leaveParkAirport() override;

    // Makes the airport with the code the park airport; false when the airports database lacks it.
    bool chooseParkAirport(const AirportCode& code);
    // Loads the chosen park airport's file; empty text on success, else the reason.
    std::string loadParkAirport();
    // The whole stand selection for the park airport's static aircraft.
    void calcStaticParking();
    // The park airport's state cleared; when its file was loaded, the learned file saved and the settings it
    // overrode put back.
    void closeParkAirport();
    // Saves the learned file now (see gf_saveLearnedAirport).
    bool saveLearned();
    // The run reset: no park airport, no stands, nothing selected, the counters at their start.
    void resetRun();

    const ParkAirport& park() const noexcept { return park_; }
    ParkAirport& park() noexcept { return park_; }
    StandSelection& selection() noexcept { return selection_; }
    const ParkAirportList& list() const noexcept { return list_; }
    const std::vector<StandUseRecord>& standUse() const noexcept { return standUse_; }
    StaticPlacer& placer() noexcept { return placer_; }
    // The max-park number: the wanted count of the last selection.
    int32_t maxPark() const noexcept { return maxPark_; }

  private:
    void findParkAirportInSight(const std::optional<UserAircraftState>& user, bool firstCall);
    void checkParkAirportInSight(const UserAircraftState& user);
    bool backingOff(const AirportCode& code);
    void requestParkAirport(bool showMessage);
    void startStaticParking(bool showMessage);
    void parkingControls(bool enabled);
    void clearStandTable();
    WeekdaySlot logDayAndHour();
    void markReservedStands();
    void showStaticMeanHours();
    void listParkedLive();
    void removeLiveParked(std::size_t count);
    void applySelection(WeekdaySlot now);
    bool stillScheduled(WeekdaySlot now, const StaticAircraft& aircraft) const;
    void keepOrRemove(const StaticAircraft& aircraft, std::size_t position, WeekdaySlot now);
    void addStandUse(const StaticAircraft& aircraft);
    void markLeavingStays(WeekdaySlot now);
    void trimToWanted(int32_t wanted);

    ParkingTraffic& traffic_;
    StatusBoard& status_;
    SteadyTimeSource& time_;
    const std::filesystem::path listFile_;
    ParkAirport park_;
    ParkAirportList list_;
    StandSelection selection_;
    std::vector<StandUseRecord> standUse_;
    std::vector<StaticRemoval> removals_;
    std::unordered_map<AirportCode, SteadyTimeSource::TimePoint, AirportCodeHash> failedLoads_;
    StaticPlacer placer_;
    mutable NearestStandName nearest_;
    std::atomic<bool> busy_{false};
    bool readRequest_ = false;
    int32_t maxPark_ = 0;
};

} // namespace hlw
