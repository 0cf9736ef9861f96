#include "engine/live/traffic_engine.h"

#include "core/log.h"
#include "engine/base/run_state.h"
#include "engine/live/live_lifecycle.h"
#include "engine/live/position_stream.h"
#include "engine/live/traffic_intake.h"
#include "settings/catalogue.h"

#include <fmt/format.h>

namespace hlw {

TrafficEngine::TrafficEngine(EngineLinks links, MotionSteps& motion) : links_(std::move(links)), motion_(motion)
{
}

void TrafficEngine::tick()
{
    LiveContext live = context();
    replies_.apply(live, links_.replies, links_.sim);
    updateLiveAircraft(live);
    publishPositions();
    paceSimRequests();
    takeTraffic(live);
    requestFromAddingStack();
    requestAcInRange();
    ++state_.tick;
    links_.traffic.publishEngineTick(state_.tick);
}

void TrafficEngine::applySimReplies()
{
    LiveContext live = context();
    replies_.apply(live, links_.replies, links_.sim);
}

void TrafficEngine::updateLiveAircraft(LiveContext& live)
{
    bool erased = false;
    // By index: an update may append to other lists but never to this one.
    for (std::size_t i = 0; i < state_.live.size(); ++i) {
        erased = updateLiveAc(live, state_.live[i]) || erased;
    }
    if (erased) {
        state_.sweepLive();
    }
}

void TrafficEngine::publishPositions()
{
    links_.commands.publishPositions();
}

void TrafficEngine::paceSimRequests()
{
    if (state_.tick % removalEveryTicks == 0 && !state_.pendingRemovals.empty()) {
        links_.commands.queueRemoval(state_.pendingRemovals.front());
        state_.pendingRemovals.pop_front();
    }
    if (state_.tick % creationEveryTicks != 0) {
        return;
    }
    if (!state_.liveCreations.empty()) {
        links_.commands.queueCreate(std::move(state_.liveCreations.front()));
        state_.liveCreations.pop_front();
        return;
    }
    if (!state_.staticCreations.empty()) {
        links_.commands.queueCreate(std::move(state_.staticCreations.front()));
        state_.staticCreations.pop_front();
    }
    links_.parking.placeNextStatic();
}

void TrafficEngine::takeTraffic(LiveContext& live)
{
    for (int taken = 0; taken < intakePerTick; ++taken) {
        std::optional<TrafficRecord> record = links_.traffic.pop();
        if (!record) {
            return;
        }
        gf_handleTrafficRecord(live, *record);
    }
}

void TrafficEngine::requestFromAddingStack()
{
    if (state_.addingStack.empty()) {
        return;
    }
    const uint32_t hexId = state_.addingStack.back();
    state_.addingStack.pop_back();
    const LiveAircraft* aircraft = state_.findLive(hexId);
    if (aircraft == nullptr) {
        return;
    }
    if (aircraft->flight.callsign.empty()) {
        gf_logAlert(fmt::format("{} {} objectid = 0?", "lf_handleAddingStack", gf_describeAc(aircraft->flight)));
        return;
    }
    state_.liveCreations.push_back(gf_creationRequest(*aircraft));
}

void TrafficEngine::requestAcInRange()
{
    if (state_.tick % inRangeEveryTicks == 0 && !simConnectError.load()) {
        links_.sim.requestAircraftInRange(static_cast<uint32_t>(settings::range.get()) * 1852U);
    }
    if (state_.tick % userPositionEveryTicks == 0) {
        links_.liveLink.sendUserPosition();
        if (std::optional<UserAircraftFix> user = links_.sim.requestUserPosition()) {
            state_.user = *user;
        }
    }
}

void TrafficEngine::reserve()
{
    state_.reserve();
    replies_.reserve();
}

void TrafficEngine::reset()
{
    state_.reset();
    replies_.clear();
    links_.traffic.clear();
    links_.parking.clearParkAirportList();
}

} // namespace hlw
