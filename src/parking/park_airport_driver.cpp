// The park-airport driver of the parking service: which airport becomes the park airport, its load at the
// driver's next run, and its closing.
#include "core/log.h"
#include "core/message_line.h"
#include "parking/apf_load.h"
#include "parking/apf_location.h"
#include "parking/parking_service.h"
#include "parking/parking_window_port.h"
#include "settings/catalogue.h"
#include "settings/control_services.h"

#include <fmt/format.h>

namespace hlw {

void ParkingService::driveParkAirport(bool firstCall)
{
    if (busy_.load() && selection_.selected.empty()) {
        parkingControls(true);
        gf_clearMessage();
        showStaticMeanHours();
    }
    if (!readRequest_) {
        if (!park_.airport) {
            findParkAirportOnGround(firstCall);
        }
        return;
    }
    gf_clearMessage();
    readRequest_ = false;
    if (const std::string failure = loadParkAirport(); failure.empty()) {
        status_.update([](StatusValues& values) { values.minutesToStaticUpdate = staticRefreshMinutes; });
        calcStaticParking();
    } else {
        parkingControls(true);
        gf_setMessage(failure, true);
        closeParkAirport();
    }
    gf_enableControl(settings::destination);
    gf_logFlushNow();
}

// With the user aircraft on the ground, the airport where it stands becomes the park airport when it has a file.
void ParkingService::findParkAirportOnGround(bool firstCall)
{
    const std::optional<UserAircraftState> user = traffic_.userAircraft();
    if (!user || !user->onGround) {
        return;
    }
    const AirportRecord* airport = gf_closestAirport(user->position);
    if (airport == nullptr) {
        gf_setMessage("User aircraft on the ground, no RT supported airport in sight", true);
        return;
    }
    const std::string onGround = fmt::format("User aircraft on the ground at {}", airport->icao);
    if (!gf_apfAvailable(airport->icao)) {
        gf_setMessage(onGround + ", no airport file found", true);
        return;
    }
    gf_log(onGround);
    if (chooseParkAirport(airport->icao)) {
        requestParkAirport(firstCall);
    }
}

void ParkingService::requestParkAirport(bool showMessage)
{
    readRequest_ = true;
    startStaticParking(showMessage);
}

void ParkingService::startStaticParking(bool showMessage)
{
    parkingControls(false);
    traffic_.collectCallsigns();
    if (showMessage) {
        gf_setMessage("Calculating static parked aircraft ...", false);
    }
}

bool ParkingService::chooseParkAirport(const AirportCode& code)
{
    const AirportRecord* airport = gf_findAirport(code);
    if (airport == nullptr) {
        park_.airport.reset();
        status_.update([](StatusValues& values) { values.parkAirportCode.clear(); });
        return false;
    }
    park_.airport = *airport;
    gf_log(fmt::format("\nThe park airport is {}", code));
    status_.update([&](StatusValues& values) { values.parkAirportCode = code.str(); });
    return true;
}

std::string ParkingService::loadParkAirport()
{
    clearStandTable();
    if (!park_.airport) {
        return fmt::format("{}: no park airport set", "lf_readParkedFile");
    }
    const std::string fileText = gf_findApf(park_.airport->icao);
    std::string result;
    if (fileText.empty()) {
        result = fmt::format("{} {} not found", "lf_readParkedFile", park_.airport->icao);
    } else {
        result = gf_readApf(fileText, park_, status_);
        nearest_.forget();
    }
    const bool loaded = result.empty();
    if (loaded) {
        park_.state.stands.shrink_to_fit();
        gf_enableControl(settings::flushStaticButton);
        traffic_.parkAirportChanged(park_.airport->position(), static_cast<double>(park_.header.altitude));
    }
    status_.update([&](StatusValues& values) {
        values.fileLoaded = loaded;
        values.airportNameText = park_.header.airportName;
        values.reservedStand = park_.reservedStand;
        values.reservedStandFound = false;
    });
    return result;
}

void ParkingService::closeParkAirport()
{
    if (park_.apfLoaded.load() && park_.keptSettings) {
        gf_restoreApfOverriddenSettings(*park_.keptSettings);
    }
    park_.keptSettings.reset();
    park_.state.handmade = false;
    park_.apfLoaded.store(false);
    if (!settings::initialLoadOnly.get()) {
        gf_enableControl(settings::nowButton, false);
    }
    gf_enableControl(settings::flushStaticButton, false);
    park_.airport.reset();
    park_.learnedPath.clear();
    traffic_.parkAirportChanged(std::nullopt, 0.0);
    park_.state.learnedUpdates.reset();
    selection_.clear();
    clearStandTable();
    status_.update([](StatusValues& values) {
        values.parkAirportCode.clear();
        values.fileLoaded = false;
        values.airportNameText.clear();
        values.airportInfoText.clear();
        values.handmade = false;
        values.standCount = 0;
    });
}

void ParkingService::leaveParkAirport()
{
    selection_.selected.clear();
    traffic_.removeAllStatic();
    closeParkAirport();
}

void ParkingService::resetRun()
{
    park_.airport.reset();
    park_.state.reset();
    park_.header = {};
    park_.learnedPath.clear();
    park_.keptSettings.reset();
    park_.reservedStand.clear();
    park_.apfLoaded.store(false);
    selection_.clear();
    nearest_.forget();
    busy_.store(false);
    readRequest_ = false;
    maxPark_ = 0;
    traffic_.parkAirportChanged(std::nullopt, 0.0);
}

} // namespace hlw
