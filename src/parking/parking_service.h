#pragma once
// The park airport side of the program: the parking port that the engine calls. It owns the park airport with its
// stands and learned use, the stand selection and the parts that work on them: the driver that chooses, loads and
// leaves the park airport, the static-parking calculation, the parking adjustments and the placement of static
// aircraft. It answers the engine's stand lookups itself and delegates the rest. What it needs of the engine comes
// through ParkingTraffic, what it shows through the status board and the parking window port. Everything runs on
// the worker but the download of an archived airport file, on the downloader's thread; the loaded and busy flags
// may be read from any thread.
#include "core/status_board.h"
#include "core/steady_time_source.h"
#include "parking/apf_downloader.h"
#include "parking/park_airport.h"
#include "parking/park_airport_driver.h"
#include "parking/park_airport_list.h"
#include "parking/parking_adjustments.h"
#include "parking/parking_controls.h"
#include "parking/parking_port.h"
#include "parking/parking_traffic.h"
#include "parking/stand_lookups.h"
#include "parking/stand_selection.h"
#include "parking/static_parking.h"
#include "parking/static_placement.h"

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace hlw {

class ParkingService final : public ParkingPort {
  public:
    // The static-parking countdown after a load, in minutes.

    // The list file is "airports/my_park_airports.txt" unless another is given (tests).
    ParkingService(ParkingTraffic& traffic, StatusBoard& status, SteadyTimeSource& time,
                   std::filesystem::path listFile = {});
    ParkingService(const ParkingService&) = delete;
    ParkingService& operator=(const ParkingService&) = delete;

    // The engine's questions.
    bool readParkAirportList() override { return driver_.readList(); }
    void clearParkAirportList() override { driver_.clearList(); }
    void addParkAirport(const AirportCode& code, const LatLon& position) override { driver_.addToList(code, position); }
    std::optional<ParkAirportEntry> firstParkAirport() const override { return driver_.list().publishedFirst(); }
    void driveParkAirport(bool firstCall) override { driver_.drive(firstCall); }
    std::optional<std::string> checkReservedStands() override { return driver_.checkReservedStands(); }
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
    void saveCheckpoint() override { driver_.saveCheckpoint(); }
    void reserveStandForUser(const std::string& stand) override { driver_.reserveStandForUser(stand); }
    bool parkAirportActive() const override;
    std::optional<LatLon> parkAirportPosition() const override;
    double parkAirportElevationFt() const override;
    bool hasStands() const override { return !park_.state.stands.empty(); }
    bool fileLoaded() const override { return park_.apfLoaded.load(); }
    bool staticParkingBusy() const override { return controls_.busy(); }
    int32_t positionsToPlace() const override { return static_cast<int32_t>(selection_.selected.size()); }
    void beginAdjustment() override { controls_.enable(false); }
    void runAdjustments() override { adjustments_.run(); }
    void startStaticRefresh() override { controls_.enable(false); }
    // Removes the park airport's static aircraft and the live aircraft on its ground, then closes it.
    void leaveParkAirport() override { driver_.leave(); }

    // Makes the airport with the code the park airport; false when the airports database lacks it.
    bool chooseParkAirport(const AirportCode& code) { return driver_.choose(code); }
    // Loads the chosen park airport's file; empty text on success, else the reason.
    std::string loadParkAirport() { return driver_.load(); }
    // The whole stand selection for the park airport's static aircraft.
    void calcStaticParking() { staticParking_.calculate(); }
    // The park airport's state cleared; when its file was loaded, the learned file saved and the settings it
    // overrode put back.
    void closeParkAirport() { driver_.close(); }
    // Saves the learned file now (see gf_saveLearnedAirport).
    bool saveLearned() { return driver_.saveLearned(); }
    // The run reset: no park airport, no stands, nothing selected, the counters at their start.
    void resetRun() { driver_.reset(); }

    const ParkAirport& park() const noexcept { return park_; }
    ParkAirport& park() noexcept { return park_; }
    StandSelection& selection() noexcept { return selection_; }
    const ParkAirportList& list() const noexcept { return driver_.list(); }
    const std::vector<StandUseRecord>& standUse() const noexcept { return adjustments_.standUse(); }
    StaticPlacer& placer() noexcept { return placer_; }
    // The max-park number: the wanted count of the last selection.
    int32_t maxPark() const noexcept { return staticParking_.maxPark(); }

  private:
    ParkingTraffic& traffic_;
    StatusBoard& status_;
    SteadyTimeSource& time_;
    ParkAirport park_;
    StandSelection selection_;
    StaticPlacer placer_;
    mutable NearestStandName nearest_;
    ParkingControls controls_;
    // Each part refers only to the members above it.
    StaticParking staticParking_{traffic_, status_, park_, selection_, nearest_, controls_};
    ParkingAdjustments adjustments_{traffic_, status_, time_, park_, selection_, staticParking_};
    ApfDownloader downloads_;
    ParkAirportDriver driver_;
};

} // namespace hlw
