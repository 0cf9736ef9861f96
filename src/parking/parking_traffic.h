#pragma once
// What the parking code needs of the traffic engine: its live and static aircraft, the creation and removal of
// aircraft, the callsigns the traffic reader heard, the user aircraft, the current weekday and half hour, and the
// park airport as the traffic intake filters by it. Parking declares this interface and never includes engine
// code; the engine implements it and the program entry wires the two. Worker thread only.
#include "core/geodesy.h"
#include "core/reference_time.h"
#include "records/aircraft_records.h"

#include <optional>
#include <string>
#include <unordered_set>
#include <vector>

namespace hlw {

// The user aircraft as the simulator last reported it.
struct UserAircraftState {
    LatLon position;
    double altAboveGroundFt = 0.0;
    double groundSpeedKt = 0.0;
    bool onGround = false;
};

class ParkingTraffic {
  public:
    virtual ~ParkingTraffic() = default;

    // The engine's aircraft. Records may be changed in place; the vectors themselves change only through the
    // calls below (and by the engine between calls).
    virtual std::vector<LiveAircraft>& liveAircraft() = 0;
    virtual std::vector<StaticAircraft>& staticAircraft() = 0;
    // Appends the static aircraft (its livery chosen) and queues the creation of its object at its stand, on the
    // ground with the stand's heading; the engine hands the creations to the simulator at its own pace.
    virtual void createStatic(StaticAircraft aircraft) = 0;
    // Removes a live or static aircraft by its state: an object is removed, a queued creation withdrawn or the
    // object removed once it exists. The record may stay in its vector until the engine sweeps it.
    virtual void removeAircraft(StaticAircraft& aircraft) = 0;
    // Every static aircraft, as removeAircraft does; withdrawn records leave the vector at once.
    virtual void removeAllStatic() = 0;
    // Leaving the park airport: every live aircraft parked, pushing back, pushed back, taxiing or taking off loses
    // its stand and is removed as removeAircraft does.
    virtual void leaveStands() = 0;

    // The traffic reader's callsign set is emptied and filled from now on with every callsign heard in range.
    virtual void collectCallsigns() = 0;
    // The callsigns heard since collecting began; collecting stops. Copy and stop are one step.
    virtual std::unordered_set<std::string> takeHeardCallsigns() = 0;

    // None until the simulator has reported the user aircraft.
    virtual std::optional<UserAircraftState> userAircraft() const = 0;
    // The engine's current weekday and half-hour slot (both -1 while unknown).
    virtual WeekdaySlot weekdaySlot() const = 0;
    // The park airport that the traffic intake compares ground traffic with; none while no file is loaded.
    virtual void parkAirportChanged(std::optional<LatLon> position, double elevationFt) = 0;
};

} // namespace hlw
