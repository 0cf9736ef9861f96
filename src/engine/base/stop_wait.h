#pragma once
// Waits of the worker that end early when the run ends. Each one sleeps in slices of at most 100 ms, so a stop or
// a close is seen within 100 ms.
#include "core/steady_time_source.h"

#include <functional>

namespace hlw {

inline constexpr std::chrono::milliseconds stopPollInterval{100};

// Sleeps for the duration unless `abort` turns true; false when it did (checked before every slice).
bool gf_sleepUnless(SteadyTimeSource& time, SteadyTimeSource::Duration duration, const std::function<bool()>& abort);
// The same with a stop request or the user closing as the abort.
bool gf_sleepUnlessStopping(SteadyTimeSource& time, SteadyTimeSource::Duration duration);
// stopRequested or userClosing.
bool gf_runEnding() noexcept;

} // namespace hlw
