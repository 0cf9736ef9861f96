#pragma once
// The reference time of the traffic engine and the weekday and half-hour slot derived from it. While the
// simulator's clock is in use (run flags, core/run_state_port.h) and reports a sane time, it is the
// reference; otherwise the PC clock is.
#include <cstdint>

namespace hlw {

// The last second of the year 3000: simulator times outside 1 to this value are not trusted.
inline constexpr int64_t lastSaneSimulatorSecond = 32535215999;

// One reading of the reference time in seconds since 1970 (UTC).
int64_t gf_referenceTimeSeconds() noexcept;

// Weekday 1 (Monday) to 7 (Sunday) and half-hour slot 0 (00:00) to 47 (23:30); both -1 for a time that
// cannot be converted.
struct WeekdaySlot {
    int32_t weekday = -1;
    int32_t slot = -1;
    bool operator==(const WeekdaySlot&) const = default;
};

// One 64-bit word: weekday in the low 32 bits, slot in the high 32 bits.
uint64_t gf_packWeekdaySlot(WeekdaySlot value) noexcept;
WeekdaySlot gf_unpackWeekdaySlot(uint64_t packed) noexcept;

// Slot 2h runs from hh:00:00 to hh:29:29, slot 2h+1 from hh:29:30 to hh:59:59.
WeekdaySlot gf_weekdaySlotAt(int64_t secondsSince1970) noexcept;
// Weekday and slot of one reading of the reference time.
WeekdaySlot gf_nowTime() noexcept;

} // namespace hlw
