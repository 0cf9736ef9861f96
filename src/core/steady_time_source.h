#pragma once
// The steady clock and sleeping, replaceable as one: loops and waits ask an object of this kind for the time and
// sleep through it, so tests drive them with a clock that advances when they sleep instead of waiting.
#include <chrono>

namespace hlw {

class SteadyTimeSource {
public:
    using Clock = std::chrono::steady_clock;
    using TimePoint = Clock::time_point;
    using Duration = Clock::duration;

    virtual ~SteadyTimeSource() = default;
    virtual TimePoint now() = 0;
    // Returns once now() has reached the deadline (at once for a deadline in the past).
    virtual void sleepUntil(TimePoint deadline) = 0;
    void sleepFor(Duration duration) { sleepUntil(now() + duration); }
};

// The process's steady clock and real sleeps.
SteadyTimeSource& gf_systemSteadyTime() noexcept;

} // namespace hlw
