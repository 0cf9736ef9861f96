#include "engine/live/engine_services.h"

#include "core/log.h"
#include "core/run_state_port.h"
#include "engine/live/flight_plans.h"
#include "engine/live/live_list.h"
#include "engine/live/live_safety.h"

#include <fmt/format.h>

#include <system_error>

namespace hlw {

bool EngineServices::makeRoomFor(double distanceNm)
{
    LiveContext live = context();
    return !gf_removeFarthestLiveAc(live, distanceNm);
}

bool EngineServices::createFlightPlan(uint32_t objectId, const FlightRecord& flight)
{
    const std::filesystem::path path = gf_flightPlanPath(links_.flightPlanFolder(), objectId);
    bool set = gf_writeFlightPlan(path, flight);
    if (set && gf_runState().simIsMsfs2020()) {
        set = links_.sim.assignFlightPlan(objectId, path.string());
        if (!set) {
            std::error_code ignored;
            std::filesystem::remove(path, ignored);
        }
    }
    if (!set) {
        gf_log(fmt::format("{} creating a flight plan failed", gf_describeAc(flight)));
    }
    return set;
}

void EngineServices::deleteFlightPlan(uint32_t objectId)
{
    std::error_code error;
    std::filesystem::remove(gf_flightPlanPath(links_.flightPlanFolder(), objectId), error);
    if (error) {
        gf_log(fmt::format("gf_removeFlightPlan: {}", error.message()));
    }
}

bool EngineServices::aheadOfAirborneUser(const LiveAircraft& aircraft)
{
    return state_.user && gf_isAheadOfUser(aircraft, *state_.user, airAheadTable);
}

void EngineServices::resetCallsignList()
{
    gf_resetCallsignList(links_.status);
}

} // namespace hlw
