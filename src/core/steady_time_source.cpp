#include "core/steady_time_source.h"

#include <thread>

namespace hlw {
namespace {

class SystemSteadyTime final : public SteadyTimeSource {
public:
    TimePoint now() override { return Clock::now(); }
    void sleepUntil(TimePoint deadline) override
    {
        // sleep_until may wake early on some systems; the loop keeps the promise of the interface.
        while (Clock::now() < deadline) {
            std::this_thread::sleep_until(deadline);
        }
    }
};

} // namespace

SteadyTimeSource& gf_systemSteadyTime() noexcept
{
    static SystemSteadyTime time;
    return time;
}

} // namespace hlw
