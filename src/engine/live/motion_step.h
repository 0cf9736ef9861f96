#pragma once
// One tick of a live aircraft along its leg: position, heading, attitude and altitude.
#include "engine/live/live_context.h"

namespace hlw {

// One tick along the current leg.
void gf_stepMotion(LiveContext& context, LiveAircraft& aircraft);

} // namespace hlw
