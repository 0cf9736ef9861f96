#pragma once
// The traffic reader's handling of its datagrams: each line is parsed against one snapshot of the filter values
// and an accepted record is queued with its due tick (engine/traffic_queue.h).
#include "core/status_board.h"
#include "engine/base/log_throttle.h"
#include "engine/intake/intake_filter.h"
#include "engine/intake/traffic_line_parser.h"
#include "engine/intake/traffic_queue.h"
#include "engine/intake/udp_reader_thread.h"

#include <array>
#include <atomic>
#include <cstdint>
#include <mutex>
#include <optional>

namespace hlw {

// What became of the traffic datagrams: queued, or dropped for one reason.
struct TrafficReaderCounts {
    uint64_t queued = 0;
    std::array<uint64_t, lineDropCount> dropped{}; // by LineDrop; the entry of LineDrop::none stays 0

    uint64_t droppedTotal() const noexcept;
};

class TrafficReader final : public DatagramSink {
public:
    TrafficReader(TrafficQueue& queue, StatusBoard& status, SteadyTimeSource& time);

    // Worker: the centre of the range filter and the active park airport (none while there is none). "RANGE"
    // and "AIRBORNE_ONLY" are read with them, under one leaf lock, once per datagram.
    void setRangeCentre(const LatLon& centre);
    void setParkAirport(const std::optional<ParkAirportFix>& airport);
    IntakeFilter filter() const;

    // The timestamp of the latest line whose timestamp passed its check; 0 before the first.
    double latestTimestamp() const noexcept { return latestTimestamp_.load(); }

    void onStarted() override;
    void onDatagram(std::string_view datagram) override;
    void onSkipped(LineDrop reason) override;
    void onStopped() override;
    void onClosed() override;

    TrafficReaderCounts counts() const noexcept;
    // The counts and the latest timestamp back to 0.
    void resetCounts() noexcept;
    void resetLatestTimestamp() noexcept { latestTimestamp_.store(0.0); }

private:
    void count(LineDrop reason) noexcept;

    TrafficQueue& queue_;
    StatusBoard& status_;
    mutable std::mutex filterMutex_; // a leaf lock
    LatLon rangeCentre_;
    std::optional<ParkAirportFix> parkAirport_;

    // The reader thread's own.
    TrafficLineParser parser_;
    TrafficRecord record_;
    LogThrottle problems_;

    std::atomic<double> latestTimestamp_{0.0};
    std::atomic<uint64_t> queued_{0};
    std::array<std::atomic<uint64_t>, lineDropCount> dropped_{};
};

} // namespace hlw
