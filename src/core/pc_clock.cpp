#include "core/pc_clock.h"

#include <atomic>
#include <chrono>

namespace hlw {
namespace {

int64_t lf_systemClockSeconds() noexcept
{
    using namespace std::chrono;
    return duration_cast<seconds>(system_clock::now().time_since_epoch()).count();
}

constinit std::atomic<PcClockSource> pcClockSource{&lf_systemClockSeconds};

} // namespace

int64_t gf_pcClockSeconds() noexcept { return pcClockSource.load()(); }

void gf_installPcClock(PcClockSource source) noexcept
{
    pcClockSource.store(source != nullptr ? source : &lf_systemClockSeconds);
}

} // namespace hlw
