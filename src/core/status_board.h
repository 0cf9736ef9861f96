#pragma once
// The values the main window's status area shows. The worker, the simulator client thread, the readers and the
// scans write them; the painter only reads. Any thread writes through update(), under one lock; the painter
// takes a snapshot. A change that alters any value calls the repaint hook once, after the lock is released.
// Lock order: the board's lock is a leaf (nothing is called while it is held).
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>

namespace hlw {

// Minutes between two refreshes of the static aircraft; the countdown the status area shows starts here.
inline constexpr int32_t staticRefreshMinutes = 20;

// The state of a UDP reader as its lamp shows it.
enum class ReaderLamp : int32_t { receiving = 1, stalled = 2, notRunning = 3 };

struct StatusValues {
    // Simulator: connection lamp, name and version, the user aircraft.
    bool simConnected = false;
    bool flightRunningShown = false;
    std::string simulatorText;
    std::string aircraftTitleText;
    bool wingSpanKnown = false;
    std::string userStandText;

    // Liveries read into the livery tables (0 shows "...").
    int32_t liveryCount = 0;

    // Add-on airports counted in "my_simaddon" and "my_thirdparty" (0 shows "...").
    int32_t simAddonCount = 0;
    int32_t thirdPartyCount = 0;
    // Files the last add-on airports scan gathered into "tblo/tblo.zip"; 0 while there is no archive to send in.
    int32_t tbloNeeded = 0;

    // Live-traffic source: the start-up lamp, the link, the readers and the QNH (hPa, 0 while unknown).
    bool trafficStartPending = true;
    bool liveSourceReady = false;
    std::string rtEditionText;
    int32_t qnh = 0;
    ReaderLamp trafficReader = ReaderLamp::notRunning;
    ReaderLamp qnhReader = ReaderLamp::notRunning;

    // Counts of the per-second refresh.
    int32_t liveCount = 0;
    int32_t parkedLiveCount = 0;
    int32_t staticCount = 0;

    // Parking band.
    std::string parkAirportCode;
    bool fileLoaded = false;
    std::string airportNameText;
    std::string airportInfoText;
    bool handmade = false;
    int32_t weekValue = 0;
    bool softOptionsUsed = false;
    bool otherWeekdaysUsed = false;
    std::string qualityText;
    std::string reservedStand;
    bool reservedStandFound = false;
    int32_t updateCount = 0;
    int32_t standCount = 0;
    // Mean parked hours, -1 while not computed.
    float meanParkedHoursLive = -1.0F;
    float meanParkedHoursStatic = -1.0F;
    // Park positions still to place while static parking is busy.
    int32_t positionsToPlace = 0;
    int32_t maxParkLive = 0;
    int32_t maxParkPercent = 0;
    int32_t minutesToStaticUpdate = staticRefreshMinutes;
    // A static-parking calculation runs (the parking controls are switched off meanwhile).
    bool staticParkingBusy = false;

    // Beside "CALLSIGN_2_OBJECTID": "= {object id}" or "has left".
    std::string callsignObjectIdText;

    bool operator==(const StatusValues&) const = default;
};

class StatusBoard {
public:
    using RepaintHook = std::function<void()>;

    StatusBoard() = default;
    StatusBoard(const StatusBoard&) = delete;
    StatusBoard& operator=(const StatusBoard&) = delete;

    // The window's repaint request; an empty hook repaints nothing.
    void setRepaintHook(RepaintHook hook);

    // Applies the change to the values under the lock; repaints when a value changed.
    template <typename Change> void update(Change&& change)
    {
        bool changed = false;
        {
            std::lock_guard lock(mutex_);
            const StatusValues before = values_;
            change(values_);
            changed = !(before == values_);
        }
        if (changed) {
            repaint();
        }
    }

    StatusValues snapshot() const;
    // Back to the start values (the run reset), with a repaint; the livery count stays.
    void reset();

private:
    void repaint();

    mutable std::mutex mutex_;
    StatusValues values_;
    RepaintHook hook_;
};

} // namespace hlw
