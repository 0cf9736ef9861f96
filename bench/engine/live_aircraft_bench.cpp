// The per-tick update of the live aircraft: 500 active airborne aircraft with 5 to 15 queued positions each, moved
// by the straight motion and sending their positions; the time of one tick's updates (mean and 99th percentile of
// the ticks) and the heap allocations of ticks that switch no leg and take no position. And the lifecycle share
// of 200 aircraft in "buffer" beside them: due, admitted as far as the live limit.
//
// Positions are taken (and the command buffer handed over) between the timed parts, as the engine tick does
// after the updates.
#include "engine/live_lifecycle.h"
#include "engine/position_stream.h"
#include "engine/straight_motion.h"
#include "refdata/code_table.h"
#include "settings/catalogue.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <new>
#include <random>
#include <vector>

// Every heap allocation of the program is counted. The replacements pair operator new with malloc and operator
// delete with free, which GCC cannot see through.
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
namespace {
std::atomic<std::size_t> allocations{0};
}

void* operator new(std::size_t size)
{
    allocations.fetch_add(1, std::memory_order_relaxed);
    if (void* block = std::malloc(size == 0 ? 1 : size)) {
        return block;
    }
    throw std::bad_alloc();
}

void operator delete(void* block) noexcept { std::free(block); }
void operator delete(void* block, std::size_t) noexcept { std::free(block); }

namespace hlw {
namespace {

using Clock = std::chrono::steady_clock;

constexpr int activeAircraft = 500;
constexpr int bufferAircraft = 200;
constexpr int32_t sampleTicks = 300;
constexpr double degPerNm = 1.0 / 60.0;

class NoTime final : public SteadyTimeSource {
public:
    TimePoint now() override { return {}; }
    void sleepUntil(TimePoint) override {}
};

PositionRecord lf_position(double lat, double lon, int32_t due)
{
    PositionRecord position;
    position.latitude = lat;
    position.longitude = lon;
    position.altitudeFt = 20000.0;
    position.groundSpeedKt = 360.0;
    position.trueAirspeedKt = 360.0;
    position.airborne = 1;
    position.dueTick = due;
    return position;
}

FlightRecord lf_flight(uint32_t hexId)
{
    FlightRecord flight;
    flight.hexId = hexId;
    flight.callsign = "B" + std::to_string(hexId);
    flight.registration = "R" + std::to_string(hexId);
    flight.airline = gf_airlineIndex("BNC");
    flight.model = gf_modelIndex("A320");
    flight.category = AircraftCategory::Large;
    flight.climbLimitFtPerTick = 0.6;
    return flight;
}

// 500 aircraft flying north at 360 kt (0.5 nm per sample), positions every 3 s.
struct World {
    World()
    {
        settings::maxLiveSel.set(activeAircraft);
        state.reserve();
        state.tick = 100000;
        std::mt19937 random(5);
        std::uniform_int_distribution<int> queued(5, 15);
        std::uniform_int_distribution<int32_t> phase(0, sampleTicks - 1);
        for (int i = 0; i < activeAircraft; ++i) {
            const double lon = 4.0 + 0.01 * i;
            const int32_t firstDue = state.tick + phase(random);
            LiveAircraft aircraft(lf_position(50.0, lon, firstDue - sampleTicks), lf_flight(0x400000 + i), 1.7e9);
            const int count = queued(random);
            for (int k = 0; k < count; ++k) {
                aircraft.positions.push_back(lf_position(50.0 + 0.5 * degPerNm * (k + 1), lon, firstDue + k * sampleTicks));
            }
            aircraft.latitude = 50.0;
            aircraft.longitude = lon;
            aircraft.altitudeFt = 20000.0;
            aircraft.state = SimObjectState::active;
            aircraft.objectId = 1000 + i;
            aircraft.phase = MovementPhase::flying;
            state.live.push_back(std::move(aircraft));
        }
        commands.fillBuffer().reserve(1024);
        commands.publishPositions();
        commands.fillBuffer().reserve(1024);
    }

    // The intake between ticks: every aircraft's stream is kept at 5 or more positions.
    void takePositions()
    {
        for (LiveAircraft& aircraft : state.live) {
            while (aircraft.state == SimObjectState::active && aircraft.positions.size() < 5) {
                const PositionRecord& last = aircraft.positions.back();
                decodeExisting(context, aircraft,
                               lf_position(last.latitude + 0.5 * degPerNm, last.longitude, last.dueTick + sampleTicks));
            }
        }
    }

    // The frame send takes what the tick handed over.
    void handOver()
    {
        commands.publishPositions();
        const SimCommandQueues::Lock held = commands.lock();
        commands.queued(held).positions.clear();
    }

    LiveEngineState state;
    SimCommandQueues commands;
    ParkingPort parking;
    LiveServices services;
    StraightMotion motion;
    NoTime time;
    LiveContext context{state, commands, parking, services, motion, time};
};

std::size_t lf_queuedPositions(const LiveEngineState& state)
{
    std::size_t total = 0;
    for (const LiveAircraft& aircraft : state.live) {
        total += aircraft.positions.size();
    }
    return total;
}

void BM_UpdateActiveAircraft(benchmark::State& bench)
{
    World world;
    std::vector<double> tickMicros;
    tickMicros.reserve(1 << 20);
    std::size_t plainTicks = 0;
    std::size_t plainTickAllocations = 0;
    for (auto _ : bench) {
        const std::size_t queuedBefore = lf_queuedPositions(world.state);
        const std::size_t allocationsBefore = allocations.load(std::memory_order_relaxed);
        const Clock::time_point start = Clock::now();
        for (LiveAircraft& aircraft : world.state.live) {
            updateLiveAc(world.context, aircraft);
        }
        const Clock::time_point end = Clock::now();
        const std::size_t allocated = allocations.load(std::memory_order_relaxed) - allocationsBefore;
        if (lf_queuedPositions(world.state) == queuedBefore) {
            ++plainTicks;
            plainTickAllocations += allocated;
        }
        const double seconds = std::chrono::duration<double>(end - start).count();
        bench.SetIterationTime(seconds);
        tickMicros.push_back(seconds * 1e6);
        world.handOver();
        ++world.state.tick;
        world.takePositions();
    }
    std::ranges::sort(tickMicros);
    const auto removed = std::ranges::count_if(
        world.state.live, [](const LiveAircraft& aircraft) { return aircraft.state != SimObjectState::active; });
    bench.counters["p99_us"] = tickMicros[tickMicros.size() * 99 / 100];
    bench.counters["max_us"] = tickMicros.back();
    bench.counters["plain_ticks"] = static_cast<double>(plainTicks);
    bench.counters["allocs_in_plain_ticks"] = static_cast<double>(plainTickAllocations);
    bench.counters["not_active"] = static_cast<double>(removed);
}
BENCHMARK(BM_UpdateActiveAircraft)->UseManualTime()->Unit(benchmark::kMicrosecond)->Iterations(20000);

// 200 records in "buffer" whose first position is due, beside the 500 active ones: each runs the admission checks
// up to the live limit (500 reached: no room is made and the record is dropped; it is put back between ticks).
void BM_BufferBesideActive(benchmark::State& bench)
{
    World world;
    const int32_t now = world.state.tick;
    for (int i = 0; i < bufferAircraft; ++i) {
        LiveAircraft waiting(lf_position(51.0, 4.0 + 0.01 * i, now), lf_flight(0x500000 + i), 1.7e9);
        waiting.positions.push_back(lf_position(51.0 + 0.5 * degPerNm, 4.0 + 0.01 * i, now + sampleTicks));
        world.state.live.push_back(std::move(waiting));
    }
    std::vector<double> tickMicros;
    for (auto _ : bench) {
        const Clock::time_point start = Clock::now();
        for (auto it = world.state.live.begin() + activeAircraft; it != world.state.live.end(); ++it) {
            updateLiveAc(world.context, *it);
        }
        const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
        bench.SetIterationTime(seconds);
        tickMicros.push_back(seconds * 1e6);
        for (auto it = world.state.live.begin() + activeAircraft; it != world.state.live.end(); ++it) {
            it->erase = 0;
        }
    }
    std::ranges::sort(tickMicros);
    bench.counters["p99_us"] = tickMicros[tickMicros.size() * 99 / 100];
}
BENCHMARK(BM_BufferBesideActive)->UseManualTime()->Unit(benchmark::kMicrosecond)->Iterations(5000);

} // namespace
} // namespace hlw
