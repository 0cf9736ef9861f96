#include "engine/live/engine_lifecycle.h"

#include "core/reference_time.h"
#include "engine/base/run_state.h"
#include "engine/live/live_lifecycle.h"
#include "engine/live/live_list.h"
#include "engine/live/live_safety.h"
#include "engine/live/refused_liveries.h"
#include "engine/sim/sim_ai_commands.h"
#include "settings/catalogue.h"

#include <algorithm>
#include <stdexcept>

namespace hlw {

namespace {

bool lf_isActive(const StaticAircraft& aircraft) noexcept { return aircraft.state == SimObjectState::active; }

} // namespace

TrafficEngine& EngineLifecycle::engine() const
{
    if (engine_ == nullptr) {
        throw std::logic_error("EngineLifecycle used before its engine was attached");
    }
    return *engine_;
}

void EngineLifecycle::refreshCounts(StatusBoard& status)
{
    LiveEngineState& state = engine().state();
    if (const WeekdaySlot now = gf_unpackWeekdaySlot(nowWeekdaySlot.load()); now.weekday >= 1) {
        state.weekday = static_cast<uint32_t>(now.weekday);
        state.halfHour = static_cast<uint32_t>(now.slot);
    }
    const int32_t parked = gf_countParkedLive(state, &status);
    const auto flying = static_cast<int32_t>(std::ranges::count_if(state.live, [](const LiveAircraft& aircraft) {
        return lf_isActive(aircraft) && aircraft.phase != MovementPhase::parked;
    }));
    const int32_t statics = gf_staticParkedCount(state, &status);
    status.update([&](StatusValues& values) {
        values.liveCount = flying;
        values.parkedLiveCount = parked;
        values.staticCount = statics;
    });
}

void EngineLifecycle::takeArrival()
{
    LiveEngineState& state = engine().state();
    if (state.arrivals.empty()) {
        return;
    }
    const uint32_t hexId = state.arrivals.front();
    state.arrivals.pop_front();
    LiveAircraft* aircraft = state.findLive(hexId);
    if (aircraft == nullptr) {
        return;
    }
    if (aircraft->flight.slotsMarked == 0) {
        engine().links().parking.markUsedSlots(*aircraft);
        aircraft->flight.slotsMarked = 1;
    }
    LiveContext live = engine().context();
    safety_.removeStaticTwinOf(live, *aircraft);
}

std::optional<uint32_t> EngineLifecycle::objectIdOf(std::string_view callsign)
{
    LiveEngineState& state = engine().state();
    const auto it = std::ranges::find_if(state.live, [callsign](const LiveAircraft& aircraft) {
        return lf_isActive(aircraft) && aircraft.flight.callsign == callsign;
    });
    if (it == state.live.end()) {
        return std::nullopt;
    }
    state.selectedObjectId = it->objectId;
    return it->objectId;
}

void EngineLifecycle::removeAllStatic()
{
    LiveContext live = engine().context();
    gf_removeAllStatic(live);
}

void EngineLifecycle::fillCallsignList() { gf_fillCallsignList(engine().state()); }

void EngineLifecycle::removeGroundAircraftNearUser()
{
    LiveContext live = engine().context();
    safety_.removeGroundAircraftNearUser(live);
}

void EngineLifecycle::removeGroundAircraftAheadOfUser()
{
    LiveContext live = engine().context();
    safety_.removeGroundAircraftAheadOfUser(live);
}

void EngineLifecycle::checkMovingAgainstParked()
{
    LiveContext live = engine().context();
    safety_.checkMovingAgainstParked(live);
}

void EngineLifecycle::removeByCallsign(std::string_view callsign)
{
    LiveContext live = engine().context();
    for (LiveAircraft& aircraft : engine().state().live) {
        if (lf_isActive(aircraft) && aircraft.flight.callsign == callsign) {
            removeAircraftFromSim(live, aircraft);
        }
    }
}

void EngineLifecycle::removeStaticTwins()
{
    LiveContext live = engine().context();
    safety_.removeStaticTwins(live);
}

void EngineLifecycle::removeForLostLink()
{
    LiveContext live = engine().context();
    LiveEngineState& state = engine().state();
    for (LiveAircraft& aircraft : state.live) {
        if (lf_isActive(aircraft) || aircraft.state == SimObjectState::adding2sim) {
            removeAircraftFromSim(live, aircraft);
        }
    }
    std::erase_if(state.live, [](const LiveAircraft& aircraft) { return aircraft.creationCancelled != 0; });
}

void EngineLifecycle::freeStand(std::string_view stand)
{
    LiveContext live = engine().context();
    safety_.freeStand(live, stand);
}

void EngineLifecycle::forgetMatchingNames() { engine().state().rememberedTitles.clear(); }

void EngineLifecycle::forgetTitlesPerHexId() { engine().state().rememberedTitles.clear(); }

void EngineLifecycle::forgetGhostNames() { engine().state().ghosts.clear(); }

void EngineLifecycle::writeObjectIdList() { gf_writeLiveAcList(engine().state(), paths::objectIdListPath); }

void EngineLifecycle::logUnmatchedNames() { gf_logNoMatch(engine().state().unmatchedNames); }

void EngineLifecycle::setParkedNavLights(bool on)
{
    LiveEngineState& state = engine().state();
    SimCommandQueues& queues = engine().links().commands;
    const uint32_t value = on ? 1U : 0U;
    for (const StaticAircraft& aircraft : state.statics) {
        if (lf_isActive(aircraft)) {
            gf_queueNavLights(queues, aircraft.objectId, value);
        }
    }
    for (const LiveAircraft& aircraft : state.live) {
        if (lf_isActive(aircraft) && aircraft.phase == MovementPhase::parked) {
            gf_queueNavLights(queues, aircraft.objectId, value);
        }
    }
}

void EngineLifecycle::trimToLiveLimit()
{
    const auto active = static_cast<int32_t>(std::ranges::count_if(engine().state().live, lf_isActive));
    LiveContext live = engine().context();
    for (int32_t excess = active - settings::maxLiveSel.get(); excess > 0; --excess) {
        if (gf_removeFarthestLiveAc(live, -1.0)) {
            return;
        }
    }
}

} // namespace hlw
