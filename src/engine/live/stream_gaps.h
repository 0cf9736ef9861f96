#pragma once
// Gaps in the data: a hold in place on the ground, or made-up positions along the heading.
#include "engine/live/live_context.h"

#include <cstdint>

namespace hlw {

// A gap: fewer than two positions. Appends a made-up position or a hold and returns true, or returns false when
// the aircraft is to be removed.
bool gf_nextPosNoData(LiveContext& context, LiveAircraft& aircraft);
// Stores the count and appends a copy of the front position moved ahead by the aircraft's speed.
void gf_extrapolatePosition(LiveContext& context, LiveAircraft& aircraft, int32_t count);

} // namespace hlw
