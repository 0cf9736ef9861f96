#pragma once
// The simulator's UTC time from the zulu fields of the user aircraft's data.
#include <cstdint>
#include <optional>

namespace hlw {

// Seconds since 1970-01-01 00:00 UTC of the zulu year, day of year (1 = January 1st) and seconds of the day;
// nothing for a year before 1970 (the simulator has not set its clock yet) or a day or second outside its
// calendar range.
std::optional<int64_t> gf_simUtcSeconds(int64_t zuluYear, int64_t zuluDayOfYear, int64_t zuluSeconds);

} // namespace hlw
