#include "parking/park_airport_driver.h"

#include "core/log.h"
#include "core/message_line.h"
#include "core/time_text.h"
#include "parking/apf_load.h"
#include "parking/apf_location.h"
#include "parking/learned_save.h"
#include "refdata/closest_airport.h"
#include "settings/catalogue.h"
#include "settings/control_services.h"

#include <fmt/format.h>

#include <cmath>

namespace hlw {
namespace {

// Below this the user's position is taken for "not reported yet".
constexpr double unsetPositionDeg = 0.0001;

bool lf_inSight(double distanceNm, const UserAircraftState& user)
{
    return distanceNm <= settings::airpRange.get() && user.altAboveGroundFt <= settings::airpHeight.get();
}

} // namespace

ParkAirportDriver::ParkAirportDriver(ParkingTraffic& traffic, StatusBoard& status, SteadyTimeSource& time,
                                     std::filesystem::path listFile, ParkAirport& park, DrivenParkingParts parts)
    : traffic_(traffic), status_(status), time_(time), listFile_(std::move(listFile)), park_(park), parts_(parts)
{
}

bool ParkAirportDriver::readList()
{
    return list_.read(listFile_);
}

void ParkAirportDriver::clearList()
{
    list_.clear();
}

void ParkAirportDriver::addToList(const AirportCode& code, const LatLon& position)
{
    list_.addDestination(code, position, listFile_);
}

void ParkAirportDriver::drive(bool firstCall)
{
    try {
        if (readRequest_ && !archivedFileArrived()) {
            // A user who leaves the airport while its file arrives gives up the load and its download with it.
            followUser(firstCall);
            return;
        }
        if (parts_.controls.busy() && parts_.selection.selected.empty()) {
            parts_.controls.enable(true);
            gf_clearMessage();
            parts_.staticParking.showMeanHours();
        }
        if (!readRequest_) {
            followUser(firstCall);
            return;
        }
        gf_clearMessage();
        readRequest_ = false;
        if (const std::string failure = load(); failure.empty()) {
            status_.update([](StatusValues& values) { values.minutesToStaticUpdate = staticRefreshMinutes; });
            parts_.staticParking.calculate();
        } else {
            failedLoads_[park_.airport->icao] = time_.now();
            parts_.controls.enable(true);
            gf_setMessage(failure, true);
            close();
        }
        gf_enableControl(settings::destination);
        gf_logFlushNow();
    } catch (const std::exception& error) {
        gf_logAlert(fmt::format("{}: {}", "gf_parkAirportDriver", error.what()));
    }
}

void ParkAirportDriver::followUser(bool firstCall)
{
    const std::optional<UserAircraftState> user = traffic_.userAircraft();
    if (user &&
        (std::abs(user->position.lat) > unsetPositionDeg || std::abs(user->position.lon) > unsetPositionDeg)) {
        list_.updateDistances(user->position);
    }
    if (park_.airport && user) {
        checkInSight(*user);
    } else if (!park_.airport) {
        findInSight(user, firstCall);
    }
}

bool ParkAirportDriver::backingOff(const AirportCode& code)
{
    const auto failed = failedLoads_.find(code);
    if (failed == failedLoads_.end()) {
        return false;
    }
    if (time_.now() - failed->second < failedLoadBackOff) {
        return true;
    }
    failedLoads_.erase(failed);
    return false;
}

void ParkAirportDriver::findInSight(const std::optional<UserAircraftState>& user, bool firstCall)
{
    if (!user) {
        return;
    }
    if (!user->onGround) {
        gf_enableControl(settings::destination);
        const ParkAirportEntry* first = list_.front();
        if (first == nullptr || backingOff(first->icao)) {
            return;
        }
        // Measured here: a destination keeps the list unsorted and its distance unset.
        const double distance = gf_distanceNm(user->position, first->position());
        if (!lf_inSight(distance, *user) || !choose(first->icao)) {
            return;
        }
        gf_setMessage(fmt::format("{} in sight at {:.1F} nm", first->icao, distance), true);
        request(false);
        return;
    }
    const AirportRecord* airport = gf_closestAirport(user->position);
    if (airport == nullptr) {
        gf_setMessage("User aircraft on the ground, no RT supported airport in sight", true);
        return;
    }
    if (backingOff(airport->icao)) {
        return;
    }
    const std::string onGround = fmt::format("User aircraft on the ground at {}", airport->icao);
    if (!gf_apfAvailable(airport->icao)) {
        gf_setMessage(onGround + ", no airport file found", true);
        return;
    }
    gf_log(onGround);
    if (choose(airport->icao)) {
        request(firstCall);
    }
}

void ParkAirportDriver::checkInSight(const UserAircraftState& user)
{
    if (user.onGround) {
        return;
    }
    const AirportRecord& airport = *park_.airport;
    const double d0 = gf_distanceNm(user.position, airport.position());
    if (!lf_inSight(d0, user)) {
        gf_log(fmt::format("\n{} {} is out of sight ({:.1F} nm), parked aircraft will be removed", gf_nowClockText(),
                           gf_airportText(airport), d0));
        leave();
        return;
    }
    const ParkAirportEntry* first = list_.front();
    if (first == nullptr || first->icao == airport.icao) {
        return;
    }
    const double d1 = gf_distanceNm(user.position, first->position());
    if (lf_inSight(d1, user) && d0 >= d1) {
        gf_log(fmt::format("\n{} {} is in sight ({:.1F} nm), parked aircraft at {} will be removed first",
                           gf_nowClockText(), first->icao, d1, gf_airportText(airport)));
        leave();
    }
}

void ParkAirportDriver::request(bool showMessage)
{
    readRequest_ = true;
    fetch_.reset();
    startStaticParking(showMessage);
    archivedFileArrived();
}

bool ParkAirportDriver::archivedFileArrived()
{
    if (!park_.airport) {
        return true;
    }
    const std::string fileText = gf_findApf(park_.airport->icao);
    const std::optional<std::string> archived = gf_archivedApfPath(fileText);
    if (!archived) {
        return true;
    }
    if (!fetch_ || fetch_->fileText != fileText) {
        parts_.downloads.post(*archived, gf_parkAirportDownloadPath());
        fetch_ = ArchivedFetch{fileText, std::nullopt};
    }
    if (!fetch_->result) {
        fetch_->result = parts_.downloads.take();
    }
    return fetch_->result.has_value();
}

void ParkAirportDriver::startStaticParking(bool showMessage)
{
    parts_.controls.enable(false);
    traffic_.collectCallsigns();
    if (showMessage) {
        gf_setMessage("Calculating static parked aircraft ...", false);
    }
}

bool ParkAirportDriver::choose(const AirportCode& code)
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

std::string ParkAirportDriver::load()
{
    clearStandTable();
    if (!park_.airport) {
        return fmt::format("{}: no park airport set", "lf_readParkedFile");
    }
    const AirportCode code = park_.airport->icao;
    const std::string fileText = gf_findApf(code);
    std::string result;
    if (fileText.empty()) {
        result = fmt::format("{} {} not found", "lf_readParkedFile", code);
    } else {
        const bool fetched = fetch_ && fetch_->fileText == fileText;
        result = gf_readApf(fileText, park_, status_, fetched ? fetch_->result : std::nullopt);
        parts_.nearest.forget();
    }
    fetch_.reset();
    const bool loaded = result.empty();
    bool reservedFound = false;
    park_.reservedStand.clear();
    if (loaded) {
        park_.generationKept = false;
        park_.learnedFullSaid = false;
        park_.lastSave = time_.now();
        if (const std::optional<UserAircraftState> user = traffic_.userAircraft()) {
            // The stand where the user stands at the load becomes, and stays, the airport's reserved stand.
            const std::string id = parts_.nearest(park_.state.stands, user->position, user->onGround);
            const ParkAirportEntry* first = list_.front();
            if (first == nullptr || first->icao != code) {
                list_.addDestination(code, park_.airport->position(), listFile_);
            }
            if (!id.empty() && list_.front()->reservedStand != id) {
                list_.reserveFirst(id, listFile_);
            }
        }
        park_.state.stands.shrink_to_fit();
        const ParkAirportEntry* first = list_.front();
        if (first != nullptr && first->icao == code && !first->reservedStand.empty() &&
            std::ranges::find(park_.state.stands, first->reservedStand, &StandRecord::id) != park_.state.stands.end()) {
            park_.reservedStand = first->reservedStand;
            reservedFound = true;
        }
        gf_enableControl(settings::flushStaticButton);
        traffic_.parkAirportChanged(park_.airport->position(), static_cast<double>(park_.header.altitude));
    }
    status_.update([&](StatusValues& values) {
        values.fileLoaded = loaded;
        values.airportNameText = park_.header.airportName;
        values.reservedStand = park_.reservedStand;
        values.reservedStandFound = reservedFound;
    });
    return result;
}

std::optional<std::string> ParkAirportDriver::checkReservedStands()
{
    if (!list_.read(listFile_)) {
        return std::nullopt;
    }
    std::string message;
    const std::optional<UserAircraftState> user = traffic_.userAircraft();
    const ParkAirportEntry* first = list_.front();
    if (user && !parts_.controls.busy() && park_.airport && first != nullptr && first->icao == park_.airport->icao &&
        parts_.nearest(park_.state.stands, user->position, user->onGround).empty() && !first->reservedStand.empty() &&
        first->reservedStand != park_.reservedStand) {
        message = fmt::format("reserved stand changed from '{}' to '{}'", park_.reservedStand, first->reservedStand);
        std::vector<StandRecord>& stands = park_.state.stands;
        for (StandRecord& stand : stands) {
            if (stand.id == park_.reservedStand) {
                stand.reserved = false;
            }
        }
        park_.reservedStand = first->reservedStand;
        const auto reserved = std::ranges::find(stands, park_.reservedStand, &StandRecord::id);
        if (reserved != stands.end()) {
            reserved->reserved = true;
        }
        status_.update([&](StatusValues& values) {
            values.reservedStand = park_.reservedStand;
            values.reservedStandFound = reserved != stands.end();
        });
    }
    if (message.empty()) {
        message = "park airports and stands are okay";
    }
    return message;
}

void ParkAirportDriver::reserveStandForUser(const std::string& stand)
{
    const ParkAirportEntry* first = list_.front();
    if (stand.empty() || first == nullptr || !park_.airport || first->icao != park_.airport->icao ||
        first->reservedStand == stand) {
        return;
    }
    list_.reserveFirst(stand, listFile_);
}

bool ParkAirportDriver::saveLearned()
{
    return gf_saveLearnedAirport(park_, time_.now());
}

void ParkAirportDriver::saveCheckpoint()
{
    if (park_.apfLoaded.load() && park_.state.learnedUpdates.count() > 0 &&
        time_.now() - park_.lastSave >= checkpointEvery) {
        saveLearned();
    }
}

void ParkAirportDriver::close()
{
    // A load still waiting for its file is given up with the airport.
    readRequest_ = false;
    fetch_.reset();
    parts_.downloads.cancel();
    if (park_.apfLoaded.load()) {
        saveLearned();
        if (park_.keptSettings) {
            gf_restoreApfOverriddenSettings(*park_.keptSettings);
        }
    }
    traffic_.takeHeardCallsigns();
    park_.keptSettings.reset();
    park_.state.handmade = false;
    park_.apfLoaded.store(false);
    if (!settings::initialLoadOnly.get()) {
        gf_enableControl(settings::nowButton, false);
    }
    gf_enableControl(settings::flushStaticButton, false);
    park_.airport.reset();
    park_.learnedPath.clear();
    park_.reservedStand.clear();
    traffic_.parkAirportChanged(std::nullopt, 0.0);
    park_.state.learnedUpdates.reset();
    parts_.selection.clear();
    parts_.adjustments.clear();
    clearStandTable();
    status_.update([](StatusValues& values) {
        values.parkAirportCode.clear();
        values.fileLoaded = false;
        values.airportNameText.clear();
        values.airportInfoText.clear();
        values.handmade = false;
        values.standCount = 0;
        values.reservedStand.clear();
        values.reservedStandFound = false;
    });
}

void ParkAirportDriver::leave()
{
    parts_.selection.selected.clear();
    traffic_.removeAllStatic();
    traffic_.leaveStands();
    close();
}

void ParkAirportDriver::reset()
{
    park_.airport.reset();
    park_.state.reset();
    park_.header = {};
    park_.learnedPath.clear();
    park_.keptSettings.reset();
    park_.reservedStand.clear();
    park_.apfLoaded.store(false);
    list_.clear();
    parts_.selection.clear();
    parts_.adjustments.clear();
    failedLoads_.clear();
    parts_.nearest.forget();
    parts_.controls.clearBusy();
    readRequest_ = false;
    fetch_.reset();
    parts_.staticParking.resetMaxPark();
    traffic_.parkAirportChanged(std::nullopt, 0.0);
}

void ParkAirportDriver::clearStandTable()
{
    park_.state.clearStands();
    parts_.nearest.forget();
}

} // namespace hlw
