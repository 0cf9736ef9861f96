#include "engine/sim/sim_time.h"

namespace hlw {

std::optional<int64_t> gf_simUtcSeconds(int64_t zuluYear, int64_t zuluDayOfYear, int64_t zuluSeconds) {
    // Fields out of their calendar ranges are garbage, and far years would overflow the sums below.
    if (zuluYear < 1970 || zuluYear > 100000 || zuluDayOfYear < 1 || zuluDayOfYear > 366 || zuluSeconds < 0 ||
        zuluSeconds > 86400) {
        return std::nullopt;
    }
    // Days from 0001-01-01 to the start of the year by the Gregorian leap rules, less the days up to 1970.
    constexpr int64_t daysBefore1970 = 719163;
    const int64_t yearsBefore = zuluYear - 1;
    const int64_t centuries = yearsBefore / 100;
    const int64_t days = zuluDayOfYear - daysBefore1970 + (1461 * yearsBefore) / 4 + centuries / 4 - centuries;
    return days * 86400 + zuluSeconds;
}

} // namespace hlw
