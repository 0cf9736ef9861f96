#include "core/reference_time.h"

#include "core/pc_clock.h"
#include "core/run_state_port.h"

#include <ctime>

namespace hlw {

int64_t gf_referenceTimeSeconds() noexcept
{
    const RunStatePort& runState = gf_runState();
    if (runState.simTimeInUse()) {
        const int64_t simulatorSeconds = runState.simUtcSeconds();
        if (simulatorSeconds >= 1 && simulatorSeconds <= lastSaneSimulatorSecond) {
            return simulatorSeconds;
        }
    }
    return gf_pcClockSeconds();
}

uint64_t gf_packWeekdaySlot(WeekdaySlot value) noexcept
{
    return static_cast<uint64_t>(static_cast<uint32_t>(value.weekday)) |
           (static_cast<uint64_t>(static_cast<uint32_t>(value.slot)) << 32);
}

WeekdaySlot gf_unpackWeekdaySlot(uint64_t packed) noexcept
{
    return {static_cast<int32_t>(static_cast<uint32_t>(packed & 0xFFFFFFFFu)),
            static_cast<int32_t>(static_cast<uint32_t>(packed >> 32))};
}

WeekdaySlot gf_weekdaySlotAt(int64_t secondsSince1970) noexcept
{
    if (secondsSince1970 < 0 || secondsSince1970 > lastSaneSimulatorSecond) {
        return {};
    }
    const auto t = static_cast<std::time_t>(secondsSince1970);
    std::tm parts{};
    if (gmtime_r(&t, &parts) == nullptr) {
        return {};
    }
    const bool secondHalf = parts.tm_min >= 30 || (parts.tm_min == 29 && parts.tm_sec >= 30);
    return {parts.tm_wday == 0 ? 7 : parts.tm_wday, (2 * parts.tm_hour + (secondHalf ? 1 : 0)) % 48};
}

WeekdaySlot gf_nowTime() noexcept { return gf_weekdaySlotAt(gf_referenceTimeSeconds()); }

} // namespace hlw
