#pragma once
// The position stream of a live aircraft: each received position is due 3000 ticks after it arrived; the
// aircraft flies from one position to the next in legs, each next position re-timed to the aircraft's own speed
// within windows around its received due tick. Gaps in the data are filled with made-up positions or a hold, and
// each received position is screened before it joins the stream. Every tick an active aircraft sends its
// attitude to the simulator.
#include "engine/live/live_context.h"
#include "engine/live/travel_ticks.h"

#include <cstddef>
#include <cstdint>

namespace hlw {

// A leg lasts at least this many ticks.
inline constexpr int32_t minLegTicks = 25;
// A stream never holds more positions than this; an aircraft whose stream would grow beyond is removed.
inline constexpr std::size_t maxQueuedPositions = 200;
// Two positions this close in latitude and longitude (degrees) are the same point.
inline constexpr double samePointDeg = 1e-8;
// Windows shrink back toward this size.
inline constexpr int32_t normalWindowTicks = 1000;
// A pushed-back aircraft has no distance from where its push-back ended yet: the first position never counts
// as leaving.
inline constexpr double noPushBackDistanceYet = 900.0;
// A leg on real data (but a roll leg, roll_legs.h) that would end more than lagDeadBandTicks off its received due
// tick takes up to 1 / lagPullShare of its travel time less or more, toward the received due tick; in the air up to
// as much as changes its speed by airPullKt, at most airPullMostShare of its travel time (a creation's lag is caught
// up sooner at low speeds, and noisy positions do not swing the speed by more than twice that).
inline constexpr int64_t lagPullShare = 20;
inline constexpr int64_t lagDeadBandTicks = 20;
inline constexpr double airPullKt = 12.0;
inline constexpr double airPullMostShare = 0.2;
// A ground leg on real data whose travel time at its speeds disagrees with the time between its two reports (up
// to reportTimesLimitTicks) ends when its report is due instead, catching up at most 1 / reportTimesCatchUpShare of
// the reports' pace: wholly from a difference of reportTimesDisagreeShare of that time (and twice
// reportTimesDeadBandTicks), not at all up to reportTimesAgreeShare (or the dead band), in part in between, so that
// the leg speed changes without a jump between the two timings; it then changes from the last leg's by at most
// reportTimesJumpKt.
inline constexpr double reportTimesAgreeShare = 0.05;
inline constexpr double reportTimesDisagreeShare = 0.15;
inline constexpr int64_t reportTimesDeadBandTicks = 5;
inline constexpr double reportTimesCatchUpShare = 10.0;
inline constexpr double reportTimesJumpKt = 12.0;
inline constexpr int64_t reportTimesLimitTicks = 6000;
// At most this many passes of nextPosMain look for a next leg.
inline constexpr int nextLegPasses = 4;

// One tick of the aircraft: the buffer handler, a time-out of an unanswered request, or for an active aircraft
// the next leg when the front position is due, the motion step and the position sent. True when the record is
// to be erased this tick. An exception is logged once and removes the aircraft.
bool updateLiveAc(LiveContext& context, LiveAircraft& aircraft);

// Switches to the next leg, filling a gap in the data first; removes the aircraft when nothing can be flown.
void nextPosMain(LiveContext& context, LiveAircraft& aircraft);

// Leg helpers the motion uses.
// Re-times the next position of an air leg by its distance and the leg speed.
void gf_retimeNext(LiveContext& context, LiveAircraft& aircraft);
// Due in max(25, ticks) from now, or toward the next position's received due tick when the ticks disagree with the
// time between the front's and the next position's reports (real data on the ground, the next position moving; in
// the air the speeds are smoother than the positions of a noisy source); on a roll leg when its report is due
// (gf_rollCatchUpTicks, gf_ticksWithinSpeedJump); otherwise, while data is real, moved toward the received due tick by up to
// a twentieth of the ticks (in the air by what airPullKt allows); held within the windows around it (a leg to a stop
// may end sooner); never sooner than a minimal leg from now.
void gf_retimeNextBy(LiveContext& context, LiveAircraft& aircraft, int64_t ticks);
// Drops the positions between the front and the i-th (counted from the front) when the i-th is airborne, re-times
// the new next position and sets the climb rate toward it. False when the i-th position is not usable.
bool gf_retimeForClimb(LiveContext& context, LiveAircraft& aircraft, std::size_t i);
// Knots between the front and the next position: the mean of their speeds, the moving one's from or to a
// standstill, from their spacing when both stand.
double gf_legSpeed(const LiveAircraft& aircraft);
// The turn at the next position toward the one after it, +-pi; 0 with fewer than three positions.
double gf_turnAhead(const LiveAircraft& aircraft);
// Both windows one step (100 ticks) closer to the normal size.
void gf_shrinkWindows(LiveAircraft& aircraft) noexcept;
// The front position becomes due at the tick, which the next leg's timing takes as the front's received due tick.
void gf_setFrontDue(LiveAircraft& aircraft, int32_t tick) noexcept;
// Real data follows made-up positions again: count 0, windows 3000 and lateWindow, holding ended; with
// frontDueNow the front position becomes due at the next tick.
void gf_resumeRealData(LiveContext& context, LiveAircraft& aircraft, int32_t lateWindow, bool frontDueNow);

} // namespace hlw
