#include "trajectory.h"

#include "engine/intake/traffic_line_parser.h"
#include "traffic_feed/feed_sources.h"

#include <cmath>
#include <memory>
#include <random>

namespace hlw::test {

namespace {

constexpr double feedEpoch = 1.7e9;
constexpr feed::GeoPoint defaultCentre{52.3086, 4.7639};

class CapturingContext final : public feed::FeedContext {
public:
    CapturingContext(feed::GeoPoint centre, uint32_t seed) : centre_(centre), random_(seed) {}

    void sendTraffic(const std::string& line) override
    {
        last_ = line;
        lines.emplace_back(now, line);
    }
    void sendQnh(const std::string&) override {}
    feed::GeoPoint centre() const override { return centre_; }
    double stampNow() const override { return feedEpoch + now; }
    bool restampRecords() const override { return true; }
    std::mt19937& random() override { return random_; }
    const std::string& lastTrafficLine() const override { return last_; }

    double now = 0.0;
    std::vector<std::pair<double, std::string>> lines;

private:
    feed::GeoPoint centre_;
    std::mt19937 random_;
    std::string last_;
};

} // namespace

Trajectory gf_trajectoryOf(const feed::Scenario& scenario, int32_t startTick)
{
    const feed::GeoPoint centre = scenario.centre.value_or(defaultCentre);
    IntakeFilter filter;
    filter.rangeCentre = {centre.lat, centre.lon};
    filter.rangeNm = 100.0;
    filter.parkAirport = ParkAirportFix{{centre.lat, centre.lon}, 0.0};
    return gf_trajectoryOf(scenario, startTick, filter);
}

Trajectory gf_trajectoryOf(const feed::Scenario& scenario, int32_t startTick, const IntakeFilter& filter)
{
    const feed::GeoPoint centre = scenario.centre.value_or(defaultCentre);
    CapturingContext context(centre, scenario.seed.value_or(1));
    std::vector<std::unique_ptr<feed::FeedSource>> sources;
    for (const feed::FlightSpec& flight : scenario.flights) {
        sources.push_back(feed::gf_makeFlightSource(flight));
    }
    for (const feed::Injection& injection : scenario.injections) {
        sources.push_back(feed::gf_makeInjectionSource(injection));
    }
    if (!scenario.records.empty()) {
        sources.push_back(feed::gf_makeRecordSource(scenario.records));
    }
    const double end = scenario.duration.value_or(feed::kNever);
    while (true) {
        feed::FeedSource* next = nullptr;
        for (const auto& source : sources) {
            if (next == nullptr || source->nextTime() < next->nextTime()) {
                next = source.get();
            }
        }
        if (next == nullptr || next->nextTime() == feed::kNever || next->nextTime() > end) {
            break;
        }
        context.now = next->nextTime();
        next->fire(context);
    }

    TrafficLineParser parser;
    Trajectory trajectory;
    for (const auto& [time, line] : context.lines) {
        TimedRecord timed;
        timed.arrivalTick = startTick + static_cast<int32_t>(std::lround(time * 100.0));
        if (parser.parse(line, filter, timed.arrivalTick, timed.record).accepted()) {
            trajectory.records.push_back(std::move(timed));
        } else {
            ++trajectory.refusedLines;
        }
    }
    return trajectory;
}

} // namespace hlw::test
