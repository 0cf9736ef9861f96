#pragma once
// Live aircraft and the park airport's stands: the stand of a new aircraft on the ground, the parking of a taxiing
// aircraft that comes to rest near a free stand (it drives the last metres onto it and parks), the arrival at the
// stand, the parked configuration, and the static aircraft that make way for a live one.
#include "engine/live/live_context.h"

namespace hlw {

// A taxiing aircraft at rest near a stand parks there unless the stand is reserved or the user's; a live aircraft
// parked on it is removed. mayBeTowed widens the search.
void try2Park(LiveContext& context, LiveAircraft& aircraft, bool mayBeTowed);
// Appends the way onto the stand: a point at the stand at taxi speed along the stand heading, then a stop.
void drive2Stand(LiveContext& context, LiveAircraft& aircraft, const LatLon& stand, double standHeadingRad);
// Phase "parking" with its stream run out; true when the aircraft was removed instead.
bool gf_arriveAtStand(LiveContext& context, LiveAircraft& aircraft);
// Engines off, throttle and flaps 0, the lights of a parked aircraft.
void gf_setParkedConfig(LiveContext& context, StaticAircraft& aircraft);
// Static aircraft on the stand, and at an adjacent stand close enough to touch, are removed.
void gf_makeWay(LiveContext& context, const LiveAircraft& aircraft, const StandRecord& stand);
// The stand of a new aircraft whose front position is on the ground; may set its erase flag.
SpawnStand gf_chooseSpawnStand(LiveContext& context, LiveAircraft& aircraft);
// The object of an aircraft with a ground front position was created: ground mode, gear down; a parked one takes
// its stand from the static aircraft, and one without a stand makes the static aircraft of every stand it stands
// within make way.
void gf_parkAc(LiveContext& context, LiveAircraft& aircraft);
// A passenger aircraft on a stand marked for cargo: the stand's cargo flag is learned away.
void gf_updateStandCargo(LiveContext& context, const LiveAircraft& aircraft);
// The engine's weekday and half-hour become the aircraft's parked slot.
void gf_setParkedSlot(const LiveContext& context, StaticAircraft& aircraft) noexcept;

} // namespace hlw
