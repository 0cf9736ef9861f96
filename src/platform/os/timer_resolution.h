#pragma once
// Raises the system timer's resolution while the object lives, for a loop that sleeps in 10 ms steps.
// Linux sleeps with fine resolution already, so there is nothing to raise or restore here.

namespace hlw::os {

class TimerResolutionGuard {
public:
    explicit TimerResolutionGuard(int /*milliseconds*/) noexcept {}
    TimerResolutionGuard(const TimerResolutionGuard&) = delete;
    TimerResolutionGuard& operator=(const TimerResolutionGuard&) = delete;
};

} // namespace hlw::os
