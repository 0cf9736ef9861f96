// The engine tick as the program runs it (tick_world.h): TrafficEngine::tick with the program's motion and park
// airport, 500 live aircraft of mixed phases (cruise, turns, climbs and descents, approach with flare and roll-out,
// taxi, parked) fed through the traffic reader's handling of their datagrams, and 500 static aircraft placed by the
// parking service. Between two ticks the simulator's frame and the datagrams of the next 10 ms run, and then
// 64 MiB are written, so that each tick starts with none of the engine's data in the caches, as in the program,
// whose worker sleeps between its steps while other threads and processes run.
//
// The machine these run on may be shared, so each tick is timed by the processor time of its thread. Every heap
// allocation in a tick is counted. Figures: the tick's mean (the reported time), p50, p99 and the slowest, the
// allocations per tick, the most in one tick and the ticks that allocated, the positions sent per tick, and the
// live aircraft by phase at the end.
//
// BM_EngineTick/0 is that tick; BM_EngineTick/1 the same without the cache flush. BM_EngineTickSteps times the
// tick's steps one by one (cold) and reports each step's share. HLMR_TICKS sets the number of ticks timed
// (default 3000, 30 s of traffic). The instructions of the timed ticks alone: HLMR_TICKS=1000 valgrind
// --tool=callgrind --toggle-collect='*lf_timedTick*' engine_tick_bench --benchmark_filter='BM_EngineTick/1'
#include "tick_world.h"

#include "support/allocation_counter.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <string>
#include <vector>

#include <time.h>

namespace hlw::bench {
namespace {

constexpr int liveAircraft = 500;
constexpr int staticAircraft = 500;
constexpr std::size_t flushBytes = std::size_t{64} << 20;

double lf_threadCpuSeconds() noexcept
{
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

int64_t lf_ticks()
{
    const char* text = std::getenv("HLMR_TICKS");
    return text != nullptr && std::atoi(text) > 0 ? std::atoi(text) : 3000;
}

// Writes one byte of every cache line of a buffer twice the size of the last-level cache.
void lf_flushCaches()
{
    static std::vector<char> buffer(flushBytes);
    for (std::size_t i = 0; i < buffer.size(); i += 64) {
        ++buffer[i];
    }
    benchmark::ClobberMemory();
}

double lf_percentile(std::vector<double> values, int percent)
{
    std::ranges::sort(values);
    return values[std::min(values.size() - 1, values.size() * static_cast<std::size_t>(percent) / 100)];
}

// The timed tick on its own, so that "valgrind --tool=callgrind --toggle-collect='*lf_timedTick*'" counts the
// instructions of the timed ticks alone.
[[gnu::noinline]] void lf_timedTick(TickWorld& world)
{
    world.tick();
}

void lf_reportWorld(benchmark::State& bench, TickWorld& world)
{
    const WorldCounts counts = world.counts();
    bench.counters["live_active"] = counts.liveActive;
    bench.counters["static_active"] = counts.staticActive;
    bench.counters["queued_positions"] = static_cast<double>(counts.queuedPositions);
    static constexpr std::array<const char*, 8> phases = {"pushing_back", "pushed_back", "taxi",   "take_off",
                                                          "flying",       "parking",     "parked", "birth"};
    for (std::size_t phase = 0; phase < phases.size(); ++phase) {
        if (counts.byPhase[phase] > 0) {
            bench.counters[std::string("phase_") + phases[phase]] = counts.byPhase[phase];
        }
    }
}

void BM_EngineTick(benchmark::State& bench)
{
    const bool flush = bench.range(0) == 0;
    TickWorld world(liveAircraft, staticAircraft);
    world.build();
    std::vector<double> cpuMicros;
    cpuMicros.reserve(static_cast<std::size_t>(lf_ticks()));
    std::size_t allocated = 0;
    std::size_t mostInOneTick = 0;
    std::size_t ticksAllocating = 0;
    const uint64_t positionsBefore = world.simulator().positionsTaken();
    const uint64_t datagramsBefore = world.datagrams();
    for (auto _ : bench) {
        world.betweenTicks();
        if (flush) {
            lf_flushCaches();
        }
        const test::AllocationWindow allocations;
        const double cpuStart = lf_threadCpuSeconds();
        lf_timedTick(world);
        const double cpuSeconds = lf_threadCpuSeconds() - cpuStart;
        const std::size_t tickAllocations = allocations.counted().count;
        allocated += tickAllocations;
        mostInOneTick = std::max(mostInOneTick, tickAllocations);
        ticksAllocating += tickAllocations > 0 ? 1 : 0;
        bench.SetIterationTime(cpuSeconds);
        cpuMicros.push_back(cpuSeconds * 1e6);
    }
    world.betweenTicks();
    const auto ticks = static_cast<double>(cpuMicros.size());
    bench.counters["cpu_p50_us"] = lf_percentile(cpuMicros, 50);
    bench.counters["cpu_p99_us"] = lf_percentile(cpuMicros, 99);
    bench.counters["cpu_max_us"] = *std::ranges::max_element(cpuMicros);
    bench.counters["allocs_per_tick"] = static_cast<double>(allocated) / ticks;
    bench.counters["allocs_max_tick"] = static_cast<double>(mostInOneTick);
    bench.counters["ticks_allocating"] = static_cast<double>(ticksAllocating);
    bench.counters["positions_per_tick"] =
        static_cast<double>(world.simulator().positionsTaken() - positionsBefore) / ticks;
    bench.counters["datagrams_per_tick"] = static_cast<double>(world.datagrams() - datagramsBefore) / ticks;
    lf_reportWorld(bench, world);
}
BENCHMARK(BM_EngineTick)->Arg(0)->Arg(1)->UseManualTime()->Unit(benchmark::kMicrosecond)->Iterations(lf_ticks());

// The steps of TrafficEngine::tick in its order, each timed on its own, with the cache flush before each tick.
void BM_EngineTickSteps(benchmark::State& bench)
{
    TickWorld world(liveAircraft, staticAircraft);
    world.build();
    TrafficEngine& engine = world.engine();
    constexpr std::array<const char*, 7> names = {"replies", "update",       "hand_over",    "pacing",
                                                  "intake",  "adding_stack", "in_range_user"};
    std::array<double, names.size()> seconds{};
    for (auto _ : bench) {
        world.betweenTicks();
        lf_flushCaches();
        LiveContext live = engine.context();
        std::size_t step = 0;
        double last = lf_threadCpuSeconds();
        const double start = last;
        const auto lap = [&] {
            const double now = lf_threadCpuSeconds();
            seconds[step++] += now - last;
            last = now;
        };
        engine.applySimReplies();
        lap();
        engine.updateLiveAircraft(live);
        lap();
        engine.publishPositions();
        lap();
        engine.paceSimRequests();
        lap();
        engine.takeTraffic(live);
        lap();
        engine.requestFromAddingStack();
        lap();
        engine.requestAcInRange();
        lap();
        world.endSteppedTick();
        bench.SetIterationTime(last - start);
    }
    double total = 0.0;
    for (const double part : seconds) {
        total += part;
    }
    for (std::size_t i = 0; i < names.size(); ++i) {
        bench.counters[std::string("share_") + names[i] + "_pct"] = 100.0 * seconds[i] / total;
    }
}
BENCHMARK(BM_EngineTickSteps)->UseManualTime()->Unit(benchmark::kMicrosecond)->Iterations(lf_ticks());

} // namespace
} // namespace hlw::bench
