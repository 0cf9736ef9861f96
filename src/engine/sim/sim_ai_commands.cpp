#include "engine/sim/sim_ai_commands.h"

#include "core/log.h"
#include "platform/sim/sim_program_ids.h"

#include <array>

namespace hlw {
namespace {

using namespace sim_ids;

constexpr std::array<uint32_t, 5> flapsValues = {0, 3072, 10240, 16383, 0};
constexpr std::array<uint32_t, 5> throttleValues = {0, 4914, 8191, 11468, 16383};

void queueOne(SimCommandQueues& queues, uint32_t objectId, uint32_t eventId, uint32_t value) {
    queues.queueEvent({objectId, eventId, value});
}

} // namespace

void gf_queueEnginesOff(SimCommandQueues& queues, uint32_t objectId) {
    queueOne(queues, objectId, kClientEngineAutoShutdown, 0);
}

void gf_queueEnginesOn(SimCommandQueues& queues, uint32_t objectId) {
    queueOne(queues, objectId, kClientEngineAutoStart, 0);
}

void gf_queueLights(SimCommandQueues& queues, uint32_t objectId, const LightStates& lights) {
    const std::array<ClientEventRequest, 7> events = {{
        {objectId, kClientNavLightsSet, lights.nav},
        {objectId, kClientBeaconLightsSet, lights.beacon},
        {objectId, kClientLandingLightsSet, lights.landing},
        {objectId, kClientTaxiLightsSet, lights.taxi},
        {objectId, kClientStrobesSet, lights.strobes},
        {objectId, kClientLogoLightsSet, lights.logo},
        {objectId, kClientCabinLightsSet, lights.cabin},
    }};
    queues.queueEvents(events.data(), events.size());
}

void gf_queueNavLights(SimCommandQueues& queues, uint32_t objectId, uint32_t value) {
    queueOne(queues, objectId, kClientNavLightsSet, value);
}

void gf_queueCabinLights(SimCommandQueues& queues, uint32_t objectId, uint32_t value) {
    queueOne(queues, objectId, kClientCabinLightsSet, value);
}

void gf_setSpoilers(SimCommandQueues& queues, const AiControls& aircraft, int32_t on) {
    if (aircraft.category != AircraftCategory::Rotorcraft) {
        queueOne(queues, aircraft.objectId, kClientSpoilersSet, on > 0 ? 16383u : 0u);
    }
}

void gf_setFlaps(SimCommandQueues& queues, AiControls& aircraft, int32_t flapsIndex) {
    if (flapsIndex == aircraft.lastFlapsIndex || aircraft.category == AircraftCategory::Rotorcraft) {
        return;
    }
    if (flapsIndex < 0 || flapsIndex > 4) {
        gf_logAlert("gf_setFlaps: invalid flaps index");
    } else {
        queueOne(queues, aircraft.objectId, kClientFlapsSet, flapsValues[static_cast<size_t>(flapsIndex)]);
    }
    aircraft.lastFlapsIndex = flapsIndex;
}

void gf_setGear(SimCommandQueues& queues, const AiControls& aircraft, uint32_t down) {
    if (aircraft.category != AircraftCategory::Rotorcraft) {
        queueOne(queues, aircraft.objectId, kClientGearSet, down);
    }
}

void gf_setThrottle(SimCommandQueues& queues, AiControls& aircraft, int32_t throttleIndex) {
    if (throttleIndex == aircraft.lastThrottleIndex) {
        return;
    }
    if (throttleIndex >= 0 && throttleIndex <= 4) {
        queueOne(queues, aircraft.objectId, kClientThrottleSet, throttleValues[static_cast<size_t>(throttleIndex)]);
    }
    aircraft.lastThrottleIndex = throttleIndex;
}

} // namespace hlw
