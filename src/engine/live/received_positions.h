#pragma once
// Received positions of a known aircraft: screened by phase, trimmed, timed after the last one and appended.
#include "engine/live/live_context.h"

namespace hlw {

// A received position of a known aircraft, screened and appended.
void decodeExisting(LiveContext& context, LiveAircraft& aircraft, PositionRecord position);
// Screens a received position against the last one of the stream; false drops it.
bool gf_filterPosition(const LiveAircraft& aircraft, PositionRecord& position);
// The leaving of a stand: the stand use is learned and the stand freed.
void gf_leaveStand(LiveContext& context, LiveAircraft& aircraft, PositionRecord& position);

} // namespace hlw
