#pragma once
// Whether a live aircraft may take a stand that another aircraft holds, and the neighbours it must not touch.
#include "engine/live/live_context.h"

#include <string_view>

namespace hlw {

// The first live aircraft on the stand (other than self) decides: an active one parked, or leaving the stand,
// keeps it against a ghost ("_" appended) of itself and while its stand use is learned; otherwise it is removed
// for the newcomer (the same callsign, its ghost, or another aircraft). An empty callsign never counts as one
// without its last character. True when the stand may be taken.
bool gf_resolveStandConflict(LiveContext& context, int32_t standNumber, std::string_view callsign,
                             const LiveAircraft* self = nullptr);
// No parked or pushing-back live aircraft with another callsign on the adjacent stand reaches the chosen stand
// (both half wing spans x 1.1 at least the distance between the stands).
bool gf_adjacentFree(LiveContext& context, int32_t adjacentStand, const LiveAircraft& aircraft,
                     const StandRecord& stand);
// Removes such aircraft from every adjacent stand of the chosen one.
void gf_removeAdjacentColliding(LiveContext& context, const LiveAircraft& aircraft, const StandRecord& stand);

} // namespace hlw
