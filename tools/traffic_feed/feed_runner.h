#pragma once
// Runs a scenario in real time: sends every datagram of every source at its time and serves the link.
#include "traffic_feed/feed_geo.h"
#include "traffic_feed/link_client.h"
#include "traffic_feed/scenario.h"

#include <atomic>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>

namespace hlw::feed {

struct FeedOptions {
    std::string trafficHost = "127.0.0.1";
    std::uint16_t trafficPort = 49005;
    std::string qnhHost = "127.0.0.1";
    std::uint16_t qnhPort = 49004;
    std::optional<double> duration;      // overrides the scenario's
    std::optional<double> sendFor;       // no datagram after this many seconds; the link goes on to the end
    std::optional<GeoPoint> centre;      // overrides the scenario's
    std::optional<std::uint32_t> seed;   // overrides the scenario's
    bool restampRecords = true;
    double stampOffset = 0.0;            // seconds added to every timestamp
    int generate = 0;                    // extra generated flights around the centre
    std::filesystem::path sentLog;       // one line per datagram: "{seconds:.3f} traffic|qnh {text}"
    LinkOptions link;
};

struct FeedSummary {
    int trafficSent = 0;
    int qnhSent = 0;
    double seconds = 0.0;
    LinkStats link;
};

// The default traffic centre when neither the scenario nor the options give one: Amsterdam Schiphol.
inline constexpr GeoPoint kDefaultCentre{52.3086, 4.7639};

// Runs until the scenario ends, the duration passes, "exit" arrives with stop-on-exit, or stop is set. With
// sendFor the datagrams stop earlier, as when the live traffic around the user ends, while the link stays.
// Throws std::invalid_argument when the scenario would never end, SocketError when a socket cannot be made.
FeedSummary gf_runFeed(const FeedOptions& options, const Scenario& scenario, const std::atomic<bool>& stop);

} // namespace hlw::feed
