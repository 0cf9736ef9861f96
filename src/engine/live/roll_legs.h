#pragma once
// Legs of a roll above taxi speeds (a take-off roll, a landing roll-out, a high-speed turn-off). A report's ground
// speed is often seconds older than its position, and on a roll the speed changes fast: there the positions and
// their times are the truth and the reported speeds a hint. Each leg ends at its report's position when that
// report is due, the speed at a report comes from the positions where its reported one disagrees with them, and the
// take-off run starts so that the aircraft leaves the ground where its positions begin to climb.
#include "engine/live/live_context.h"

namespace hlw {

// A roll from this speed up, as the positions give it over the time between their reports (kt).
inline constexpr double rollFromKt = 40.0;
// A reported speed at most this far from the one the positions give is kept (kt).
inline constexpr double rollSpeedAgreeKt = 5.0;
// Where the traffic reader counts the roll's reports as airborne too (no park airport), a position climbs away
// once it lies this far above the roll's last report (ft).
inline constexpr double climbAwayRiseFt = 30.0;
// A roll's lag or lead is made up at the pace of one such lag over this many ticks.
inline constexpr int64_t rollCatchUpTicks = 500;

// The speed the front and next positions give over the time between their reports (kt); 0 when that time is not
// one of reports (shorter than a leg or longer than reportTimesLimitTicks).
double gf_reportedLegKt(const LiveAircraft& aircraft);
// The leg ahead is one of a roll on real data: in ground mode, taxiing (or landed), toward a moving position with a
// speed, at rollFromKt or more by the positions, or slower on a landing roll until it turns off.
bool gf_rollLeg(const LiveAircraft& aircraft);
// At the start of a roll leg: the next position and the one after it take the speed the positions give there (the
// mean speeds of the legs before and after each, weighted by the other's time) when their reported one disagrees;
// the front on the first leg of a roll too. On a take-off roll whose run has to start on this leg for the aircraft
// to leave the ground at gf_liftOffTick, a position is inserted there.
void gf_prepareRollLeg(LiveContext& context, LiveAircraft& aircraft);
// When the aircraft leaves the ground where its positions begin to climb: on the way to the first position ahead
// that climbs away from the one before it (gf_climbsAway; every later one airborne), traced back from its height
// above that one's ground by its reported climb, or by the climb to the position after it when the reported one is
// slow (it lags like the speeds), no earlier than the position before it; NaN when no position ahead climbs away.
double gf_liftOffTick(const LiveAircraft& aircraft);
// The ticks from now to where a roll leg ends on the reports' time: when its report is due, or, with a lag or lead
// at the front (after a creation, a touchdown, the taxi before the roll), as much later or sooner as is not made up
// over the leg at the pace of one lag in rollCatchUpTicks: it shrinks steadily over the roll's first seconds, the
// speed changing by a share, instead of all in one leg.
int64_t gf_rollCatchUpTicks(const LiveAircraft& aircraft, int64_t now);
// At a touchdown the rest of the leg, timed in the air by the speed of the approach, runs to its roll-out report
// when that report is due, as a roll leg (unless slower than rollFromKt or made up): the aircraft slows down as the
// real one does instead of rolling on at the approach speed.
void gf_rollOutFromTouchdown(LiveContext& context, LiveAircraft& aircraft);
// The speed of the current leg's steps (kt).
double gf_stepSpeedKt(const LiveAircraft& aircraft) noexcept;
// The ticks of a ground leg from the aircraft's position to its target in about the ticks given, its speed changing
// from that of the last leg (gf_stepSpeedKt) by no more than reportTimesJumpKt: a roll leg that ends when its
// report is due makes up a lag or lead it starts with over its first legs. The ticks as given on a curve, on a leg
// of no length, from a standstill, or when they are not positive.
int64_t gf_ticksWithinSpeedJump(const LiveAircraft& aircraft, const PositionRecord& target, double ticks);
// The next position climbs away from the ground the front lies on: it is airborne, and the front is on the ground
// or the next lies climbAwayRiseFt or more above it.
bool gf_climbsAway(const PositionRecord& front, const PositionRecord& next) noexcept;

} // namespace hlw
