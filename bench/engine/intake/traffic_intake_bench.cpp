// The traffic intake's speed: one line through the traffic reader's handling (the filter snapshot, the split, the
// parse and the queue), on the example line of samples/scenarios/README.md and on a mix of the sample scenario's
// lines, with the heap allocations per line; and a burst of 10,000 datagrams a second into a running traffic reader
// that nobody takes from, with the queue's bound, the growth of resident memory and the account of every datagram.
// HLMR_BURST_SECONDS shortens the burst (default 60).
#include "core/log.h"
#include "engine/base/run_state.h"
#include "engine/intake/live_traffic_readers.h"
#include "engine/intake/traffic_reader.h"
#include "platform/net/udp_sender.h"
#include "settings/catalogue.h"
#include "traffic_feed/injections.h"
#include "traffic_feed/scenario.h"
#include "traffic_feed/traffic_line.h"

#include "support/allocation_counter.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <malloc.h>
#include <string>
#include <thread>
#include <unistd.h>
#include <vector>

namespace hlw {
namespace {

using namespace std::chrono_literals;

constexpr std::string_view exampleLine = "TFC,4735190,47.4582,8.5555,3250,-700,,137.5,165,SWR123,A320,HB-JLT,LHR,ZRH,"
                                         "1717000000.5,,,adsb_icao,,,171,,,-2.5,,140.2,,,A3";

// The sample scenario's flights, sampled every 3 s over its duration, as the feed would send them.
std::vector<std::string> lf_scenarioLines()
{
    const feed::Scenario scenario = feed::gf_readScenario(HLMR_SAMPLE_SCENARIOS "/eham_airborne.txt");
    const feed::GeoPoint centre = scenario.centre.value_or(feed::GeoPoint{52.3086, 4.7639});
    std::vector<std::string> lines;
    for (const feed::FlightSpec& spec : scenario.flights) {
        feed::FlightPath path(spec, centre);
        for (double second = 0.0; second < scenario.duration.value_or(180.0); second += 3.0) {
            lines.push_back(feed::gf_formatTrafficLine(spec.identity, path.state(), 1717000000.0 + second));
            path.advance(3.0);
        }
    }
    return lines;
}

// A traffic reader's handling without its socket: the queue runs and is emptied as it fills.
struct Intake {
    Intake(const LatLon& centre)
    {
        rangeNm.store(100.0);
        queue.setRunning(true);
        reader.setRangeCentre(centre);
    }
    void handle(std::string_view line)
    {
        reader.onDatagram(line);
        if (queue.counts().size >= TrafficQueue::capacity - 1) {
            while (queue.pop()) {
            }
        }
    }

    StatusBoard status;
    TrafficQueue queue;
    TrafficReader reader{queue, status, gf_systemSteadyTime()};
};

void lf_runLines(benchmark::State& state, const std::vector<std::string>& lines, const LatLon& centre)
{
    Intake intake(centre);
    for (const std::string& line : lines) {
        intake.handle(line); // the model codes are interned before the count starts
    }
    std::size_t next = 0;
    const test::AllocationWindow allocations;
    for (auto _ : state) {
        intake.handle(lines[next]);
        next = next + 1 == lines.size() ? 0 : next + 1;
    }
    const auto perLine = static_cast<double>(allocations.counted().count) / static_cast<double>(state.iterations());
    state.counters["allocs_per_line"] = perLine;
    state.counters["lines_per_s"] =
        benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
    const TrafficReaderCounts counts = intake.reader.counts();
    state.counters["queued_share"] =
        static_cast<double>(counts.queued) / static_cast<double>(counts.queued + counts.droppedTotal());
}

void BM_ExampleLine(benchmark::State& state)
{
    lf_runLines(state, {std::string(exampleLine)}, {47.4582, 8.5555});
}
BENCHMARK(BM_ExampleLine);

void BM_SampleScenarioMix(benchmark::State& state)
{
    static const std::vector<std::string> lines = lf_scenarioLines();
    lf_runLines(state, lines, {52.3086, 4.7639});
    state.counters["lines_in_mix"] = static_cast<double>(lines.size());
}
BENCHMARK(BM_SampleScenarioMix);

double lf_residentMegabytes()
{
    std::ifstream statm("/proc/self/statm");
    long pages = 0;
    long resident = 0;
    statm >> pages >> resident;
    return static_cast<double>(resident) * static_cast<double>(::sysconf(_SC_PAGESIZE)) / (1024.0 * 1024.0);
}

// 10,000 distinct lines a second into a running reader on 127.0.0.1; nothing takes from the queue.
void BM_BurstIntoRunningReader(benchmark::State& state)
{
    const char* secondsText = std::getenv("HLMR_BURST_SECONDS");
    const int seconds = secondsText != nullptr ? std::max(1, std::atoi(secondsText)) : 60;
    constexpr int perSecond = 10000;
    const feed::GeoPoint centre{52.3086, 4.7639};
    std::vector<std::string> lines;
    for (int index = 0; index < perSecond; ++index) {
        lines.push_back(feed::gf_burstLine(index, centre, 1717000000.0));
    }
    rangeNm.store(100.0);
    StatusBoard status;
    TrafficQueue queue;
    ResetRegistry resets;
    LiveTrafficReaders readers(queue, status, resets, gf_systemSteadyTime(), TrafficReaderOptions{0, 0, 1000ms});
    for (auto _ : state) {
        queue.setRunning(true);
        readers.setRangeCentre(centre.lat, centre.lon);
        readers.startTrafficReader(true);
        net::UdpSender sender("127.0.0.1", readers.trafficPort());
        // Settles the reader's own structures before the baseline.
        sender.send(lines[0]);
        std::this_thread::sleep_for(200ms);
        const double residentBefore = lf_residentMegabytes();
        std::size_t maxQueued = 0;
        uint64_t sent = 0;
        const auto start = std::chrono::steady_clock::now();
        for (int second = 0; second < seconds; ++second) {
            for (int slice = 0; slice < 100; ++slice) {
                const auto sliceEnd = start + std::chrono::milliseconds(second * 1000 + (slice + 1) * 10);
                for (int i = 0; i < perSecond / 100; ++i) {
                    sender.send(lines[static_cast<std::size_t>((second * perSecond + slice * 100 + i) % perSecond)]);
                    ++sent;
                }
                std::this_thread::sleep_until(sliceEnd);
            }
            maxQueued = std::max(maxQueued, queue.counts().size);
        }
        std::this_thread::sleep_for(200ms);
        readers.stop();
        readers.join();
        const IntakeCounts counts = readers.counts();
        state.counters["seconds"] = seconds;
        state.counters["sent"] = static_cast<double>(sent + 1);
        state.counters["received"] = static_cast<double>(counts.trafficDatagrams);
        state.counters["queued"] = static_cast<double>(counts.traffic.queued);
        state.counters["dropped"] = static_cast<double>(counts.traffic.droppedTotal());
        state.counters["unaccounted"] = static_cast<double>(counts.trafficDatagrams) -
                                        static_cast<double>(counts.traffic.queued + counts.traffic.droppedTotal());
        state.counters["evicted"] = static_cast<double>(counts.queue.overflowDropped);
        state.counters["queue_max"] = static_cast<double>(std::max(maxQueued, counts.queue.highWaterMark));
        state.counters["rss_growth_MB"] = lf_residentMegabytes() - residentBefore;
    }
}
BENCHMARK(BM_BurstIntoRunningReader)->Iterations(1)->Unit(benchmark::kSecond);

} // namespace
} // namespace hlw
