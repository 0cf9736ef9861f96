#pragma once
// The main loop of a traffic run: one step every 10 ms on the steady clock. While a flight runs every step runs
// the engine tick, and the simulator's once-per-second user report paces the per-second step and the tasks that
// fall due by the second counter s:
//   s % 5 != 0: park-airport driver at s % 16 == 0 (not while an adjustment is half done), reader watchdog at
//               s % 59 == 0, static twins at s % 61 == 0;
//   s % 5 == 0: range-filter centre, simulator time, the user's reserved stand, the 5-second task; at s % 15 == 0
//               a parking-adjustment half and the watchdog when a reader lamp shows "stalled"; at s % 30 == 0 the
//               30-second task (static-parking countdown and "ObjectIdList.txt" at s % 60, unmatched names at
//               s % 1200, and at s % 86400 the counter starts again).
// Without a running flight a reduced step applies the simulator's replies and, every 100 steps, runs the
// 5-second task and sends the user position.
#include "engine/run/worker_context.h"

#include <cstdint>

namespace hlw {

class MainLoop {
public:
    explicit MainLoop(WorkerContext& context) : context_(context) {}

    // Runs until a step sees a stop or a close.
    void run();
    // One step; false when the run is to end.
    bool step();

    int64_t steps() const noexcept { return steps_; }
    // Per-second steps run since the loop began (the counter s restarts at 86400; this one does not).
    int64_t seconds() const noexcept { return seconds_; }
    int32_t secondCounter() const noexcept { return secondCounter_; }

private:
    void perSecond();
    void secondTasks();
    void flightNotRunning();
    void every5Seconds();
    void every30Seconds();
    void parkingAdjustmentHalf();
    void objectIdLookup();
    void staticParkingCountdown();

    WorkerContext& context_;
    int32_t secondCounter_ = 0;
    int64_t steps_ = 0;
    int64_t seconds_ = 0;
    bool notRunning_ = false;
    int32_t notRunningCountdown_ = 100;
    bool parkAdjustPaused_ = false;
};

// The main loop until a stop or a close; the loop's own counts go to the log when it ends.
void gf_runMainLoop(WorkerContext& context);

} // namespace hlw
