#pragma once
// The two UDP readers of the live-traffic application's datagrams, behind the worker's reader seam: the QNH
// reader (port 49004, or HLMR_QNH_PORT) and the traffic reader (port 49005, or HLMR_TRAFFIC_PORT), their lamps
// and the watchdog that shows whether each still receives. The program entry owns the object for the whole
// program run; each traffic run starts and joins the two threads. The run reset registered here sets the
// readers' state back (counts, QNH, latest timestamp, heard callsigns, lamps shown alive) and empties the queue.
#include "core/status_board.h"
#include "core/steady_time_source.h"
#include "engine/base/reset_registry.h"
#include "engine/intake/qnh_reader.h"
#include "engine/intake/traffic_queue.h"
#include "engine/intake/traffic_reader.h"
#include "engine/intake/traffic_readers.h"
#include "engine/intake/udp_reader_thread.h"

#include <chrono>
#include <cstdint>

namespace hlw {

inline constexpr uint16_t defaultTrafficPort = 49005;
inline constexpr uint16_t defaultQnhPort = 49004;
inline constexpr const char* trafficPortVariable = "HLMR_TRAFFIC_PORT";
inline constexpr const char* qnhPortVariable = "HLMR_QNH_PORT";

// The port in the environment variable when it holds a number from 1 to 65535 (anything else is logged), else
// the default.
uint16_t gf_portFromEnvironment(const char* variable, uint16_t defaultPort);

struct TrafficReaderOptions {
    uint16_t trafficPort = gf_portFromEnvironment(trafficPortVariable, defaultTrafficPort);
    uint16_t qnhPort = gf_portFromEnvironment(qnhPortVariable, defaultQnhPort);
    std::chrono::milliseconds receiveTimeout{1000};
};

struct IntakeCounts {
    uint64_t trafficDatagrams = 0;
    TrafficReaderCounts traffic;
    uint64_t qnhDatagrams = 0;
    QnhReaderCounts qnh;
    TrafficQueueCounts queue;
};

class LiveTrafficReaders final : public TrafficReaders {
public:
    LiveTrafficReaders(TrafficQueue& queue, StatusBoard& status, ResetRegistry& resets, SteadyTimeSource& time,
                       TrafficReaderOptions options = {});
    ~LiveTrafficReaders() override;
    LiveTrafficReaders(const LiveTrafficReaders&) = delete;
    LiveTrafficReaders& operator=(const LiveTrafficReaders&) = delete;

    // On 127.0.0.1 when the live-traffic application runs on this PC.
    void startQnhReader() override;
    void startTrafficReader(bool localOnly) override;
    void stop() override;
    // Also logs what each reader received in this run, with the records the full queue dropped.
    void join() override;
    // Nothing while the live-traffic source is not ready. A running reader without a new datagram since the last
    // run shows stalled; one that receives again shows receiving.
    void watchdog() override;
    void setRangeCentre(double latitude, double longitude) override;
    void setParkAirport(const std::optional<ParkAirportFix>& airport) override;
    double latestTimestamp() const override { return traffic_.latestTimestamp(); }
    void collectCallsigns() override { queue_.startCallsignCollection(); }
    void resetState() override;
    int32_t qnh() const override { return qnhValue_.hpa(); }

    IntakeCounts counts() const;
    // The bound ports while the readers run.
    uint16_t trafficPort() const noexcept { return trafficThread_.port(); }
    uint16_t qnhPort() const noexcept { return qnhThread_.port(); }

private:
    struct Liveness {
        uint64_t countAtLastCheck = 0;
        bool shownAlive = true;
    };
    void check(UdpReaderThread& reader, Liveness& liveness, ReaderLamp StatusValues::*lamp);
    void logCounts() const;
    void resetRun();

    TrafficQueue& queue_;
    StatusBoard& status_;
    const TrafficReaderOptions options_;
    QnhValue qnhValue_;
    QnhReader qnh_;
    TrafficReader traffic_;
    UdpReaderThread qnhThread_;
    UdpReaderThread trafficThread_;
    // The worker's.
    bool started_ = false;
    Liveness qnhLiveness_;
    Liveness trafficLiveness_;
};

} // namespace hlw
