#pragma once
// A live aircraft from its record to its removal: when its simulator object is requested (the admission checks
// of the buffer handler and the spawn with its livery), how the created object is bound, how it is created again
// with another livery, and how a live or static aircraft is removed.
//
//   buffer --due, admitted--> adding2sim --bound--> (configured) active --removal--> removingfromsim --removed--> gone
//   active --livery change--> liveryrespawn --removed--> buffer
// A record in buffer, or one whose creation could still be withdrawn, is erased at once; an object that is never
// bound (60 s) or never reported removed (30 s) is given up with a log line.
#include "engine/live/live_context.h"

#include <cstdint>
#include <string_view>

namespace hlw {

// An aircraft in "adding2sim" without object this long, or one whose removal was not answered this long, is erased.
inline constexpr int32_t bindingTimeoutTicks = 60 * ticksPerSecond;
inline constexpr int32_t removalTimeoutTicks = 30 * ticksPerSecond;
// While this many live creations wait, a new aircraft in phase "birth" is not admitted yet.
inline constexpr std::size_t creationBacklogLimit = 11;

// The state change with the engine tick it happened at.
void gf_setState(LiveContext& context, StaticAircraft& aircraft, SimObjectState state) noexcept;

// The buffer handler: the admission checks in order, then spawnLiveAc.
void gf_handleNewLiveAc(LiveContext& context, LiveAircraft& aircraft);
// Chooses the livery, decides the first phase, sets the initial attitude and asks for the object.
void spawnLiveAc(LiveContext& context, LiveAircraft& aircraft);
// The request for the aircraft's object where it is, its attitude in degrees; an aircraft on the ground is asked
// for on the ground (its first position is a ground one), so that the simulator puts it on the terrain and not at the
// altitude its ground reports carry.
AiCreateRequest gf_creationRequest(const LiveAircraft& aircraft);

// The simulator created the aircraft's object; false refuses the object id (below 3).
bool gf_onObjectCreated(LiveContext& context, LiveAircraft& aircraft, uint32_t objectId, double heightAboveGroundFt);

// Removal of a live or static aircraft by its state.
void removeAircraftFromSim(LiveContext& context, StaticAircraft& aircraft);
// Every static aircraft: active ones removed, queued ones withdrawn (their records erased at once) or removed once
// created.
void gf_removeAllStatic(LiveContext& context);
// An aircraft the worker cannot go on with (an exception, a value it cannot send): removed, or erased when it has
// no object yet.
void gf_giveUpAircraft(LiveContext& context, LiveAircraft& aircraft);

// The object is removed so that the aircraft is created again (with another livery) from where it is.
void liveryRespawn(LiveContext& context, LiveAircraft& aircraft);
// Intake of a known aircraft before its position: takes new identification and decides on a respawn. False drops
// the update.
bool gf_checkRespawn(LiveContext& context, LiveAircraft& aircraft, const FlightHead& received);
// The live aircraft flying as callsign + "_" is a ghost of the aircraft now called callsign: it is removed.
void gf_checkGhost(LiveContext& context, std::string_view callsign);

// The simulator reports the object removed.
void gf_onObjectRemoved(LiveContext& context, uint32_t objectId);
// The callsign of the aircraft was blocked.
void gf_removeWhileBlocked(LiveContext& context, uint32_t hexId);

// The livery tables' view of the title remembered for the hex id, unless the simulator refused it since or the
// tables no longer hold it (then the entry is forgotten).
std::string_view gf_rememberedTitle(LiveEngineState& state, uint32_t hexId);

} // namespace hlw
