// The feed clock's rule for a record far ahead of what the feed has been sending.
#include "engine/intake/traffic_line_parser.h"
#include "engine/live/feed_clock.h"
#include "engine/live/live_engine_state.h"

#include <gtest/gtest.h>

#include <optional>
#include <vector>

namespace hlw {
namespace {

struct Sent {
    uint32_t hexId;
    double timestamp;
    int32_t arrivalSecond;
    std::optional<double> ownLast; // the aircraft's last time stamp while it is live
    bool refused;
};

TrafficRecord lf_record(const Sent& sent)
{
    TrafficRecord record;
    record.hexId = sent.hexId;
    record.head.callsign = "TST";
    record.timestamp = sent.timestamp;
    record.position.dueTick = sent.arrivalSecond * ticksPerSecond + positionDelayTicks;
    return record;
}

TEST(FeedClock, ARecordFarAheadOfTheFeedIsRefusedUnlessTheFeedMovesOn)
{
    constexpr double t = 1.7e9;
    constexpr double future = 4.1e9;
    const struct {
        const char* name;
        std::vector<Sent> sent;
    } rows[] = {
        {"a lone aircraft, one record from the future between real ones",
         {{1, t, 0, std::nullopt, false}, {1, future, 5, t, true}, {1, t + 10, 10, t, false}}},
        {"two aircraft, one record from the future",
         {{1, t, 0, std::nullopt, false}, {2, t + 1, 1, std::nullopt, false}, {1, future, 5, t, true},
          {2, t + 6, 6, t + 1, false}}},
        {"a lone aircraft's feed moves on: one record is lost",
         {{1, t, 0, std::nullopt, false}, {1, t + 3600, 5, t, true}, {1, t + 3605, 10, t, false}}},
        {"a replay's old time stamps after live ones",
         {{1, t, 0, std::nullopt, false}, {2, t - 86400, 1, std::nullopt, false}}},
        {"a new aircraft whose time is the feed's moved on by the ticks",
         {{1, t, 0, std::nullopt, false}, {2, t + 500, 400, std::nullopt, false}}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        FeedClock clock;
        for (const Sent& sent : row.sent) {
            EXPECT_EQ(clock.refuses(lf_record(sent), sent.ownLast), sent.refused) << sent.timestamp;
        }
    }
}

} // namespace
} // namespace hlw
