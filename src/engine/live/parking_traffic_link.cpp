#include "engine/live/parking_traffic_link.h"

#include "engine/base/run_state.h"
#include "engine/live/angles.h"
#include "engine/live/live_lifecycle.h"

#include <stdexcept>

namespace hlw {

TrafficEngine& EngineParkingTraffic::engine() const
{
    if (engine_ == nullptr) {
        throw std::logic_error("EngineParkingTraffic used before its engine was attached");
    }
    return *engine_;
}

void EngineParkingTraffic::createStatic(StaticAircraft aircraft)
{
    LiveEngineState& state = engine().state();
    AiCreateRequest request;
    request.position = {aircraft.standLat, aircraft.standLon, 0.0, 0.0, 0.0, aircraft.standHeading * degPerRad, 1, 0};
    request.callsign = aircraft.flight.callsign;
    request.title = std::string(aircraft.flight.title);
    request.hexId = aircraft.flight.hexId;
    LiveContext live = engine().context();
    state.statics.push_back(std::move(aircraft));
    gf_setState(live, state.statics.back(), SimObjectState::adding2sim);
    state.staticCreations.push_back(std::move(request));
}

void EngineParkingTraffic::removeAircraft(StaticAircraft& aircraft)
{
    LiveContext live = engine().context();
    removeAircraftFromSim(live, aircraft);
}

void EngineParkingTraffic::removeAllStatic()
{
    LiveContext live = engine().context();
    gf_removeAllStatic(live);
}

void EngineParkingTraffic::leaveStands()
{
    LiveContext live = engine().context();
    for (LiveAircraft& aircraft : engine().state().live) {
        switch (aircraft.phase) {
        case MovementPhase::parked:
        case MovementPhase::pushing_back:
        case MovementPhase::pushed_back:
        case MovementPhase::taxi:
        case MovementPhase::take_off:
            aircraft.standLat = 0.0;
            aircraft.standLon = 0.0;
            aircraft.standNumber = 0;
            removeAircraftFromSim(live, aircraft);
            break;
        default:
            break;
        }
    }
}

std::optional<UserAircraftState> EngineParkingTraffic::userAircraft() const
{
    std::optional<UserAircraftFix>& user = engine().state().user;
    // Before the tick's first request of the run (the driver's first call at the start of the main loop) the
    // simulator's latest report is asked for here.
    if (!user) {
        user = engine().links().sim.requestUserPosition();
    }
    if (!user) {
        return std::nullopt;
    }
    return UserAircraftState{{user->latitude, user->longitude}, user->heightAboveGroundFt, user->groundSpeedKt,
                             user->onGround};
}

WeekdaySlot EngineParkingTraffic::weekdaySlot() const
{
    return gf_unpackWeekdaySlot(nowWeekdaySlot.load());
}

void EngineParkingTraffic::parkAirportChanged(std::optional<LatLon> position, double elevationFt)
{
    readers_.setParkAirport(position ? std::optional(ParkAirportFix{*position, elevationFt}) : std::nullopt);
}

} // namespace hlw
