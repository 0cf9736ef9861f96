#include "parking/parking_service.h"

#include "parking/stand_learning.h"
#include "settings/catalogue.h"

#include <algorithm>

namespace hlw {

ParkingService::ParkingService(ParkingTraffic& traffic, StatusBoard& status, SteadyTimeSource& time,
                               std::filesystem::path listFile)
    : traffic_(traffic), status_(status), time_(time),
      driver_(traffic, status, time, listFile.empty() ? paths::myParkAirportsPath : std::move(listFile), park_,
              {selection_, nearest_, controls_, staticParking_, adjustments_, downloads_})
{
}

std::optional<std::string> ParkingService::reservedStand() const
{
    if (park_.reservedStand.empty()) {
        return std::nullopt;
    }
    return park_.reservedStand;
}

std::string ParkingService::nearestStandName(double latDeg, double lonDeg) const
{
    const std::optional<UserAircraftState> user = traffic_.userAircraft();
    return nearest_(park_.state.stands, {latDeg, lonDeg}, user && user->onGround);
}

std::string ParkingService::standName(int32_t standNumber) const
{
    return gf_standName(park_.state.stands, standNumber);
}

const StandRecord* ParkingService::standByNumber(int32_t standNumber) const
{
    return gf_findStand(std::span<const StandRecord>(park_.state.stands), standNumber);
}

const StandRecord* ParkingService::findStandNear(const LatLon& position, const FlightRecord& aircraft,
                                                 double maxDistanceNm, bool nearSearch)
{
    return gf_findStandNear(park_.state.stands, position, aircraft, maxDistanceNm, nearSearch,
                            park_.state.learnedUpdates);
}

void ParkingService::clearStandCargo(int32_t standNumber)
{
    StandRecord* stand = gf_findStand(std::span<StandRecord>(park_.state.stands), standNumber);
    if (stand != nullptr && stand->cargo) {
        stand->cargo = false;
        stand->cargoChange = true;
        park_.state.learnedUpdates.add();
    }
}

void ParkingService::unselectStand(int32_t standNumber)
{
    std::erase_if(selection_.selected,
                  [standNumber](const SelectedParkPosition& position) { return position.standNumber == standNumber; });
}

void ParkingService::checkMaxPark(bool oneMoreLive)
{
    gf_checkMaxPark(oneMoreLive, staticParking_.maxPark(), traffic_, park_.state.stands, time_);
}

void ParkingService::setStandOccupied(int32_t standNumber, bool occupied)
{
    if (StandRecord* stand = gf_findStand(std::span<StandRecord>(park_.state.stands), standNumber)) {
        stand->occupied = occupied;
    }
}

void ParkingService::placeNextStatic()
{
    placer_.placeNext(selection_.selected, park_.state.stands, traffic_);
}

void ParkingService::addRealStandOption(LiveAircraft& aircraft, StandUseReason reason)
{
    if (park_.apfLoaded.load()) {
        gf_addRealStandOption(park_.state.stands, aircraft.standNumber, aircraft, reason, traffic_.weekdaySlot(),
                              park_.state.learnedUpdates);
    }
}

void ParkingService::markUsedSlots(LiveAircraft& aircraft)
{
    gf_coupleCallsigns(park_.state.stands, aircraft.flight, traffic_.weekdaySlot());
}

bool ParkingService::parkAirportActive() const
{
    return park_.airport.has_value() && park_.apfLoaded.load();
}

std::optional<LatLon> ParkingService::parkAirportPosition() const
{
    if (!parkAirportActive()) {
        return std::nullopt;
    }
    return park_.airport->position();
}

double ParkingService::parkAirportElevationFt() const
{
    return parkAirportActive() ? static_cast<double>(park_.header.altitude) : 0.0;
}

} // namespace hlw
