#include "engine/intake/live_traffic_readers.h"

#include "core/log.h"
#include "engine/base/run_state.h"

#include <fmt/format.h>

#include <charconv>
#include <cstdlib>
#include <string_view>

namespace hlw {

uint16_t gf_portFromEnvironment(const char* variable, uint16_t defaultPort)
{
    const char* text = std::getenv(variable);
    if (text == nullptr || *text == '\0') {
        return defaultPort;
    }
    const std::string_view value(text);
    unsigned port = 0;
    const auto [end, error] = std::from_chars(value.data(), value.data() + value.size(), port);
    if (error != std::errc() || end != value.data() + value.size() || port < 1 || port > 65535) {
        gf_logAlert(fmt::format("{}='{}' is no port number; using {}", variable, value, defaultPort));
        return defaultPort;
    }
    return static_cast<uint16_t>(port);
}

LiveTrafficReaders::LiveTrafficReaders(TrafficQueue& queue, StatusBoard& status, ResetRegistry& resets,
                                       SteadyTimeSource& time, TrafficReaderOptions options)
    : queue_(queue), status_(status), options_(options), qnhValue_(status), qnh_(qnhValue_, status, time),
      traffic_(queue, status, time), qnhThread_("QNH Reader", qnh_, time, options.receiveTimeout),
      trafficThread_("Traffic Reader", traffic_, time, options.receiveTimeout)
{
    resets.add("traffic readers", [this] { resetRun(); });
}

LiveTrafficReaders::~LiveTrafficReaders()
{
    trafficThread_.stop();
    qnhThread_.stop();
    trafficThread_.join();
    qnhThread_.join();
}

void LiveTrafficReaders::startQnhReader()
{
    started_ = true;
    qnhThread_.start(options_.qnhPort, rtOnThisPc.load());
}

void LiveTrafficReaders::startTrafficReader(bool localOnly)
{
    started_ = true;
    trafficThread_.start(options_.trafficPort, localOnly);
}

void LiveTrafficReaders::stop()
{
    trafficThread_.stop();
    qnhThread_.stop();
}

void LiveTrafficReaders::join()
{
    trafficThread_.join();
    qnhThread_.join();
    if (started_) {
        started_ = false;
        logCounts();
    }
}

void LiveTrafficReaders::logCounts() const
{
    const IntakeCounts now = counts();
    std::string reasons;
    for (std::size_t index = 1; index < lineDropCount; ++index) {
        if (now.traffic.dropped[index] != 0) {
            reasons +=
                fmt::format(", {} {}", gf_lineDropName(static_cast<LineDrop>(index)), now.traffic.dropped[index]);
        }
    }
    gf_log(fmt::format("Traffic Reader: {} datagrams received, {} queued, {} dropped{}; queue high-water mark {}, {} "
                       "oldest records dropped from the full queue",
                       now.trafficDatagrams, now.traffic.queued, now.traffic.droppedTotal(), reasons,
                       now.queue.highWaterMark, now.queue.overflowDropped));
    gf_log(fmt::format("QNH Reader: {} datagrams received, {} published, {} refused, {} skipped", now.qnhDatagrams,
                       now.qnh.published, now.qnh.refused, now.qnh.skipped));
}

void LiveTrafficReaders::check(UdpReaderThread& reader, Liveness& liveness, ReaderLamp StatusValues::*lamp)
{
    if (!reader.running()) {
        return;
    }
    const uint64_t count = reader.datagramCount();
    if (count == liveness.countAtLastCheck) {
        liveness.shownAlive = false;
        status_.update([lamp](StatusValues& values) { values.*lamp = ReaderLamp::stalled; });
    } else if (!liveness.shownAlive) {
        liveness.shownAlive = true;
        status_.update([lamp](StatusValues& values) { values.*lamp = ReaderLamp::receiving; });
    }
    liveness.countAtLastCheck = count;
}

void LiveTrafficReaders::watchdog()
{
    if (!status_.snapshot().liveSourceReady) {
        return;
    }
    check(trafficThread_, trafficLiveness_, &StatusValues::trafficReader);
    check(qnhThread_, qnhLiveness_, &StatusValues::qnhReader);
}

void LiveTrafficReaders::setRangeCentre(double latitude, double longitude)
{
    traffic_.setRangeCentre({latitude, longitude});
}

void LiveTrafficReaders::setParkAirport(const std::optional<ParkAirportFix>& airport)
{
    traffic_.setParkAirport(airport);
}

void LiveTrafficReaders::resetState()
{
    trafficThread_.resetDatagramCount();
    qnhThread_.resetDatagramCount();
    trafficLiveness_ = {};
    qnhLiveness_ = {};
    qnhValue_.reset();
    traffic_.resetLatestTimestamp();
    queue_.clearCallsigns();
}

void LiveTrafficReaders::resetRun()
{
    resetState();
    queue_.clear();
    traffic_.resetCounts();
    qnh_.resetCounts();
}

IntakeCounts LiveTrafficReaders::counts() const
{
    return {trafficThread_.datagramCount(), traffic_.counts(), qnhThread_.datagramCount(), qnh_.counts(),
            queue_.counts()};
}

} // namespace hlw
