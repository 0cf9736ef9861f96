#pragma once
// The time stamps the traffic feed has been sending, to refuse a record whose time stamp lies far ahead of them.
// An aircraft keeps the time stamp of its newest record and takes only records after it, so a single record from
// the far future would make every real one after it count as too soon until the aircraft is removed.
//
// The feed is compared with itself, never with the PC clock, since a replay of the live-traffic application sends
// old time stamps. A record lies far ahead when its time stamp is more than farAheadSeconds beyond its aircraft's
// last one (when the aircraft is live) and beyond the newest time stamp among the feed's last records, each moved
// on by the engine ticks since it arrived. Refused records are remembered as well: when the whole feed moves ahead
// (a replay that goes over to live traffic), its first record is refused and the next one is taken, whichever
// aircraft it belongs to, since it does not lie ahead of the first one; a feed of a single aircraft moves ahead
// as well.
//
// The worker's, in the engine state; emptied by the run reset.
#include "engine/base/log_throttle.h"
#include "records/flight_record.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>

namespace hlw {

class FeedClock {
public:
    static constexpr double farAheadSeconds = 300.0;
    static constexpr std::size_t rememberedRecords = 8;

    // True when the record lies far ahead; a refusal writes a throttled log line. ownLast: the aircraft's last
    // time stamp, none for an aircraft that is not live. The record is remembered either way.
    bool refuses(const TrafficRecord& record, std::optional<double> ownLast);
    void clear() noexcept;

private:
    struct Seen {
        double timestamp = 0.0;
        int32_t arrivalTick = 0;
    };

    // The newest time stamp among the remembered records, at the arrival tick given.
    std::optional<double> newest(int32_t arrivalTick) const noexcept;
    void remember(const Seen& seen) noexcept;

    std::array<Seen, rememberedRecords> recent_{};
    std::size_t count_ = 0;
    std::size_t next_ = 0;
    LogThrottle refusedLines_{gf_systemSteadyTime()};
};

} // namespace hlw
