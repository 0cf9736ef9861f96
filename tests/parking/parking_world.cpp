#include "parking_world.h"

#include "liveries/livery_data.h"
#include "liveries/livery_tables.h"
#include "refdata/code_table.h"
#include "settings/catalogue.h"
#include "support/temp_dir.h"

#include <algorithm>

namespace hlw::test {

void FakeParkingTraffic::createStatic(StaticAircraft aircraft)
{
    aircraft.state = SimObjectState::adding2sim;
    statics.push_back(std::move(aircraft));
    ++creations;
}

void FakeParkingTraffic::removeAircraft(StaticAircraft& aircraft)
{
    removed.push_back(aircraft.flight.callsign);
    if (aircraft.state == SimObjectState::adding2sim) {
        aircraft.creationCancelled = 1;
    } else if (aircraft.state == SimObjectState::active) {
        aircraft.state = SimObjectState::removingfromsim;
    }
}

void FakeParkingTraffic::removeAllStatic()
{
    for (StaticAircraft& aircraft : statics) {
        removeAircraft(aircraft);
    }
    std::erase_if(statics, [](const StaticAircraft& aircraft) { return aircraft.creationCancelled != 0; });
}

void FakeParkingTraffic::leaveStands()
{
    for (LiveAircraft& aircraft : live) {
        if (aircraft.phase != MovementPhase::flying && aircraft.phase != MovementPhase::birth &&
            aircraft.phase != MovementPhase::parking) {
            aircraft.standNumber = 0;
            removeAircraft(aircraft);
        }
    }
}

void FakeParkingTraffic::collectCallsigns()
{
    heard.clear();
    collecting = true;
}

std::unordered_set<std::string> FakeParkingTraffic::takeHeardCallsigns()
{
    collecting = false;
    return heard;
}

void FakeParkingTraffic::parkAirportChanged(std::optional<LatLon> position, double elevationFt)
{
    parkAirport = position;
    parkAirportElevationFt = elevationFt;
}

LatLon gf_metresFrom(const LatLon& origin, double metres, double bearingDeg)
{
    constexpr double feetPerMetre = 1.0 / 0.3048;
    return gf_destinationPoint(origin, bearingDeg * radiansPerDegree, metres * feetPerMetre);
}

StandRecord gf_stand(const std::string& id, const LatLon& at, double radiusMetres, int32_t parkingType, bool heli)
{
    return StandRecord::fromFile(id, {}, at.lat, at.lon, 0.0, radiusMetres, parkingType, false, false, heli);
}

StandOption gf_option(const std::string& registration, const std::string& airline, const std::string& model,
                      int32_t weekday, SlotSet slots, const std::string& callsign, const std::string& secondCallsign)
{
    StandOption option;
    option.codes = {gf_airlineIndex(airline), 0, gf_modelIndex(model), 0, 0};
    option.registration = registration;
    option.callsign = callsign;
    option.secondCallsign = secondCallsign;
    option.slots = slots;
    option.weekday = weekday;
    return option;
}

LiveAircraft gf_parkedLive(const std::string& callsign, const std::string& model, const StandRecord& stand,
                           uint32_t objectId)
{
    FlightRecord flight;
    flight.callsign = callsign;
    flight.model = gf_modelIndex(model);
    flight.hexId = 0x400000 + objectId;
    PositionRecord at;
    at.latitude = stand.latitude;
    at.longitude = stand.longitude;
    LiveAircraft aircraft(at, flight, 0.0);
    aircraft.state = SimObjectState::active;
    aircraft.objectId = objectId;
    aircraft.phase = MovementPhase::parked;
    aircraft.standNumber = stand.standNumber;
    return aircraft;
}

StaticAircraft gf_staticAt(const std::string& callsign, const std::string& model, const StandRecord& stand,
                           SimObjectState state, uint32_t hexId)
{
    FlightRecord flight;
    flight.callsign = callsign;
    flight.model = gf_modelIndex(model);
    flight.hexId = hexId;
    StaticAircraft aircraft(flight, stand.standNumber, stand.latitude, stand.longitude, stand.heading, stand.cargo);
    aircraft.state = state;
    return aircraft;
}

InstalledLiveries::InstalledLiveries(const std::string& liveryLines)
{
    std::filesystem::create_directories(paths::outputFolder);
    writeWholeFile(paths::liveriesScannedPath,
                   "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<root>\n"
                   "  <meta><info name=\"author\" value=\"Hollowmere\"/><info name=\"version\" value=\"12.5.1\"/>"
                   "<info name=\"copyright\" value=\"c\"/><info name=\"sim\" value=\"1\"/></meta>\n"
                   "  <liveries>\n" +
                       liveryLines + "  </liveries>\n</root>\n");
    gf_processScannedLiveries(nullptr);
}

InstalledLiveries::~InstalledLiveries()
{
    gf_clearLiveryCatalogue();
    gf_scannedLiveryList().clear();
}

} // namespace hlw::test
