#pragma once
// The engine's own requests on the simulator connection, besides the commands that wait for a frame: the aircraft
// within range, the user position, an object's static CG, the touchdown's spoilers and throttle, and a flight plan.
// Each runs under the command-queue mutex of the link and asks nothing while the request error is set or no
// connection is open.
#include "engine/sim/sim_data_records.h"
#include "engine/sim/sim_link.h"

#include <cstdint>
#include <optional>
#include <string>

namespace hlw {

class SimRequests {
public:
    virtual ~SimRequests() = default;

    // False when nothing was asked; a failed request raises the request error (the run stops).
    virtual bool requestAircraftInRange(uint32_t radiusMeters) = 0;
    // Asks for the user position and returns the latest report; empty until one has arrived.
    virtual std::optional<UserAircraftFix> requestUserPosition() = 0;
    virtual bool requestStaticCg(uint32_t objectId) = 0;
    virtual bool setSpoilersThrottle(uint32_t objectId, SpoilersThrottleData data) = 0;
    // Assigns the flight-plan file to the object; false when the call failed. A failure never stops the run.
    virtual bool assignFlightPlan(uint32_t objectId, const std::string& path) = 0;
};

} // namespace hlw
