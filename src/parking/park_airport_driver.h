#pragma once
// The park-airport driver: which airport becomes the park airport (the nearest list airport in sight, or the airport
// where the user stands), its load at the driver's next run (for an archived file, at the first run after it was
// downloaded beside the main loop), leaving it when it goes out of sight or a nearer list airport comes in sight,
// the park-airport list with the stands reserved for the user, saving the learned file, and closing. It owns the
// list and the back-off after a failed load; the park airport, its selection, the other parking parts and the
// downloader belong to the parking service, which hands them over. Worker thread only.
#include "core/status_board.h"
#include "core/steady_time_source.h"
#include "parking/apf_downloader.h"
#include "parking/park_airport.h"
#include "parking/park_airport_list.h"
#include "parking/parking_adjustments.h"
#include "parking/parking_controls.h"
#include "parking/parking_traffic.h"
#include "parking/stand_lookups.h"
#include "parking/stand_selection.h"
#include "parking/static_parking.h"

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <unordered_map>

namespace hlw {

// The parking parts that the driver steers besides the park airport.
struct DrivenParkingParts {
    StandSelection& selection;
    NearestStandName& nearest;
    ParkingControls& controls;
    StaticParking& staticParking;
    ParkingAdjustments& adjustments;
    // Fetches an archived airport file while the main loop goes on.
    ApfDownloader& downloads;
};

class ParkAirportDriver {
  public:
    // An airport whose load failed is not chosen again for this long.
    static constexpr std::chrono::minutes failedLoadBackOff{10};
    // While learned changes are unsaved, the learned file is saved this often.
    static constexpr std::chrono::minutes checkpointEvery{5};

    ParkAirportDriver(ParkingTraffic& traffic, StatusBoard& status, SteadyTimeSource& time,
                      std::filesystem::path listFile, ParkAirport& park, DrivenParkingParts parts);
    ParkAirportDriver(const ParkAirportDriver&) = delete;
    ParkAirportDriver& operator=(const ParkAirportDriver&) = delete;

    // Reads the list file anew (see ParkAirportList::read).
    bool readList();
    void clearList();
    // The destination joins the list first.
    void addToList(const AirportCode& code, const LatLon& position);
    // One run of the driver: while the requested park airport's archived file is still arriving, only leaving the
    // airport when it goes out of sight or a nearer list airport comes in sight, which gives its load up. Otherwise
    // it ends a finished placement, then either loads the requested park airport and calculates its static parking,
    // or keeps the park airport while it stays in sight and chooses one when none is chosen.
    void drive(bool firstCall);
    // After the list file was read anew: the stand reserved at the park airport follows the list while the user
    // stands at none. The message for the user, or none when the file could not be read.
    std::optional<std::string> checkReservedStands();
    // The stand the user stands at becomes the park airport's reserved stand in the list.
    void reserveStandForUser(const std::string& stand);

    // Makes the airport with the code the park airport; false when the airports database lacks it.
    bool choose(const AirportCode& code);
    // Loads the chosen park airport's file (an archived one fetched by a request, else downloaded here); empty text
    // on success, else the reason.
    std::string load();
    // Saves the learned file now (see gf_saveLearnedAirport).
    bool saveLearned();
    // Saves the learned file when changes have waited for checkpointEvery.
    void saveCheckpoint();
    // The park airport's state cleared; when its file was loaded, the learned file saved and the settings it
    // overrode put back.
    void close();
    // Removes the park airport's static aircraft and the live aircraft on its ground, then closes it.
    void leave();
    // The run reset: no park airport, no stands, an empty list, nothing selected, the counters at their start.
    void reset();

    const ParkAirportList& list() const noexcept { return list_; }

  private:
    // The list sorted by the user's distance, then the park airport kept while in sight, or one chosen.
    void followUser(bool firstCall);
    void findInSight(const std::optional<UserAircraftState>& user, bool firstCall);
    void checkInSight(const UserAircraftState& user);
    bool backingOff(const AirportCode& code);
    void request(bool showMessage);
    // For the requested park airport's archived file: starts its download, or takes its result once it ended.
    // False while it is arriving.
    bool archivedFileArrived();
    void startStaticParking(bool showMessage);
    void clearStandTable();

    ParkingTraffic& traffic_;
    StatusBoard& status_;
    SteadyTimeSource& time_;
    const std::filesystem::path listFile_;
    ParkAirport& park_;
    DrivenParkingParts parts_;
    ParkAirportList list_;
    std::unordered_map<AirportCode, SteadyTimeSource::TimePoint, AirportCodeHash> failedLoads_;
    bool readRequest_ = false;
    // The archived file of the requested load: the text that names it and the download's result once it ended.
    struct ArchivedFetch {
        std::string fileText;
        std::optional<std::string> result;
    };
    std::optional<ArchivedFetch> fetch_;
};

} // namespace hlw
