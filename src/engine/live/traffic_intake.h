#pragma once
// The intake of one received traffic record: a known aircraft gets the new position after plausibility filters,
// an unknown hex id becomes a new live aircraft in "buffer" when its model and category are taken. A record whose
// time stamp lies far ahead of the feed's is refused first (engine/live/feed_clock.h).
#include "engine/live/live_context.h"

namespace hlw {

// Positions within this many feet of the park airport's elevation (below 10000 ft, airborne) are a lift-off or a
// touchdown in progress: no new aircraft starts there and no buffered one takes them.
inline constexpr double nearGroundFt = 108.0;
// The reference elevation while no park airport is active.
inline constexpr double noParkAirportElevationFt = -1000.0;

void gf_handleTrafficRecord(LiveContext& context, TrafficRecord& record);

// The record of a known aircraft comes too soon after the last one, or with an implausible speed change, to be a
// new position (tStep = record time - last time, seconds).
bool gf_tooSoonOrImplausible(const LiveAircraft& aircraft, const PositionRecord& received, double tStep) noexcept;

} // namespace hlw
