#pragma once
// The worker's client events for one AI aircraft: engines, lights, spoilers, flaps, gear and throttle, queued
// for the next simulator frame. Flaps and throttle are sent only when their index changes.
#include "engine/sim/sim_commands.h"
#include "refdata/aircraft_category.h"

#include <cstdint>

namespace hlw {

// What the pushers read and write of an aircraft record.
struct AiControls {
    uint32_t objectId = 0;
    AircraftCategory category = AircraftCategory::Large;
    // A new or re-created object: flaps index 4 and throttle index 5 (nothing sent yet).
    int32_t lastFlapsIndex = 4;
    int32_t lastThrottleIndex = 5;
};

struct LightStates {
    uint32_t nav = 0;
    uint32_t beacon = 0;
    uint32_t landing = 0;
    uint32_t taxi = 0;
    uint32_t strobes = 0;
    uint32_t logo = 0;
    uint32_t cabin = 0;
};

void gf_queueEnginesOff(SimCommandQueues& queues, uint32_t objectId);
void gf_queueEnginesOn(SimCommandQueues& queues, uint32_t objectId);
// Seven events: NAV, BEACON, LANDING, TAXI, STROBES, LOGO, CABIN.
void gf_queueLights(SimCommandQueues& queues, uint32_t objectId, const LightStates& lights);
void gf_queueNavLights(SimCommandQueues& queues, uint32_t objectId, uint32_t value);
void gf_queueCabinLights(SimCommandQueues& queues, uint32_t objectId, uint32_t value);
// Nothing for a rotorcraft; otherwise 16383 when on is above 0, else 0.
void gf_setSpoilers(SimCommandQueues& queues, const AiControls& aircraft, int32_t on);
// Index 0..4 gives 0, 3072, 10240, 16383, 0; a larger index is logged and sends nothing. Nothing for a
// rotorcraft or an unchanged index; the index is remembered in every other case.
void gf_setFlaps(SimCommandQueues& queues, AiControls& aircraft, int32_t flapsIndex);
// Nothing for a rotorcraft; otherwise the gear down (1) or up (0).
void gf_setGear(SimCommandQueues& queues, const AiControls& aircraft, uint32_t down);
// Index 0..4 gives 0, 4914, 8191, 11468, 16383; 5 or more sends nothing. Nothing for an unchanged index; the
// index is remembered in every other case. Rotorcraft included.
void gf_setThrottle(SimCommandQueues& queues, AiControls& aircraft, int32_t throttleIndex);

} // namespace hlw
