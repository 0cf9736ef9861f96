#pragma once
// The motion of a live aircraft between two positions of its stream: the per-tick step that air and ground legs
// share (curves, heading chase, flare, nose lowering after touchdown, take-off run and climb-out, the ground floor),
// the set-up of an air leg with its rates and limits, the configuration commands of climb, cruise and approach, and
// the take-off roll and run.
//
// The flare of a landing at the park airport, by the height above ground h and the static CG height cg:
//   approach --h <= cg+30--> 1 (nose to -4 deg, -0.1 ft/tick) --cg+20--> 2 (-0.075) --cg+10--> 3 (idle, -0.05)
//            --cg+3--> 4 (-0.025) --the simulator reports the aircraft on the ground--> nose lowering, landing roll
// The climb-out after the take-off run, by the countdown c after its decrement: 0 to -98 one tenth of the altitude
// rate, -99 to -198 one fifth, -199 to -299 one half, from -300 on the full rate; the gear goes up at -300.
#include "engine/live/live_context.h"

namespace hlw {

// Sets up an air leg toward the position behind the front: phase, vertical plan, pitch, heading and bank rates,
// configuration. qnhHpa shifts the descent rate of an approach.
void gf_stepAirborne(LiveContext& context, LiveAircraft& aircraft, double qnhHpa);

// The configuration of a take-off roll: throttle idle, flaps 1, spoilers off, the lights of a departure.
void gf_startTakeOffRoll(LiveContext& context, LiveAircraft& aircraft);
// The take-off run of runTicks (1 up to the run length): pitch toward the take-off pitch over it, phase
// "take_off"; after a landing roll a touch and go.
void gf_startTakeOff(LiveContext& context, LiveAircraft& aircraft, int64_t runTicks);
// A reported climb at most this fast (ft/min) is slow: it may be a report of the ground roll.
inline constexpr double slowClimbFpm = 256.0;
// On a take-off roll at 43 kt or more: the run starts at once when every following position climbs faster than
// slowClimbFpm, else when it ends where the positions begin to climb (gf_liftOffTick), whatever speeds the reports
// carry, and lasts only until then when that is sooner than the run length.
void gf_considerTakeOffRun(LiveContext& context, LiveAircraft& aircraft);

// The altitude rate per tick of the climb-out by the countdown after its decrement.
double gf_climbOutShare(int32_t countdown) noexcept;

} // namespace hlw
