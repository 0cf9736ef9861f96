#pragma once
// The timed sources of the feed: flights, QNH schedules, injections and recorded datagrams. The runner asks
// each for the time of its next datagram and lets it fire when that time has come.
#include "traffic_feed/feed_geo.h"
#include "traffic_feed/flight_path.h"
#include "traffic_feed/scenario.h"

#include <limits>
#include <memory>
#include <optional>
#include <random>
#include <string>
#include <vector>

namespace hlw::feed {

inline constexpr double kNever = std::numeric_limits<double>::infinity();

// What a source may use while it fires.
class FeedContext {
public:
    virtual ~FeedContext() = default;
    virtual void sendTraffic(const std::string& line) = 0;
    virtual void sendQnh(const std::string& text) = 0;
    virtual GeoPoint centre() const = 0;
    // Seconds since 1970 for the timestamp field: now plus the configured offset.
    virtual double stampNow() const = 0;
    virtual bool restampRecords() const = 0;
    virtual std::mt19937& random() = 0;
    virtual const std::string& lastTrafficLine() const = 0;
};

class FeedSource {
public:
    virtual ~FeedSource() = default;
    // Feed seconds of the next datagram; kNever when the source is done.
    virtual double nextTime() const = 0;
    // Sends what is due at nextTime() and moves nextTime() on.
    virtual void fire(FeedContext& context) = 0;
    // The source would go on for ever (it needs a duration).
    virtual bool openEnded() const = 0;
};

std::unique_ptr<FeedSource> gf_makeFlightSource(FlightSpec spec);
std::unique_ptr<FeedSource> gf_makeQnhSource(QnhSchedule schedule);
std::unique_ptr<FeedSource> gf_makeInjectionSource(Injection injection);
std::unique_ptr<FeedSource> gf_makeRecordSource(std::vector<RecordedDatagram> records);

} // namespace hlw::feed
