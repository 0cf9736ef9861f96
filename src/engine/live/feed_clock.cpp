#include "engine/live/feed_clock.h"

#include "engine/intake/traffic_line_parser.h"
#include "engine/live/live_engine_state.h"

#include <fmt/format.h>

#include <algorithm>

namespace hlw {

bool FeedClock::refuses(const TrafficRecord& record, std::optional<double> ownLast)
{
    const Seen seen{record.timestamp, record.position.dueTick - positionDelayTicks};
    const std::optional<double> feed = newest(seen.arrivalTick);
    remember(seen);
    const bool farAhead = feed && record.timestamp - *feed > farAheadSeconds &&
                          (!ownLast || record.timestamp - *ownLast > farAheadSeconds);
    if (!farAhead) {
        return false;
    }
    refusedLines_.log("time stamp far ahead",
                      fmt::format("{} record refused: its time stamp {:.0f} lies {:.0f} s ahead of the feed",
                                  gf_describeAc(record.head), record.timestamp, record.timestamp - *feed));
    return true;
}

void FeedClock::clear() noexcept
{
    count_ = 0;
    next_ = 0;
}

std::optional<double> FeedClock::newest(int32_t arrivalTick) const noexcept
{
    std::optional<double> newest;
    for (std::size_t index = 0; index < count_; ++index) {
        const Seen& seen = recent_[index];
        const double now = seen.timestamp + static_cast<double>(arrivalTick - seen.arrivalTick) / ticksPerSecond;
        newest = std::max(newest.value_or(now), now);
    }
    return newest;
}

void FeedClock::remember(const Seen& seen) noexcept
{
    recent_[next_] = seen;
    next_ = (next_ + 1) % recent_.size();
    count_ = std::min(count_ + 1, recent_.size());
}

} // namespace hlw
