#include "engine/base/stop_wait.h"

#include "engine/base/run_state.h"

#include <algorithm>

namespace hlw {

bool gf_runEnding() noexcept { return stopRequested.load() || userClosing.load(); }

bool gf_sleepUnless(SteadyTimeSource& time, SteadyTimeSource::Duration duration, const std::function<bool()>& abort)
{
    const SteadyTimeSource::TimePoint end = time.now() + duration;
    while (true) {
        if (abort()) {
            return false;
        }
        const SteadyTimeSource::TimePoint now = time.now();
        if (now >= end) {
            return true;
        }
        time.sleepUntil(std::min<SteadyTimeSource::TimePoint>(end, now + stopPollInterval));
    }
}

bool gf_sleepUnlessStopping(SteadyTimeSource& time, SteadyTimeSource::Duration duration)
{
    return gf_sleepUnless(time, duration, gf_runEnding);
}

} // namespace hlw
