#include "headless_driver.h"

#include "engine/live/live_lifecycle.h"
#include "engine/live/optional_categories.h"
#include "engine/live/position_stream.h"
#include "engine/live/received_positions.h"
#include "engine/live/reply_application.h"
#include "records/refused_titles.h"
#include "settings/catalogue.h"

#include <algorithm>
#include <chrono>

namespace hlw::test {

namespace {

// A created object is configured and moved this many ticks after its binding.
constexpr int32_t configureAfterTicks = 200;

} // namespace

HeadlessDriver::HeadlessDriver(SimCommandQueues& commands, SimReplyQueue& replies)
    : commands_(commands), replies_(replies)
{
    state.reserve();
}

LiveContext HeadlessDriver::context()
{
    return {state, commands_, *parkingPort, *services, *motion, time};
}

void HeadlessDriver::schedule(const std::vector<TimedRecord>& records)
{
    scheduled_.insert(scheduled_.end(), records.begin(), records.end());
    std::ranges::stable_sort(scheduled_, {}, &TimedRecord::arrivalTick);
}

void HeadlessDriver::tick()
{
    if (beforeTick) {
        beforeTick();
    }
    LiveContext live = context();
    applyReplies(live);
    bool erased = false;
    for (LiveAircraft& aircraft : state.live) {
        erased = updateLiveAc(live, aircraft) || erased;
    }
    if (erased) {
        state.sweepLive();
    }
    for (const AiPositionUpdate& update : commands_.fillBuffer()) {
        sent.push_back({state.tick, update});
    }
    commands_.publishPositions();
    paceRequests();
    for (int taken = 0; taken < 2 && !scheduled_.empty() && scheduled_.front().arrivalTick <= state.tick; ++taken) {
        intake(live, scheduled_.front().record);
        scheduled_.pop_front();
    }
    turnAddingStackIntoRequest();
    ++state.tick;
    time.advance(std::chrono::milliseconds(10));
    if (afterTick) {
        afterTick();
    }
}

void HeadlessDriver::runTicks(int32_t count)
{
    for (int32_t i = 0; i < count; ++i) {
        tick();
    }
}

void HeadlessDriver::runUntilEmpty(int32_t maxTicks)
{
    for (int32_t i = 0; i < maxTicks && (!state.live.empty() || !scheduled_.empty()); ++i) {
        tick();
    }
}

void HeadlessDriver::applyReplies(LiveContext& live)
{
    {
        const auto held = replies_.lock();
        std::vector<SimReply>& entries = replies_.entries(held);
        for (const SimReply& reply : entries) {
            applyReply(live, reply);
        }
        entries.clear();
    }
    configureDeferred(live);
}

void HeadlessDriver::applyReply(LiveContext& live, const SimReply& reply)
{
    switch (reply.type) {
    case SimReplyType::liveCreated: {
        LiveAircraft* aircraft = state.findLive(reply.hexIdOrFlag);
        if (aircraft == nullptr || aircraft->state != SimObjectState::adding2sim) {
            // An object no record waits for would stay frozen in the simulator.
            state.pendingRemovals.push_back(reply.objectId);
        } else if (gf_onObjectCreated(live, *aircraft, reply.objectId, reply.value2)) {
            // As the reply application: an object in the air moves from its first frame.
            if (aircraft->groundMode == 0) {
                gf_setState(live, *aircraft, SimObjectState::active);
            }
            deferred_.push_back(reply);
        }
        break;
    }
    case SimReplyType::objectRemoved:
        gf_onObjectRemoved(live, reply.objectId);
        break;
    case SimReplyType::onGroundStatus:
        if (LiveAircraft* aircraft = state.findLiveByObject(reply.objectId)) {
            gf_applyOnGroundStatus(live, *sim, *aircraft, reply);
        }
        break;
    case SimReplyType::staticCg:
        if (LiveAircraft* aircraft = state.findLiveByObject(reply.objectId)) {
            gf_applyStaticCg(aircraft->flight, reply.value1, reply.value2);
        }
        break;
    case SimReplyType::removedWhileBlocked:
        gf_removeWhileBlocked(live, reply.hexIdOrFlag);
        break;
    case SimReplyType::createFailed:
        for (std::size_t i = 0; i < state.live.size(); ++i) {
            if (state.live[i].flight.hexId == reply.hexIdOrFlag) {
                gf_refusedTitles().add(std::string(state.live[i].flight.title));
                state.eraseLive(i);
                break;
            }
        }
        break;
    case SimReplyType::staticCreated:
        break;
    }
}

void HeadlessDriver::configureDeferred(LiveContext& live)
{
    for (SimReply& reply : deferred_) {
        if (++reply.waitCount < configureAfterTicks) {
            continue;
        }
        reply.waitCount = -1;
        LiveAircraft* aircraft = state.findLive(reply.hexIdOrFlag);
        if (aircraft == nullptr || aircraft->objectId != reply.objectId ||
            (aircraft->state != SimObjectState::adding2sim && aircraft->state != SimObjectState::active)) {
            continue;
        }
        if (aircraft->state == SimObjectState::adding2sim) {
            gf_setState(live, *aircraft, SimObjectState::active);
        }
        if (aircraft->removeWhenCreated != 0) {
            removeAircraftFromSim(live, *aircraft);
        }
    }
    std::erase_if(deferred_, [](const SimReply& reply) { return reply.waitCount < 0; });
}

void HeadlessDriver::intake(LiveContext& live, const TrafficRecord& record)
{
    LiveAircraft* aircraft = state.findLive(record.hexId);
    if (aircraft == nullptr) {
        FlightRecord flight = gf_makeFlightRecord(record);
        if (gf_categoryShown(flight.category)) {
            state.live.emplace_back(record.position, std::move(flight), record.timestamp);
        }
        return;
    }
    if (aircraft->state == SimObjectState::liveryrespawn || aircraft->state == SimObjectState::removingfromsim ||
        record.timestamp - aircraft->lastTimestamp <= 1.0) {
        return;
    }
    if (!gf_checkRespawn(live, *aircraft, record.head)) {
        return;
    }
    aircraft->lastTimestamp = record.timestamp;
    decodeExisting(live, *aircraft, record.position);
}

void HeadlessDriver::paceRequests()
{
    if (state.tick % 10 == 0 && !state.pendingRemovals.empty()) {
        commands_.queueRemoval(state.pendingRemovals.front());
        state.pendingRemovals.pop_front();
    }
    if (state.tick % 50 == 0 && !state.liveCreations.empty()) {
        handedCreations.push_back(state.liveCreations.front());
        commands_.queueCreate(std::move(state.liveCreations.front()));
        state.liveCreations.pop_front();
    }
}

void HeadlessDriver::turnAddingStackIntoRequest()
{
    if (state.addingStack.empty()) {
        return;
    }
    const uint32_t hexId = state.addingStack.back();
    state.addingStack.pop_back();
    const LiveAircraft* aircraft = state.findLive(hexId);
    if (aircraft == nullptr || aircraft->flight.callsign.empty()) {
        return;
    }
    state.liveCreations.push_back(gf_creationRequest(*aircraft));
}

} // namespace hlw::test
