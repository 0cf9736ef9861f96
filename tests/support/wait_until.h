#pragma once
// Waits of tests for what another thread or process does: the condition is asked again every step.
#include <chrono>
#include <functional>

namespace hlw::test {

// True as soon as the condition holds; false once it still does not hold after the deadline.
bool gf_waitUntil(std::chrono::steady_clock::time_point deadline, const std::function<bool()>& condition,
                  std::chrono::milliseconds step = std::chrono::milliseconds(200));

inline bool gf_within(std::chrono::milliseconds time, const std::function<bool()>& condition,
                      std::chrono::milliseconds step = std::chrono::milliseconds(200))
{
    return gf_waitUntil(std::chrono::steady_clock::now() + time, condition, step);
}

} // namespace hlw::test
