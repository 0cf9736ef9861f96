#pragma once
// UTC time texts in one fixed 24-character layout ("Sat Dec 05 19:04:12 2026") and the pieces cut from it.
#include <cstdint>
#include <string>

namespace hlw {

// The time text, or "Invalid time" for a negative time or one after the year 3000.
std::string gf_timeToString(int64_t secondsSince1970);

// Shown instead of a clock or date text when the time cannot be converted.
inline constexpr const char* invalidClockText = "--:--:--";
inline constexpr const char* invalidDateText = "--- --, ----";

// "hh:mm:ss" of the time.
std::string gf_clockTextAt(int64_t secondsSince1970);
// "Dec 05, 2026" of the time.
std::string gf_dateTextAt(int64_t secondsSince1970);

// "hh:mm:ss" of the PC clock.
std::string gf_clockText();
// "hh:mm:ss" of the reference time (the simulator's clock while it is in use, core/reference_time.h).
std::string gf_nowClockText();
// "Dec 05, 2026" of the PC clock.
std::string gf_dateText();

} // namespace hlw
