#include "traffic_feed/feed_runner.h"

#include "platform/net/udp_sender.h"
#include "traffic_feed/feed_sources.h"
#include "traffic_feed/flight_generator.h"

#include <algorithm>
#include <chrono>
#include <fmt/format.h>
#include <fstream>
#include <thread>

namespace hlw::feed {

namespace {

constexpr std::uint32_t kFirstGeneratedHexId = 4194304; // 0x400000, far above the static-aircraft numbers
constexpr double kLongestWait = 0.05;

class RunContext final : public FeedContext {
public:
    RunContext(const FeedOptions& options, GeoPoint centre, std::uint32_t seed)
        : options_(options), traffic_(options.trafficHost, options.trafficPort), qnh_(options.qnhHost, options.qnhPort),
          centre_(centre), random_(seed), start_(std::chrono::steady_clock::now())
    {
        if (!options.sentLog.empty()) {
            sentLog_.open(options.sentLog, std::ios::trunc);
            if (!sentLog_) {
                throw std::runtime_error(fmt::format("cannot write the sent log {}", options.sentLog.string()));
            }
        }
    }

    double elapsed() const
    {
        return std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count();
    }

    void sendTraffic(const std::string& line) override
    {
        traffic_.send(line);
        lastTraffic_ = line;
        ++summary.trafficSent;
        log("traffic", line);
    }

    void sendQnh(const std::string& text) override
    {
        qnh_.send(text);
        ++summary.qnhSent;
        log("qnh", text);
    }

    GeoPoint centre() const override { return centre_; }
    void setCentre(GeoPoint centre) { centre_ = centre; }

    double stampNow() const override
    {
        const auto now = std::chrono::system_clock::now().time_since_epoch();
        return std::chrono::duration<double>(now).count() + options_.stampOffset;
    }

    bool restampRecords() const override { return options_.restampRecords; }
    std::mt19937& random() override { return random_; }
    const std::string& lastTrafficLine() const override { return lastTraffic_; }

    FeedSummary summary;

private:
    void log(std::string_view port, const std::string& text)
    {
        if (sentLog_.is_open()) {
            // Line by line, so that whoever watches the run reads what has gone out.
            sentLog_ << fmt::format("{:.3f} {} {}\n", elapsed(), port, text) << std::flush;
        }
    }

    const FeedOptions& options_;
    net::UdpSender traffic_;
    net::UdpSender qnh_;
    GeoPoint centre_;
    std::mt19937 random_;
    std::chrono::steady_clock::time_point start_;
    std::string lastTraffic_;
    std::ofstream sentLog_;
};

} // namespace

FeedSummary gf_runFeed(const FeedOptions& options, const Scenario& scenario, const std::atomic<bool>& stop)
{
    const GeoPoint centre = options.centre.value_or(scenario.centre.value_or(kDefaultCentre));
    const std::uint32_t seed = options.seed.value_or(scenario.seed.value_or(1));
    const std::optional<double> duration = options.duration ? options.duration : scenario.duration;
    RunContext context(options, centre, seed);

    std::vector<std::unique_ptr<FeedSource>> sources;
    for (const FlightSpec& flight : scenario.flights) {
        sources.push_back(gf_makeFlightSource(flight));
    }
    std::uint32_t nextHexId = kFirstGeneratedHexId;
    std::vector<GenerateSpec> generators = scenario.generators;
    if (options.generate > 0) {
        GenerateSpec extra;
        extra.count = options.generate;
        generators.push_back(extra);
    }
    for (const GenerateSpec& generator : generators) {
        for (FlightSpec& flight : gf_generateFlights(generator, nextHexId, context.random())) {
            sources.push_back(gf_makeFlightSource(std::move(flight)));
        }
        nextHexId += static_cast<std::uint32_t>(generator.count);
    }
    for (const QnhSchedule& schedule : scenario.qnh) {
        sources.push_back(gf_makeQnhSource(schedule));
    }
    for (const Injection& injection : scenario.injections) {
        sources.push_back(gf_makeInjectionSource(injection));
    }
    if (!scenario.records.empty()) {
        sources.push_back(gf_makeRecordSource(scenario.records));
    }
    if (!duration && std::any_of(sources.begin(), sources.end(), [](const auto& s) { return s->openEnded(); })) {
        throw std::invalid_argument("the scenario has flights or QNH schedules without an end: give a duration");
    }

    std::optional<LinkClient> link;
    if (options.link.enabled) {
        link.emplace(options.link);
    }
    const double end = duration.value_or(kNever);
    const double sendEnd = options.sendFor.value_or(kNever);
    // A datagram due at or after the end of sending is never sent.
    const auto dueTime = [sendEnd](const FeedSource& source) {
        return source.nextTime() < sendEnd ? source.nextTime() : kNever;
    };
    while (!stop.load()) {
        const double now = context.elapsed();
        if (now >= end || (link && link->wantsStop())) {
            break;
        }
        double next = end;
        bool anyLeft = false;
        for (const auto& source : sources) {
            // Everything due fires now, in order; a source late by a burst catches up.
            while (dueTime(*source) <= now) {
                source->fire(context);
            }
            next = std::min(next, dueTime(*source));
            anyLeft = anyLeft || dueTime(*source) != kNever;
        }
        if (!anyLeft && !duration) {
            break;
        }
        const double wait = std::clamp(next - context.elapsed(), 0.0, kLongestWait);
        const auto waitMs = std::chrono::milliseconds(static_cast<int>(wait * 1000.0));
        if (link) {
            link->step(context.elapsed(), waitMs);
            if (const auto userPosition = link->takeNewCentre()) {
                context.setCentre(*userPosition);
            }
        } else if (wait > 0.0) {
            std::this_thread::sleep_for(std::chrono::duration<double>(wait));
        }
    }
    if (link) {
        link->close(context.elapsed());
        context.summary.link = link->stats();
    }
    context.summary.seconds = context.elapsed();
    return context.summary;
}

} // namespace hlw::feed
