#pragma once
// The PC's wall clock in whole seconds since 1970 (UTC). Tests install their own source so that weekday and
// slot logic is checked at exact moments instead of by waiting for them.
#include <cstdint>

namespace hlw {

using PcClockSource = int64_t (*)() noexcept;

int64_t gf_pcClockSeconds() noexcept;
// Replaces the source for every thread; nullptr restores the system clock.
void gf_installPcClock(PcClockSource source) noexcept;

} // namespace hlw
