#pragma once
// The simulator's UTC clock: year, day of year and seconds of the day, running with wall time or frozen.
#include <chrono>
#include <cstdint>

namespace hlw::standin {

struct ZuluTime {
    int64_t year = 1970;
    int64_t dayOfYear = 1;
    int64_t seconds = 0;
};

class ZuluClock {
public:
    using Clock = std::chrono::steady_clock;

    // Starts at the given wall-clock time (UTC), running.
    explicit ZuluClock(std::chrono::system_clock::time_point start = std::chrono::system_clock::now(),
                       Clock::time_point now = Clock::now());
    void set(ZuluTime time, bool frozen, Clock::time_point now);
    ZuluTime at(Clock::time_point now) const;

private:
    ZuluTime base_;
    Clock::time_point baseAt_;
    bool frozen_ = false;
};

// Days in a Gregorian year.
int64_t gf_daysInYear(int64_t year);

} // namespace hlw::standin
