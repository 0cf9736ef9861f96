#pragma once
// A steady clock for tests that advances only when someone sleeps on it or the test moves it, so loops and waits
// run at full speed and their timing is exact. Safe to use from several threads: time only moves forward.
#include "core/steady_time_source.h"

#include <functional>
#include <mutex>

namespace hlw::test {

class FakeSteadyTime final : public SteadyTimeSource {
public:
    // Called on the thread that moved the clock, after every move, with the new time and no lock held.
    using Listener = std::function<void(TimePoint)>;

    // Starts at an arbitrary, far from zero point, as a real steady clock would.
    FakeSteadyTime();

    TimePoint now() override;
    // Moves the clock to the deadline (when it is ahead) and lets other threads run.
    void sleepUntil(TimePoint deadline) override;
    // Moves the clock without sleeping: the time a slow piece of work takes.
    void advance(Duration duration);

    // Set before the clock is shared between threads.
    void setListener(Listener listener);
    TimePoint start() const { return start_; }
    // The time since the start.
    Duration elapsed();

private:
    void moveTo(TimePoint target);

    const TimePoint start_;
    std::mutex mutex_;
    TimePoint now_;
    Listener listener_;
};

} // namespace hlw::test
