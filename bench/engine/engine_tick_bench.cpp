// One engine tick as the main loop runs it, on one core, with a full load: 500 active live aircraft flying the
// program's motion with about 10 queued positions each (each sends its position every tick), 500 active static
// aircraft (beside the parking port's defaults, which place nothing: a test double of the park airport), 2 received
// records taken per tick (each a new position of a known aircraft) and 16 simulator replies applied per tick
// (on-ground reports and static CGs of live objects). The frame send takes what each tick handed over between the
// ticks, as the simulator client thread would.
//
// The machine these run on is shared, so each tick is timed by the processor time of its thread (the reported
// time and cpu_p99_us); the wall-clock figures beside them include whatever else ran.
//
// BM_EngineTick times whole ticks: the mean, the 99th percentile, the slowest tick and the heap allocations per
// tick. BM_EngineTickSteps runs the tick's steps one by one and reports each step's share of the processor time.
#include "engine/live_motion.h"
#include "engine/traffic_engine.h"
#include "refdata/code_table.h"
#include "refdata/reference_tables.h"
#include "settings/catalogue.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <new>
#include <string>
#include <vector>

#include <time.h>

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

void operator delete(void* block) noexcept
{
    std::free(block);
}
void operator delete(void* block, std::size_t) noexcept
{
    std::free(block);
}

namespace hlw {
namespace {

using Clock = std::chrono::steady_clock;

double lf_threadCpuSeconds()
{
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

constexpr int liveAircraft = 500;
constexpr int staticAircraft = 500;
constexpr int repliesPerTick = 16;
constexpr int32_t startTick = 100000;
// Two records a tick reach each of the 500 aircraft every 250 ticks: 2.5 s, 0.25 nm at 360 kt.
constexpr int32_t recordEveryTicks = liveAircraft / TrafficEngine::intakePerTick;
constexpr int32_t replayDelayTicks = 3000;
constexpr double speedKt = 360.0;
constexpr double epochSeconds = 1.7e9;
constexpr uint32_t firstLiveObject = 1000;

class NoTime final : public SteadyTimeSource {
  public:
    TimePoint now() override { return {}; }
    void sleepUntil(TimePoint) override {}
};

class AnsweringSim final : public SimRequests {
  public:
    bool requestAircraftInRange(uint32_t) override { return true; }
    std::optional<UserAircraftFix> requestUserPosition() override { return UserAircraftFix{50.0, 4.5, 0.0, true}; }
    bool requestStaticCg(uint32_t) override { return true; }
    bool setSpoilersThrottle(uint32_t, SpoilersThrottleData) override { return true; }
    bool assignFlightPlan(uint32_t, const std::string&) override { return true; }
};

class FixedQnh final : public TrafficReaders {
  public:
    int32_t qnh() const override { return 1013; }
};

// Aircraft i flies north at 360 kt along its own meridian; where it is when a position is due at the tick.
PositionRecord lf_positionAt(int i, int32_t dueTick)
{
    PositionRecord position;
    position.latitude = 49.5 + (dueTick - startTick) / 100.0 * speedKt / 3600.0 / 60.0;
    position.longitude = 4.0 + 0.002 * i;
    position.altitudeFt = 20000.0;
    position.groundSpeedKt = speedKt;
    position.trueAirspeedKt = speedKt;
    position.airborne = 1;
    position.dueTick = dueTick;
    return position;
}

// The tick at which aircraft i's k-th record arrives: two aircraft each tick, each aircraft every 250 ticks.
int32_t lf_arrivalTick(int i, int32_t k)
{
    return startTick + k * recordEveryTicks + i / TrafficEngine::intakePerTick;
}

FlightRecord lf_flight(int i)
{
    FlightRecord flight;
    flight.hexId = 0x400000 + static_cast<uint32_t>(i);
    flight.callsign = "BNC" + std::to_string(i);
    flight.registration = "R" + std::to_string(i);
    flight.airline = gf_airlineIndex("BNC");
    flight.model = gf_modelIndex("A320");
    flight.category = AircraftCategory::Large;
    flight.climbLimitFtPerTick = 0.6;
    flight.taxiSpeedKt = 4.0;
    flight.halfWingspanNm = 0.0097;
    return flight;
}

struct World {
    World()
    {
        settings::maxLiveSel.set(liveAircraft);
        gf_modelCodes().setKnownCodes({"A320"});
        ReferenceTables tables;
        tables.categoryByModel.assign(gf_modelCodes().size(), AircraftCategory::Large);
        gf_installReferenceTables(std::move(tables));
        engine.reserve();
        LiveEngineState& state = engine.state();
        state.tick = startTick;
        traffic.setRunning(true);
        // The records of the last 3000 ticks wait in each stream: about 10 positions.
        for (int i = 0; i < liveAircraft; ++i) {
            const int32_t firstK = -replayDelayTicks / recordEveryTicks;
            LiveAircraft aircraft(lf_positionAt(i, lf_arrivalTick(i, firstK) + replayDelayTicks), lf_flight(i),
                                  epochSeconds);
            for (int32_t k = firstK + 1; k < 0; ++k) {
                aircraft.positions.push_back(lf_positionAt(i, lf_arrivalTick(i, k) + replayDelayTicks));
            }
            aircraft.lastTimestamp = epochSeconds + (lf_arrivalTick(i, -1) + replayDelayTicks) / 100.0;
            aircraft.latitude = aircraft.positions.front().latitude;
            aircraft.longitude = aircraft.positions.front().longitude;
            aircraft.altitudeFt = 20000.0;
            aircraft.heightAboveGroundFt = 20000.0;
            aircraft.state = SimObjectState::active;
            aircraft.phase = MovementPhase::flying;
            aircraft.objectId = firstLiveObject + static_cast<uint32_t>(i);
            state.live.push_back(std::move(aircraft));
        }
        for (int i = 0; i < staticAircraft; ++i) {
            StaticAircraft& parked = state.statics.emplace_back();
            parked.flight.hexId = static_cast<uint32_t>(i + 1);
            parked.flight.callsign = "S" + std::to_string(i) + "*";
            parked.state = SimObjectState::active;
            parked.objectId = 5000 + static_cast<uint32_t>(i);
            parked.standNumber = i + 1;
        }
        commands.fillBuffer().reserve(1024);
        commands.publishPositions();
        commands.fillBuffer().reserve(1024);
        records.reserve(TrafficEngine::intakePerTick);
    }
    ~World()
    {
        gf_clearReferenceTables();
        gf_modelCodes().reset();
        settings::maxLiveSel.set(settings::maxLiveSel.defaultValue());
    }

    // What the readers and the simulator client thread hand over before a tick: the two records that arrive now
    // and 16 replies.
    void arrive()
    {
        const int32_t tick = engine.state().tick;
        const int32_t k = (tick - startTick) / recordEveryTicks;
        const int first = (tick - startTick) % recordEveryTicks * TrafficEngine::intakePerTick;
        for (int i = first; i < first + TrafficEngine::intakePerTick; ++i) {
            TrafficRecord record;
            record.hexId = 0x400000 + static_cast<uint32_t>(i);
            record.head.callsign = "BNC" + std::to_string(i);
            record.head.registration = "R" + std::to_string(i);
            record.head.airline = gf_airlineIndex("BNC");
            record.head.model = gf_modelIndex("A320");
            record.position = lf_positionAt(i, lf_arrivalTick(i, k) + replayDelayTicks);
            record.timestamp = epochSeconds + record.position.dueTick / 100.0;
            traffic.push(std::move(record));
        }
        for (int j = 0; j < repliesPerTick; ++j) {
            const auto object = firstLiveObject + static_cast<uint32_t>((tick * repliesPerTick + j) % liveAircraft);
            if (j % 2 == 0) {
                replies.push({object, 0, 0, SimReplyType::onGroundStatus, 0.0, 20000.0});
            } else {
                replies.push({object, 0, 0, SimReplyType::staticCg, 8.0, 0.7 * 0.017453292519943295});
            }
        }
    }
    // The frame send takes the tick's positions and commands.
    void handOver()
    {
        const SimCommandQueues::Lock held = commands.lock();
        QueuedCommands& queued = commands.queued(held);
        sentPositions += queued.positions.size();
        queued.positions.clear();
        queued.events.clear();
        queued.creations.clear();
        queued.removals.clear();
    }
    int activeLive()
    {
        return static_cast<int>(std::ranges::count_if(engine.state().live, [](const LiveAircraft& aircraft) {
            return aircraft.state == SimObjectState::active;
        }));
    }

    NoTime time;
    SimCommandQueues commands;
    SimReplyQueue replies;
    AnsweringSim sim;
    LiveTrafficLink link;
    TrafficQueue traffic{time};
    ParkingPort parking;
    StatusBoard status;
    FixedQnh qnh;
    LiveMotion motion{qnh};
    TrafficEngine engine{{commands, replies, sim, link, traffic, parking, status, time, [] { return "."; }}, motion};
    std::vector<TrafficRecord> records;
    std::size_t sentPositions = 0;
};

double lf_percentile(std::vector<double>& values, int percent)
{
    std::ranges::sort(values);
    return values[values.size() * static_cast<std::size_t>(percent) / 100];
}

void BM_EngineTick(benchmark::State& bench)
{
    World world;
    std::vector<double> cpuMicros;
    std::vector<double> wallMicros;
    cpuMicros.reserve(1 << 16);
    wallMicros.reserve(1 << 16);
    std::size_t allocated = 0;
    for (auto _ : bench) {
        world.arrive();
        const std::size_t allocationsBefore = allocations.load(std::memory_order_relaxed);
        const Clock::time_point start = Clock::now();
        const double cpuStart = lf_threadCpuSeconds();
        world.engine.tick();
        const double cpuSeconds = lf_threadCpuSeconds() - cpuStart;
        const Clock::time_point end = Clock::now();
        allocated += allocations.load(std::memory_order_relaxed) - allocationsBefore;
        bench.SetIterationTime(cpuSeconds);
        cpuMicros.push_back(cpuSeconds * 1e6);
        wallMicros.push_back(std::chrono::duration<double>(end - start).count() * 1e6);
        world.handOver();
    }
    const auto ticks = static_cast<double>(cpuMicros.size());
    double wallTotal = 0.0;
    for (const double micros : wallMicros) {
        wallTotal += micros;
    }
    bench.counters["cpu_p99_us"] = lf_percentile(cpuMicros, 99);
    bench.counters["cpu_max_us"] = cpuMicros.back();
    bench.counters["wall_mean_us"] = wallTotal / ticks;
    bench.counters["wall_p99_us"] = lf_percentile(wallMicros, 99);
    bench.counters["allocs_per_tick"] = static_cast<double>(allocated) / ticks;
    bench.counters["positions_per_tick"] = static_cast<double>(world.sentPositions) / ticks;
    bench.counters["active_live_at_end"] = world.activeLive();
    bench.counters["queued_records_at_end"] = static_cast<double>(world.traffic.counts().size);
}
BENCHMARK(BM_EngineTick)->UseManualTime()->Unit(benchmark::kMicrosecond)->Iterations(20000);

// The steps of TrafficEngine::tick in its order, each timed on its own.
void BM_EngineTickSteps(benchmark::State& bench)
{
    World world;
    TrafficEngine& engine = world.engine;
    constexpr std::array<const char*, 7> names = {"replies", "update",       "hand_over",    "pacing",
                                                  "intake",  "adding_stack", "in_range_user"};
    std::array<double, names.size()> seconds{};
    for (auto _ : bench) {
        world.arrive();
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
        ++engine.state().tick;
        world.traffic.publishEngineTick(engine.state().tick);
        bench.SetIterationTime(last - start);
        world.handOver();
    }
    double total = 0.0;
    for (const double part : seconds) {
        total += part;
    }
    for (std::size_t i = 0; i < names.size(); ++i) {
        bench.counters[std::string("share_") + names[i] + "_pct"] = 100.0 * seconds[i] / total;
    }
}
BENCHMARK(BM_EngineTickSteps)->UseManualTime()->Unit(benchmark::kMicrosecond)->Iterations(20000);

} // namespace
} // namespace hlw
