#include "engine/intake/traffic_reader.h"

#include "core/log.h"
#include "engine/intake/datagram_text.h"
#include "settings/catalogue.h"

#include <fmt/format.h>

#include <numeric>

namespace hlw {

uint64_t TrafficReaderCounts::droppedTotal() const noexcept
{
    return std::accumulate(dropped.begin(), dropped.end(), uint64_t{0});
}

TrafficReader::TrafficReader(TrafficQueue& queue, StatusBoard& status, SteadyTimeSource& time)
    : queue_(queue), status_(status), problems_(time)
{
}

void TrafficReader::setRangeCentre(const LatLon& centre)
{
    const std::lock_guard lock(filterMutex_);
    rangeCentre_ = centre;
}

void TrafficReader::setParkAirport(const std::optional<ParkAirportFix>& airport)
{
    const std::lock_guard lock(filterMutex_);
    parkAirport_ = airport;
}

IntakeFilter TrafficReader::filter() const
{
    const std::lock_guard lock(filterMutex_);
    return {rangeCentre_, rangeNm.load(), settings::airborneOnly.get(), parkAirport_};
}

void TrafficReader::onStarted()
{
    status_.update([](StatusValues& values) {
        values.trafficReader = ReaderLamp::receiving;
        values.qnhReader = ReaderLamp::receiving;
    });
}

void TrafficReader::onDatagram(std::string_view datagram)
{
    const LineResult result = parser_.parse(datagram, filter(), queue_.engineTick(), record_);
    if (result.timestamp) {
        latestTimestamp_.store(*result.timestamp);
    }
    if (!result.heardCallsign.empty()) {
        queue_.noteCallsign(result.heardCallsign);
    }
    if (result.accepted()) {
        if (queue_.push(std::move(record_))) {
            queued_.fetch_add(1);
        } else {
            count(LineDrop::notRunning);
        }
        return;
    }
    count(result.drop);
    if (result.drop == LineDrop::fieldError) {
        problems_.log(gf_datagramLogText(fmt::format("exception in processLineSub: {}", result.error)));
    } else if (result.drop == LineDrop::shortLine) {
        problems_.log("short traffic line",
                      fmt::format("Traffic line with fewer than 29 fields dropped: {}", gf_datagramLogText(datagram)));
    }
}

void TrafficReader::onSkipped(LineDrop reason) { count(reason); }

void TrafficReader::onStopped() { gf_log("Traffic Reader has stopped"); }

void TrafficReader::onClosed()
{
    status_.update([](StatusValues& values) {
        values.trafficReader = ReaderLamp::notRunning;
        values.qnhReader = ReaderLamp::notRunning;
    });
}

TrafficReaderCounts TrafficReader::counts() const noexcept
{
    TrafficReaderCounts counts;
    counts.queued = queued_.load();
    for (std::size_t index = 0; index < lineDropCount; ++index) {
        counts.dropped[index] = dropped_[index].load();
    }
    return counts;
}

void TrafficReader::resetCounts() noexcept
{
    queued_.store(0);
    for (std::atomic<uint64_t>& dropped : dropped_) {
        dropped.store(0);
    }
}

void TrafficReader::count(LineDrop reason) noexcept { dropped_[static_cast<std::size_t>(reason)].fetch_add(1); }

} // namespace hlw
