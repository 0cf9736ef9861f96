#include "engine/live/reply_application.h"

#include "core/log.h"
#include "engine/live/angles.h"
#include "engine/live/live_commands.h"
#include "engine/live/live_lifecycle.h"
#include "engine/live/refused_liveries.h"
#include "engine/live/roll_legs.h"
#include "platform/sim/sim_program_ids.h"
#include "settings/catalogue.h"

#include <fmt/format.h>

#include <algorithm>
#include <exception>
#include <mutex>

namespace hlw {

namespace {

constexpr double minStaticCgFt = 1.0;
constexpr double maxStaticCgFt = 35.0;
constexpr double minStaticPitchRad = -1.0 * radPerDeg;
constexpr double maxStaticPitchRad = 2.5 * radPerDeg;
constexpr double defaultStaticPitchRad = 0.7 * radPerDeg;
constexpr double landingLightsCeilingFt = 10000.0;
constexpr double cabinLightsFloorFt = 2000.0;

void lf_touchdown(LiveContext& context, SimRequests& sim, LiveAircraft& aircraft)
{
    FlightRecord& flight = aircraft.flight;
    aircraft.touchdown = 1;
    aircraft.landingRoll = 1;
    aircraft.landed = 1;
    aircraft.landing = 0;
    aircraft.mayBeTowed = 1;
    aircraft.headingAtTouchdown = aircraft.heading;
    gf_setAcSpoilers(context.commands, aircraft, 1);
    if (flight.category != AircraftCategory::Light) {
        const double levers = flight.fsltlLivery ? -100.0 : 100.0;
        sim.setSpoilersThrottle(aircraft.objectId, {100.0, levers, levers});
    }
    const auto settleTicks = static_cast<double>(flight.touchdownTicks);
    if (settleTicks > 0.0) {
        aircraft.pitchRate = (flight.staticPitchRad - aircraft.pitch) / settleTicks;
        aircraft.bankRate = -aircraft.bank / settleTicks;
    } else {
        gf_log(fmt::format("{} ! onGround slots {:.1f}", flight.callsign, settleTicks));
        aircraft.bankRate = 0.0;
        aircraft.pitchRate = flight.staticPitchRad;
    }
    context.state.arrivals.push_back(flight.hexId);
}

LightStates lf_airborneLights(const LiveAircraft& aircraft)
{
    const uint32_t low = aircraft.altitudeFt <= landingLightsCeilingFt ? 1 : 0;
    return {.nav = 1,
            .beacon = 1,
            .landing = low,
            .taxi = 0,
            .strobes = 1,
            .logo = low,
            .cabin = aircraft.heightAboveGroundFt >= cabinLightsFloorFt ? 1U : 0U};
}

void lf_configureOnGround(LiveContext& context, LiveAircraft& aircraft)
{
    const bool parked = aircraft.phase == MovementPhase::parked;
    const bool taxi = aircraft.phase == MovementPhase::taxi;
    gf_setAcSpoilers(context.commands, aircraft, 0);
    if (parked) {
        gf_queueEnginesOff(context.commands, aircraft.objectId);
    } else {
        gf_queueEnginesOn(context.commands, aircraft.objectId);
    }
    const uint32_t nav = parked ? (settings::navLightsWhileParked.get() ? 1U : 0U) : 1U;
    gf_queueLights(context.commands, aircraft.objectId,
                   {.nav = nav,
                    .beacon = parked ? 0U : 1U,
                    .landing = 0,
                    .taxi = taxi ? 1U : 0U,
                    .strobes = 0,
                    .logo = 1,
                    .cabin = 1});
    gf_setAcThrottle(context.commands, aircraft, aircraft.flight.category == AircraftCategory::Rotorcraft ? 4 : 0);
    gf_setAcFlaps(context.commands, aircraft, taxi ? 1 : 0);
}

} // namespace

void gf_applyOnGroundStatus(LiveContext& context, SimRequests& sim, LiveAircraft& aircraft, const SimReply& reply)
{
    if (reply.hexIdOrFlag == 1 && aircraft.groundMode == 0 && aircraft.phaseCountdown <= 1 &&
        aircraft.state != SimObjectState::removingfromsim && aircraft.phase != MovementPhase::take_off) {
        if (aircraft.flareStage != 0 || aircraft.landing != 0) {
            lf_touchdown(context, sim, aircraft);
        } else if (aircraft.phase == MovementPhase::flying) {
            // Down without a flare (no park airport near): it rolls out as a landed aircraft all the same.
            aircraft.landingRoll = 1;
            aircraft.landed = 1;
            aircraft.headingAtTouchdown = aircraft.heading;
        }
        aircraft.groundMode = 1;
        aircraft.altitudeRate = 0.0;
        aircraft.phaseCountdown = 1;
        if (aircraft.landingRoll != 0 && aircraft.state == SimObjectState::active) {
            gf_rollOutFromTouchdown(context, aircraft);
        }
    }
    aircraft.heightAboveGroundFt = reply.value2;
    aircraft.groundAltitudeFt = reply.value1;
    if (aircraft.groundMode != 0 || aircraft.phaseCountdown >= 2) {
        aircraft.altitudeFt = reply.value1 + aircraft.flight.staticCgHeightFt;
    }
    // A bound object created on the ground starts to move once the simulator has told where the ground under it
    // lies and how high its centre of gravity stands above it, instead of standing until its configuration two
    // seconds later and starting that far behind its positions.
    if (aircraft.state == SimObjectState::adding2sim && aircraft.objectId != 0 && aircraft.groundMode != 0 &&
        reply.hexIdOrFlag == 1 && aircraft.flight.staticCgHeightFt > 0.0) {
        gf_setState(context, aircraft, SimObjectState::active);
        if (aircraft.removeWhenCreated != 0) {
            removeAircraftFromSim(context, aircraft);
        }
    }
}

void gf_applyStaticCg(FlightRecord& flight, double heightFt, double pitchRad) noexcept
{
    if (heightFt >= minStaticCgFt && heightFt <= maxStaticCgFt) {
        flight.staticCgHeightFt = heightFt;
    }
    const bool plausible = pitchRad > minStaticPitchRad && pitchRad <= maxStaticPitchRad;
    flight.staticPitchRad = plausible ? pitchRad : defaultStaticPitchRad;
}

void ReplyApplication::apply(LiveContext& context, SimReplyQueue& replies, SimRequests& sim)
{
    const std::unique_lock held = replies.lock();
    std::vector<SimReply>& entries = replies.entries(held);
    std::size_t applied = 0;
    try {
        while (applied < entries.size()) {
            const SimReply reply = entries[applied++];
            applyOne(context, sim, reply);
        }
    } catch (...) {
        // The replies applied so far are not applied again.
        entries.erase(entries.begin(), entries.begin() + static_cast<std::ptrdiff_t>(applied));
        throw;
    }
    entries.clear();
    if (!deferred_.empty()) {
        parkCreatedObjects(context);
    }
}

void ReplyApplication::applyOne(LiveContext& context, SimRequests& sim, const SimReply& reply)
{
    LiveEngineState& state = context.state;
    switch (reply.type) {
    case SimReplyType::liveCreated:
        onLiveCreated(context, reply);
        return;
    case SimReplyType::staticCreated:
        deferred_.push_back(reply);
        return;
    case SimReplyType::objectRemoved:
        onObjectRemoved(context, reply.objectId);
        return;
    case SimReplyType::onGroundStatus:
        if (LiveAircraft* aircraft = state.findLiveByObject(reply.objectId)) {
            gf_applyOnGroundStatus(context, sim, *aircraft, reply);
        }
        return;
    case SimReplyType::staticCg:
        if (LiveAircraft* aircraft = state.findLiveByObject(reply.objectId)) {
            gf_applyStaticCg(aircraft->flight, reply.value1, reply.value2);
        }
        return;
    case SimReplyType::removedWhileBlocked:
        gf_removeWhileBlocked(context, reply.hexIdOrFlag);
        return;
    case SimReplyType::createFailed:
        onCreateFailed(context, reply.hexIdOrFlag);
        return;
    }
}

void ReplyApplication::onLiveCreated(LiveContext& context, const SimReply& reply)
{
    LiveAircraft* aircraft = context.state.findLive(reply.hexIdOrFlag);
    if (aircraft == nullptr || aircraft->state != SimObjectState::adding2sim) {
        // No record waits for this object: it would stand frozen in the simulator.
        if (reply.objectId > 2) {
            context.state.pendingRemovals.push_back(reply.objectId);
        }
        return;
    }
    if (!gf_onObjectCreated(context, *aircraft, reply.objectId, reply.value2)) {
        return;
    }
    // An object in the air moves from its first frame: standing still until its configuration it would start two
    // seconds behind its positions. One on the ground (created there, or on a runway from reports the traffic
    // reader took as airborne) waits for the simulator's first on-ground report (see gf_applyOnGroundStatus).
    // Engines, lights, throttle and flaps follow 200 ticks later.
    if (aircraft->groundMode == 0) {
        gf_setState(context, *aircraft, SimObjectState::active);
        if (aircraft->removeWhenCreated != 0) {
            removeAircraftFromSim(context, *aircraft);
            return;
        }
    }
    deferred_.push_back(reply);
}

void ReplyApplication::onObjectRemoved(LiveContext& context, uint32_t objectId)
{
    std::erase_if(deferred_, [objectId](const SimReply& reply) { return reply.objectId == objectId; });
    gf_onObjectRemoved(context, objectId);
}

void ReplyApplication::onCreateFailed(LiveContext& context, uint32_t hexId)
{
    LiveEngineState& state = context.state;
    if (hexId > staticHexIdLimit) {
        const auto it = std::ranges::find_if(state.live, [hexId](const LiveAircraft& ac) { return ac.flight.hexId == hexId; });
        if (it != state.live.end()) {
            const FlightRecord flight = it->flight;
            state.eraseLive(static_cast<std::size_t>(it - state.live.begin()));
            gf_liveryNotCreated(flight);
        }
        return;
    }
    const auto it =
        std::ranges::find_if(state.statics, [hexId](const StaticAircraft& ac) { return ac.flight.hexId == hexId; });
    if (it != state.statics.end()) {
        const FlightRecord flight = it->flight;
        state.eraseStatic(static_cast<std::size_t>(it - state.statics.begin()));
        gf_liveryNotCreated(flight);
    }
}

void ReplyApplication::parkCreatedObjects(LiveContext& context)
{
    bool anyDone = false;
    for (SimReply& reply : deferred_) {
        if (reply.waitCount < 0) {
            continue;
        }
        ++reply.waitCount;
        const bool done = reply.type == SimReplyType::staticCreated ? configureStatic(context, reply)
                                                                     : configureLive(context, reply);
        if (done) {
            reply.waitCount = -1;
            anyDone = true;
        }
    }
    if (anyDone) {
        std::erase_if(deferred_, [](const SimReply& reply) { return reply.waitCount < 0; });
    }
}

bool ReplyApplication::configureStatic(LiveContext& context, const SimReply& reply)
{
    if (reply.waitCount < configureAfterTicks) {
        return false;
    }
    std::vector<StaticAircraft>& statics = context.state.statics;
    const auto it = std::ranges::find_if(
        statics, [&reply](const StaticAircraft& ac) { return ac.flight.hexId == reply.hexIdOrFlag; });
    if (it == statics.end() || (it->objectId != 0 && it->objectId != reply.objectId)) {
        return true;
    }
    StaticAircraft& aircraft = *it;
    gf_setState(context, aircraft, SimObjectState::active);
    aircraft.objectId = reply.objectId;
    context.motion.setParkedConfig(context, aircraft);
    gf_log(fmt::format("{:8}: {:8} parked", context.parking.standName(aircraft.standNumber), aircraft.flight.callsign));
    if (aircraft.removeWhenCreated != 0) {
        removeAircraftFromSim(context, aircraft);
    }
    return true;
}

bool ReplyApplication::configureLive(LiveContext& context, const SimReply& reply)
{
    if (std::ranges::find(lightToggleTicks, reply.waitCount) != std::end(lightToggleTicks)) {
        context.commands.queueEvent({reply.objectId, sim_ids::kClientAllLightsToggle, 0});
    }
    if (reply.waitCount < configureAfterTicks) {
        return false;
    }
    LiveAircraft* aircraft = context.state.findLive(reply.hexIdOrFlag);
    if (aircraft == nullptr || aircraft->objectId != reply.objectId ||
        (aircraft->state != SimObjectState::active && aircraft->state != SimObjectState::adding2sim)) {
        return true;
    }
    const bool airborne = aircraft->positions.empty() ? aircraft->groundMode == 0
                                                      : aircraft->positions.front().airborne != 0;
    if (airborne) {
        gf_queueEnginesOn(context.commands, aircraft->objectId);
        gf_setAcSpoilers(context.commands, *aircraft, 0);
        gf_queueLights(context.commands, aircraft->objectId, lf_airborneLights(*aircraft));
    } else {
        lf_configureOnGround(context, *aircraft);
    }
    if (aircraft->state == SimObjectState::adding2sim) {
        gf_setState(context, *aircraft, SimObjectState::active);
        if (aircraft->removeWhenCreated != 0) {
            removeAircraftFromSim(context, *aircraft);
        }
    }
    return true;
}

} // namespace hlw
