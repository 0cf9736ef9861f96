#pragma once
// The ground rules of a live aircraft: the timing of a ground leg (turns as curves, speed changes with a point
// between, push-back and pull-out off a stand, parking when the aircraft comes to rest near a free stand) and the
// set-up of a ground leg (take-off and landing rolls, attitude on the ground).
//
// Leaving a stand by the bearing from the stand to where the aircraft goes next, against the stand heading:
//   below 90 deg: pull-out   parked --> taxi (twice the half wing span ahead, at taxi speed)
//   else:         push-back  parked --> pushing_back (2.5 stand radii back, then a 90 deg curve to the side the
//                            first position received meanwhile gives, or straight) --> pushed_back (engines start,
//                            hold) --> taxi once the aircraft moves away
#include "engine/live/live_context.h"

namespace hlw {

// Local metres per degree of latitude of the ground curves.
inline constexpr double curveMetresPerDegree = 111132.95;

// The position and heading on the curve at the time; false when the curve is unset or the time lies outside it.
bool gf_curvePosition(const GroundCurve& curve, double time, double& latDeg, double& lonDeg, double& headingRad);
// A position in local metres east and north of the curve's start.
void gf_curveLocal(const GroundCurve& curve, const PositionRecord& position, double& east, double& north) noexcept;
// The length of the curve's path in nautical miles, from 16 chords.
double gf_curveLengthNm(const GroundCurve& curve) noexcept;
// The speed at a share of the curve's length over its mean speed: 1 at one speed; between different speeds at its
// ends, as a steady acceleration or deceleration changes it (its square changes evenly along the length), so that the
// curve still takes its length over the mean of the two speeds.
double gf_curveSpeedChange(const GroundCurve& curve, double share) noexcept;
// How much faster than its even pace the curve's time runs at the time so that the aircraft moves at the speed that
// speedChange gives: its length over the speed of the curve's point at that time, times speedChange, within
// 1/4 .. 4; 1 for a curve without a length.
double gf_curvePace(const GroundCurve& curve, double time, double speedChange) noexcept;

// Ticks of the 90 deg curve at the end of a push-back: round(90 / turn step / 100), the turn step in radians per tick
// against degrees as the rule has it (Light 344, Large 737, Heavy 1031 ticks).
int32_t gf_pushBackCurveTicks(const FlightRecord& flight) noexcept;

// Times the next position of an aircraft in ground mode (push-back, turns, speed changes, stands).
void gf_nextPosGround(LiveContext& context, LiveAircraft& aircraft);
// Sets up a ground leg: phase, rolls, attitude, curve step, speed; the take-off run may start.
void gf_stepGround(LiveContext& context, LiveAircraft& aircraft);
// The timing step that ends every ground timing: the turn step scaled to the turn, the next position re-timed.
void gf_groundPathStep(LiveContext& context, LiveAircraft& aircraft);

// A position between the front and the next one, inserted behind the front: halfway in time (from the front's
// received due tick), at the mean of their speeds, and where a steady change of speed puts the aircraft then
// (halfway in place when both speeds agree or either is 0).
void gf_insertMidpoint(LiveAircraft& aircraft);
// The turn at the next position as a curve from the current position through it to the one after it; the next
// position is dropped.
void gf_makeTurnCurve(LiveAircraft& aircraft);

// Leaves the stand forward: twice the half wing span along the stand heading at taxi speed.
void gf_pullOut(LiveContext& context, LiveAircraft& aircraft);
// Leaves the stand backwards: 2.5 stand radii against the stand heading, and the two possible ends of the curve
// one half wing span to either side. Nothing without a stand.
void gf_startPushBack(LiveContext& context, LiveAircraft& aircraft);

} // namespace hlw
