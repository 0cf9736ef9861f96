#include "engine/live/live_commands.h"

namespace hlw {

namespace {

AiControls lf_controls(const StaticAircraft& aircraft)
{
    return {aircraft.objectId, aircraft.flight.category, static_cast<int32_t>(aircraft.lastFlapsIndex),
            static_cast<int32_t>(aircraft.lastThrottleIndex)};
}

} // namespace

void gf_setAcThrottle(SimCommandQueues& queues, StaticAircraft& aircraft, int32_t throttleIndex)
{
    AiControls controls = lf_controls(aircraft);
    gf_setThrottle(queues, controls, throttleIndex);
    aircraft.lastThrottleIndex = static_cast<uint32_t>(controls.lastThrottleIndex);
}

void gf_setAcFlaps(SimCommandQueues& queues, StaticAircraft& aircraft, int32_t flapsIndex)
{
    AiControls controls = lf_controls(aircraft);
    gf_setFlaps(queues, controls, flapsIndex);
    aircraft.lastFlapsIndex = static_cast<uint32_t>(controls.lastFlapsIndex);
}

void gf_setAcSpoilers(SimCommandQueues& queues, const StaticAircraft& aircraft, int32_t on)
{
    gf_setSpoilers(queues, lf_controls(aircraft), on);
}

void gf_setAcGear(SimCommandQueues& queues, const StaticAircraft& aircraft, uint32_t down)
{
    gf_setGear(queues, lf_controls(aircraft), down);
}

} // namespace hlw
