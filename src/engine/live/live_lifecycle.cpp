#include "engine/live/live_lifecycle.h"

#include "core/log.h"
#include "core/time_text.h"
#include "engine/intake/traffic_line_parser.h"
#include "engine/live/angles.h"
#include "engine/live/attitude.h"
#include "engine/sim/user_aircraft.h"
#include "liveries/livery_catalogue.h"
#include "records/not_created_liveries.h"
#include "records/refused_titles.h"
#include "records/stand_record.h"
#include "refdata/code_table.h"
#include "refdata/reference_lookups.h"
#include "settings/catalogue.h"

#include <fmt/format.h>

#include <algorithm>
#include <exception>

namespace hlw {

namespace {

bool lf_endsWithUnderscore(std::string_view callsign) noexcept
{
    return !callsign.empty() && callsign.back() == '_';
}

bool lf_isGhostListed(const LiveEngineState& state, std::string_view callsign)
{
    return std::ranges::find(state.ghosts, callsign) != state.ghosts.end();
}

// A callsign ending in "_" whose base callsign belongs to a live aircraft that is not being removed.
bool lf_baseIsLive(LiveEngineState& state, std::string_view callsign)
{
    if (!lf_endsWithUnderscore(callsign)) {
        return false;
    }
    const LiveAircraft* base = state.findLiveByCallsign(callsign.substr(0, callsign.size() - 1));
    return base != nullptr && base->state != SimObjectState::removingfromsim;
}

bool lf_mixesAirAndGround(const LiveAircraft& aircraft)
{
    bool air = false;
    bool ground = false;
    for (const PositionRecord& position : aircraft.positions) {
        (position.airborne != 0 ? air : ground) = true;
    }
    return air && ground;
}

LatLon lf_at(const PositionRecord& position) noexcept
{
    return {position.latitude, position.longitude};
}

// Positions of a new aircraft near the user aircraft; true when the front position was dropped.
bool lf_userProximityDropped(LiveContext& context, LiveAircraft& aircraft)
{
    if (!context.state.user) {
        return false;
    }
    const UserAircraftFix& user = *context.state.user;
    const LatLon userAt{user.latitude, user.longitude};
    if (!gf_isKnownPosition(userAt)) {
        return false;
    }
    const PositionRecord& front = aircraft.positions.front();
    const double distanceNm = gf_distanceNm(userAt, lf_at(front));
    bool drop = false;
    if (user.onGround) {
        if (aircraft.userClearance != 0) {
            drop = user.groundSpeedKt > 8.0 ||
                   (front.airborne == 0 && (front.groundSpeedKt > 8.0 || distanceNm * metresPerNm <= 500.0));
        } else {
            drop = settings::collisionUserGnd.get() && front.airborne == 0 && distanceNm <= 0.081;
        }
    } else if (settings::collisionUserAir.get()) {
        if (aircraft.userClearance == 0) {
            aircraft.latitude = front.latitude;
            aircraft.longitude = front.longitude;
            aircraft.altitudeFt = front.altitudeFt;
            aircraft.heading = gf_normaliseTwoPi(front.trackDeg * radPerDeg);
            aircraft.userClearance = context.services.aheadOfAirborneUser(aircraft) ? 1 : 0;
        }
        drop = aircraft.userClearance != 0;
    }
    if (drop) {
        aircraft.positions.pop_front();
    }
    return drop;
}

// The codes of the reference database's record of the registration; the airline from the callsign or "PVT" when
// the record gives none.
void lf_completeCodes(FlightRecord& flight)
{
    if (!flight.registration.empty()) {
        if (const std::optional<RegistrationCodes> codes = gf_findDbaseRecord(flight.registration)) {
            flight.airline = codes->airline;
            flight.secondAirline = codes->secondAirline;
            flight.model = codes->model;
            flight.cargo = codes->cargo;
            flight.registrationKnown = codes->valid;
        }
    }
    if (flight.airline == 0) {
        const std::optional<std::string> fromCallsign = gf_callsignAirline(flight.callsign);
        flight.airline = gf_airlineIndex(fromCallsign ? *fromCallsign : std::string("PVT"));
    }
}

bool lf_validLabel(const FlightRecord& flight) noexcept
{
    return flight.airline != 0 && flight.model != 0;
}

// The key of the refused liveries: model code, a blank, airline code.
std::string lf_refusedKey(const FlightRecord& flight)
{
    return fmt::format("{} {}", gf_modelText(flight.model), gf_airlineText(flight.airline));
}

void lf_setTitle(FlightRecord& flight, std::string_view title)
{
    flight.title = title;
    flight.fsltlLivery = title.find("FSLTL_") != std::string_view::npos;
}

void lf_setInitialAttitude(LiveContext& context, LiveAircraft& aircraft)
{
    context.state.arrivals.push_back(aircraft.flight.hexId);
    const PositionRecord& front = aircraft.positions.front();
    const PositionRecord& next = aircraft.positions[1];
    aircraft.latitude = front.latitude;
    aircraft.longitude = front.longitude;
    aircraft.altitudeFt = front.altitudeFt;
    aircraft.trueAirspeedKt = front.trueAirspeedKt;
    aircraft.verticalSpeedFps = front.verticalSpeedFpm / 60.0;
    aircraft.pitch = front.airborne != 0 ? gf_pitchForVerticalSpeed(front.verticalSpeedFpm) : 0.6 * radPerDeg;
    // A received bank is held to the category's limit, as in flight.
    const double maxBank = gf_attitudeLimits(aircraft.flight.category).maxBankRad;
    aircraft.bank = std::clamp(front.bankRad.value_or(0.0), -maxBank, maxBank);
    double heading = 0.0;
    if (aircraft.respawn != 0) {
        heading = aircraft.respawnHeading;
    } else if (aircraft.phase == MovementPhase::parked) {
        heading = aircraft.standHeading;
    } else if (next.stationary != 0) {
        heading = front.trackDeg * radPerDeg;
    } else {
        heading = gf_bearingRad(lf_at(front), lf_at(next));
    }
    aircraft.heading = gf_normaliseTwoPi(heading);
    aircraft.userClearance = 0;
}

bool lf_canWithdraw(LiveEngineState& state, const StaticAircraft& aircraft)
{
    const auto sameCallsign = [&aircraft](const AiCreateRequest& request) {
        return request.callsign == aircraft.flight.callsign;
    };
    for (std::deque<AiCreateRequest>* queue : {&state.liveCreations, &state.staticCreations}) {
        if (const auto it = std::ranges::find_if(*queue, sameCallsign); it != queue->end()) {
            queue->erase(it);
            return true;
        }
    }
    // Not yet turned into a request: the hex id still waits on the adding stack.
    if (const auto it = std::ranges::find(state.addingStack, aircraft.flight.hexId); it != state.addingStack.end()) {
        state.addingStack.erase(it);
        return true;
    }
    return false;
}

void lf_clearSelection(LiveContext& context, uint32_t objectId)
{
    if (objectId != 0 && objectId == context.state.selectedObjectId) {
        context.state.selectedObjectId = 0;
        context.services.resetCallsignList();
    }
}

void lf_backToBuffer(LiveContext& context, LiveAircraft& aircraft)
{
    if (aircraft.flightPlanSet != 0) {
        context.services.deleteFlightPlan(aircraft.objectId);
        aircraft.flightPlanSet = 0;
    }
    aircraft.objectId = 0;
    aircraft.lastThrottleIndex = noThrottleSent;
    aircraft.lastFlapsIndex = noFlapsSent;
    gf_setState(context, aircraft, SimObjectState::buffer);
}

// Without a park airport the traffic reader counts a report on the runway above 35 kt as airborne, at the ground's
// height: an aircraft created from one stands on the ground by the reader's own bands, taken over the ground that
// the simulator found under the new object.
bool lf_createdOnTheGround(const LiveAircraft& aircraft, double heightAboveGroundFt) noexcept
{
    return !aircraft.positions.empty() &&
           gf_withinGroundBand(heightAboveGroundFt, aircraft.positions.front().groundSpeedKt);
}

// An aircraft created on the runway rolls there as one created on the ground, moving once the simulator has told
// where the ground lies: on its take-off roll when its reports speed up, else rolling out as a landed aircraft.
void lf_rollFromCreation(LiveContext& context, LiveAircraft& aircraft)
{
    context.motion.parkCreated(context, aircraft);
    aircraft.setPhase(MovementPhase::taxi);
    const PositionQueue& positions = aircraft.positions;
    if (positions.back().groundSpeedKt > positions.front().groundSpeedKt) {
        context.motion.startTakeOffRoll(context, aircraft);
    } else {
        aircraft.landingRoll = 1;
        aircraft.landed = 1;
        aircraft.headingAtTouchdown = aircraft.heading;
    }
}

void lf_forgetLivery(LiveContext& context, LiveAircraft& aircraft)
{
    lf_setTitle(aircraft.flight, {});
    context.state.rememberedTitles.erase(aircraft.flight.hexId);
    aircraft.setPhase(MovementPhase::birth);
}

} // namespace

void gf_setState(LiveContext& context, StaticAircraft& aircraft, SimObjectState state) noexcept
{
    if (aircraft.flight.hexId > staticHexIdLimit) {
        context.state.noteStateChange(aircraft.state, state);
    }
    aircraft.state = state;
    aircraft.stateSinceTick = context.tick();
}

std::string_view gf_rememberedTitle(LiveEngineState& state, uint32_t hexId)
{
    const auto it = state.rememberedTitles.find(hexId);
    if (it == state.rememberedTitles.end()) {
        return {};
    }
    // The record's title must view the livery tables, which outlive it; a title they no longer hold is forgotten.
    const std::string_view stored = gf_refusedTitles().contains(it->second) ? std::string_view()
                                                                            : gf_findLiveryByTitle(it->second);
    if (stored.empty()) {
        state.rememberedTitles.erase(it);
    }
    return stored;
}

void gf_handleNewLiveAc(LiveContext& context, LiveAircraft& aircraft)
{
    LiveEngineState& state = context.state;
    FlightRecord& flight = aircraft.flight;
    if (aircraft.positions.empty()) {
        aircraft.erase = 1;
        return;
    }
    if (aircraft.positions.front().dueTick > context.tick()) {
        return;
    }
    if (aircraft.positions.size() == 1) {
        aircraft.positions.pop_front();
        aircraft.erase = 1;
        return;
    }
    if (lf_endsWithUnderscore(flight.callsign) && lf_isGhostListed(state, flight.callsign)) {
        aircraft.erase = 1;
        return;
    }
    if (lf_mixesAirAndGround(aircraft)) {
        aircraft.positions.pop_front();
        return;
    }
    if (lf_userProximityDropped(context, aircraft)) {
        return;
    }
    if (state.liveCreations.size() >= creationBacklogLimit && aircraft.phase == MovementPhase::birth) {
        aircraft.positions.pop_front();
        return;
    }
    const int32_t maxLive = settings::maxLiveSel.get();
    if (maxLive == 0) {
        aircraft.erase = 1;
        return;
    }
    const auto requested = static_cast<int32_t>(state.addingStack.size() + state.liveCreations.size());
    if (state.activeCount() + requested >= maxLive) {
        const double distanceNm =
            state.user ? gf_distanceNm({state.user->latitude, state.user->longitude}, lf_at(aircraft.positions.front()))
                       : 0.0;
        if (!context.services.makeRoomFor(distanceNm)) {
            aircraft.erase = 1;
            return;
        }
    }
    const std::string blocked = settings::blockCallsign.get();
    if (!blocked.empty() && blocked == flight.callsign) {
        aircraft.erase = 1;
        return;
    }
    if (flight.registrationKnown == 0) {
        lf_completeCodes(flight);
    }
    if (!lf_validLabel(flight) && flight.registration != flight.callsign) {
        flight.registration = flight.callsign;
        lf_completeCodes(flight);
    }
    if (!lf_validLabel(flight) || gf_notCreatedLiveries().contains(lf_refusedKey(flight)) ||
        lf_baseIsLive(state, flight.callsign)) {
        aircraft.erase = 1;
        return;
    }
    spawnLiveAc(context, aircraft);
}

AiCreateRequest gf_creationRequest(const LiveAircraft& aircraft)
{
    const bool onGround = !aircraft.positions.empty() && aircraft.positions.front().airborne == 0;
    AiCreateRequest request;
    request.position = {aircraft.latitude,           aircraft.longitude, aircraft.altitudeFt,
                        aircraft.pitch * degPerRad,  aircraft.bank * degPerRad,
                        aircraft.heading * degPerRad, onGround ? 1U : 0U, 0};
    request.callsign = aircraft.flight.callsign;
    request.title = std::string(aircraft.flight.title);
    request.hexId = aircraft.flight.hexId;
    return request;
}

void spawnLiveAc(LiveContext& context, LiveAircraft& aircraft)
{
    PositionQueue& positions = aircraft.positions;
    if (positions.size() < 2) {
        gf_logAlert(fmt::format("{} sz:{}", "spawnLiveAc", positions.size()));
        return;
    }
    aircraft.legReceivedDueTick = positions.front().dueTick;
    if (positions[1].stationary != 0) {
        positions[0].stationary = 1;
        for (std::size_t i = 0; i < std::min<std::size_t>(3, positions.size()); ++i) {
            if (i < 2 || positions[i].stationary != 0) {
                positions[i].groundSpeedKt = 0.0;
            }
        }
    } else {
        positions[0].stationary = 0;
    }
    FlightRecord& flight = aircraft.flight;
    if (aircraft.phase == MovementPhase::birth) {
        if (flight.title.empty()) {
            if (const std::string_view remembered = gf_rememberedTitle(context.state, flight.hexId);
                !remembered.empty()) {
                lf_setTitle(flight, remembered);
            } else {
                context.services.chooseLivery(flight);
                if (flight.title.empty()) {
                    if (!flight.registration.empty()) {
                        context.state.unmatchedNames.insert(gf_labelWithReg(flight));
                    }
                    if (context.state.noLiveryLogged.insert(flight.hexId).second) {
                        gf_log(fmt::format("{:8} airline {} model {}: no livery found, not created", flight.callsign,
                                           gf_airlineText(flight.airline), gf_modelText(flight.model)));
                    }
                    aircraft.erase = 1;
                    return;
                }
                context.state.rememberedTitles[flight.hexId] = std::string(flight.title);
            }
        }
        if (positions.front().airborne != 0) {
            aircraft.setPhase(MovementPhase::flying);
        } else if (context.motion.chooseSpawnStand(context, aircraft) == SpawnStand::none) {
            if (aircraft.erase != 0) {
                return;
            }
            if (positions[1].stationary != 0) {
                positions.pop_front();
                return;
            }
            aircraft.setPhase(MovementPhase::taxi);
        }
    }
    if (aircraft.erase != 0) {
        return;
    }
    lf_setInitialAttitude(context, aircraft);
    gf_setState(context, aircraft, SimObjectState::adding2sim);
    context.state.addingStack.push_back(flight.hexId);
    if (!lf_endsWithUnderscore(flight.callsign)) {
        gf_checkGhost(context, flight.callsign);
    }
}

bool gf_onObjectCreated(LiveContext& context, LiveAircraft& aircraft, uint32_t objectId, double heightAboveGroundFt)
{
    if (objectId < 3) {
        return false;
    }
    aircraft.objectId = objectId;
    aircraft.heightAboveGroundFt = heightAboveGroundFt;
    aircraft.respawn = 0;
    if (!aircraft.positions.empty() && aircraft.positions.front().airborne == 0) {
        context.motion.parkCreated(context, aircraft);
    } else if (aircraft.groundMode == 0 && lf_createdOnTheGround(aircraft, heightAboveGroundFt)) {
        lf_rollFromCreation(context, aircraft);
    }
    const FlightRecord& flight = aircraft.flight;
    if (!flight.origin.empty() && !flight.destination.empty()) {
        aircraft.flightPlanSet = context.services.createFlightPlan(objectId, flight) ? 1 : 0;
    }
    context.services.requestStaticCg(objectId);
    return true;
}

void removeAircraftFromSim(LiveContext& context, StaticAircraft& aircraft)
{
    switch (aircraft.state) {
    case SimObjectState::buffer:
        aircraft.erase = 1;
        return;
    case SimObjectState::adding2sim:
        if (aircraft.removeWhenCreated == 0) {
            (lf_canWithdraw(context.state, aircraft) ? aircraft.creationCancelled : aircraft.removeWhenCreated) = 1;
        }
        return;
    case SimObjectState::removingfromsim:
        return;
    case SimObjectState::active:
    case SimObjectState::liveryrespawn:
        break;
    }
    if (aircraft.flight.hexId > staticHexIdLimit && aircraft.standNumber > 0) {
        context.parking.setStandOccupied(aircraft.standNumber, false);
    }
    // A respawn has queued the removal of the object already.
    const bool removalQueued = aircraft.state == SimObjectState::liveryrespawn;
    gf_setState(context, aircraft, SimObjectState::removingfromsim);
    lf_clearSelection(context, aircraft.objectId);
    if (aircraft.objectId == 0) {
        gf_logAlert(fmt::format("{} removing act {}, with objectid=0 ?", "removeAircraftFromSim",
                                gf_describeAc(aircraft.flight)));
        aircraft.erase = 1;
    } else if (!removalQueued) {
        context.state.pendingRemovals.push_back(aircraft.objectId);
    }
}

void gf_removeAllStatic(LiveContext& context)
{
    std::vector<StaticAircraft>& statics = context.state.statics;
    for (StaticAircraft& aircraft : statics) {
        if (aircraft.state == SimObjectState::active || aircraft.state == SimObjectState::adding2sim) {
            removeAircraftFromSim(context, aircraft);
        }
    }
    std::erase_if(statics, [](const StaticAircraft& aircraft) { return aircraft.creationCancelled != 0; });
}

void gf_giveUpAircraft(LiveContext& context, LiveAircraft& aircraft)
{
    if (aircraft.objectId == 0 && aircraft.state != SimObjectState::active) {
        if (aircraft.state == SimObjectState::adding2sim) {
            lf_canWithdraw(context.state, aircraft);
        }
        aircraft.erase = 1;
        return;
    }
    removeAircraftFromSim(context, aircraft);
}

void liveryRespawn(LiveContext& context, LiveAircraft& aircraft)
{
    try {
        PositionQueue& positions = aircraft.positions;
        if (positions.empty()) {
            gf_giveUpAircraft(context, aircraft);
            return;
        }
        PositionRecord& front = positions.front();
        PositionRecord copy = front;
        if (aircraft.phase != MovementPhase::parked) {
            copy.latitude = aircraft.latitude;
            copy.longitude = aircraft.longitude;
            copy.altitudeFt = aircraft.altitudeFt;
            copy.bankRad = aircraft.bank;
            if (std::abs(front.latitude - aircraft.latitude) <= 1e-8 &&
                std::abs(front.longitude - aircraft.longitude) <= 1e-8) {
                front.stationary = 1;
            }
        } else {
            positions.resize(1);
            positions.front().stationary = 1;
            positions.front().trackDeg = aircraft.heading * degPerRad;
            copy = positions.front();
        }
        copy.dueTick = context.tick() + 1;
        positions.push_front(copy);
        aircraft.respawnHeading = aircraft.heading;
        aircraft.respawn = 1;
        lf_clearSelection(context, aircraft.objectId);
        if (aircraft.objectId == 0) {
            gf_logAlert(fmt::format("{} removing act {} with objectid=0 ?", "liveryRespawn",
                                    gf_describeAc(aircraft.flight)));
            lf_backToBuffer(context, aircraft);
            return;
        }
        gf_setState(context, aircraft, SimObjectState::liveryrespawn);
        context.state.pendingRemovals.push_back(aircraft.objectId);
    } catch (const std::exception& e) {
        gf_logAlert(fmt::format("{}: {}", "liveryRespawn", e.what()));
    }
}

bool gf_checkRespawn(LiveContext& context, LiveAircraft& aircraft, const FlightHead& received)
{
    FlightRecord& flight = aircraft.flight;
    if (aircraft.takeOffRoll != 0 || aircraft.landing != 0) {
        return true;
    }
    if (aircraft.state == SimObjectState::buffer) {
        if (!received.origin.empty() && received.origin != flight.origin) {
            flight.origin = received.origin;
        }
        if (!received.destination.empty() && received.destination != flight.destination) {
            flight.destination = received.destination;
        }
        if (!received.callsign.empty() && received.callsign != flight.callsign) {
            flight.callsign = received.callsign;
        }
        if (!received.registration.empty() && received.registration != flight.registration) {
            flight.registration = received.registration;
        }
        return true;
    }
    if (aircraft.state != SimObjectState::active || aircraft.phase == MovementPhase::pushing_back ||
        aircraft.extrapolationCount >= 1) {
        return true;
    }
    const bool routeChanged = (!received.origin.empty() && !flight.origin.empty() && received.origin != flight.origin) ||
                              (!received.destination.empty() && !flight.destination.empty() &&
                               received.destination != flight.destination);
    if (!received.origin.empty() && (flight.origin.empty() || routeChanged)) {
        flight.origin = received.origin;
    }
    if (!received.destination.empty() && (flight.destination.empty() || routeChanged)) {
        flight.destination = received.destination;
    }
    if (routeChanged && aircraft.groundMode != 0 && aircraft.phase != MovementPhase::parking &&
        aircraft.phase != MovementPhase::parked) {
        aircraft.setPhase(MovementPhase::taxi);
        aircraft.bearingToNext = aircraft.heading;
    }
    bool relevant = false;
    if (!received.callsign.empty() && received.callsign != flight.callsign &&
        received.callsign != flight.registration) {
        if (lf_baseIsLive(context.state, received.callsign)) {
            return false;
        }
        gf_checkGhost(context, received.callsign);
        flight.secondCallsign = flight.callsign;
        flight.thirdCallsign.clear();
        flight.callsign = received.callsign;
        relevant = true;
    }
    bool forget = false;
    if (!received.registration.empty() && received.registration != flight.registration) {
        flight.registration = received.registration;
        if (const std::optional<RegistrationCodes> codes = gf_findDbaseRecord(flight.registration);
            codes && (codes->airline != flight.airline || codes->model != flight.model)) {
            flight.airline = codes->airline;
            flight.secondAirline = codes->secondAirline;
            flight.model = codes->model;
            flight.cargo = codes->cargo;
            flight.registrationKnown = codes->valid;
            forget = true;
            relevant = true;
        }
    }
    if (!relevant || !settings::guidChanges.get()) {
        return true;
    }
    if (forget) {
        lf_forgetLivery(context, aircraft);
    }
    gf_log(fmt::format("          {} respawns", gf_describeAc(flight)));
    liveryRespawn(context, aircraft);
    return false;
}

void gf_checkGhost(LiveContext& context, std::string_view callsign)
{
    const std::string ghostCallsign = fmt::format("{}_", callsign);
    LiveAircraft* ghost = context.state.findLiveByCallsign(ghostCallsign);
    if (ghost == nullptr || ghost->state == SimObjectState::removingfromsim) {
        return;
    }
    if (ghost->phase == MovementPhase::parked) {
        gf_log(fmt::format("{:8}: {:8} is a ghost and will be removed, continue with {}",
                           context.parking.standName(ghost->standNumber), ghostCallsign, callsign));
    } else {
        gf_log(fmt::format("          {:8} is a ghost and will be removed, continue with {}", ghostCallsign, callsign));
    }
    context.state.ghosts.push_back(ghostCallsign);
    removeAircraftFromSim(context, *ghost);
}

void gf_onObjectRemoved(LiveContext& context, uint32_t objectId)
{
    LiveEngineState& state = context.state;
    for (std::size_t i = 0; i < state.live.size(); ++i) {
        LiveAircraft& aircraft = state.live[i];
        if (aircraft.objectId != objectId) {
            continue;
        }
        if (aircraft.state == SimObjectState::liveryrespawn) {
            lf_backToBuffer(context, aircraft);
            return;
        }
        if (aircraft.flightPlanSet != 0) {
            context.services.deleteFlightPlan(objectId);
        }
        state.eraseLive(i);
        return;
    }
    for (std::size_t i = 0; i < state.statics.size(); ++i) {
        if (state.statics[i].objectId == objectId) {
            state.eraseStatic(i);
            return;
        }
    }
}

void gf_removeWhileBlocked(LiveContext& context, uint32_t hexId)
{
    LiveAircraft* aircraft = context.state.findLive(hexId);
    if (aircraft == nullptr) {
        return;
    }
    if (aircraft->state == SimObjectState::buffer) {
        gf_log(fmt::format("{} {} will be removed from buffer while blocked", gf_clockText(),
                           gf_describeAc(aircraft->flight)));
        aircraft->erase = 1;
    } else if (aircraft->state == SimObjectState::active) {
        gf_log(fmt::format("{} removed from simulator immediately while blocked", gf_describeAc(aircraft->flight)));
        removeAircraftFromSim(context, *aircraft);
    }
}

} // namespace hlw
