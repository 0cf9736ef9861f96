#include "zulu_clock.h"

namespace hlw::standin {

int64_t gf_daysInYear(int64_t year) {
    const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    return leap ? 366 : 365;
}

ZuluClock::ZuluClock(std::chrono::system_clock::time_point start, Clock::time_point now) : baseAt_(now) {
    const auto days = std::chrono::floor<std::chrono::days>(start);
    const std::chrono::year_month_day date{days};
    const std::chrono::sys_days yearStart{date.year() / std::chrono::January / 1};
    base_.year = static_cast<int>(date.year());
    base_.dayOfYear = (days - yearStart).count() + 1;
    base_.seconds = std::chrono::duration_cast<std::chrono::seconds>(start - days).count();
}

void ZuluClock::set(ZuluTime time, bool frozen, Clock::time_point now) {
    base_ = time;
    baseAt_ = now;
    frozen_ = frozen;
}

ZuluTime ZuluClock::at(Clock::time_point now) const {
    if (frozen_ || now <= baseAt_) {
        return base_;
    }
    ZuluTime time = base_;
    time.seconds += std::chrono::duration_cast<std::chrono::seconds>(now - baseAt_).count();
    while (time.seconds >= 86400) {
        time.seconds -= 86400;
        if (++time.dayOfYear > gf_daysInYear(time.year)) {
            time.dayOfYear = 1;
            ++time.year;
        }
    }
    return time;
}

} // namespace hlw::standin
