// The per-tick update of the live aircraft: 500 active aircraft of mixed kinds moved by the program's motion and
// sending their positions: cruising, turning in the air (bank and heading rates), approaching with the four flare
// stages, and taxiing along ground curves, each with 5 to 15 queued positions. The time of one tick's updates
// (mean and 99th percentile of the ticks) and the heap allocations of ticks that switch no leg and take no
// position. And the lifecycle share of 200 aircraft in "buffer" beside them: due, admitted as far as the live
// limit.
//
// Positions are taken (and the command buffer handed over) between the timed parts, as the engine tick does
// after the updates.
#include "engine/live/angles.h"
#include "engine/live/live_lifecycle.h"
#include "engine/live/live_motion.h"
#include "engine/live/live_safety.h"
#include "engine/live/position_stream.h"
#include "engine/live/received_positions.h"
#include "records/category_performance.h"
#include "refdata/code_table.h"
#include "settings/catalogue.h"

#include "support/allocation_counter.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <random>
#include <vector>

namespace hlw {
namespace {

using Clock = std::chrono::steady_clock;

constexpr int activeAircraft = 500;
constexpr int bufferAircraft = 200;
constexpr int32_t sampleTicks = 300;
constexpr double degPerNm = 1.0 / 60.0;
constexpr double feetPerNm = 6076.11549;

class NoTime final : public SteadyTimeSource {
public:
    TimePoint now() override { return {}; }
    void sleepUntil(TimePoint) override {}
};

enum class Kind { cruise, turn, approach, taxi };

Kind lf_kind(int i)
{
    constexpr Kind kinds[] = {Kind::cruise, Kind::turn, Kind::turn, Kind::approach, Kind::taxi, Kind::taxi};
    return kinds[i % 6];
}

// Knots, ft/min and the turn per sample in degrees of each kind.
struct KindMotion {
    double speedKt;
    double verticalFpm;
    double turnDeg;
};

KindMotion lf_motion(Kind kind)
{
    switch (kind) {
    case Kind::cruise: return {360.0, 0.0, 0.0};
    case Kind::turn: return {250.0, 0.0, 9.0};
    case Kind::approach: return {140.0, -700.0, 0.0};
    case Kind::taxi: return {15.0, 0.0, 35.0};
    }
    return {};
}

PositionRecord lf_position(double lat, double lon, double altitudeFt, double speedKt, int32_t due)
{
    PositionRecord position;
    position.latitude = lat;
    position.longitude = lon;
    position.altitudeFt = altitudeFt;
    position.groundSpeedKt = speedKt;
    position.trueAirspeedKt = speedKt;
    position.airborne = altitudeFt > 0.0 ? 1 : 0;
    position.dueTick = due;
    return position;
}

// The sample after the last one of the kind: along its track, turned by the kind's turn.
PositionRecord lf_following(const PositionRecord& last, Kind kind)
{
    const KindMotion motion = lf_motion(kind);
    PositionRecord next = last;
    next.trackDeg = std::fmod(last.trackDeg + motion.turnDeg, 360.0);
    const double nm = motion.speedKt * sampleTicks / 360000.0;
    const LatLon to = gf_destinationPoint({last.latitude, last.longitude}, next.trackDeg * radPerDeg, nm * feetPerNm);
    next.latitude = to.lat;
    next.longitude = to.lon;
    next.verticalSpeedFpm = motion.verticalFpm;
    if (kind == Kind::approach) {
        // The approach ends on the field at 370 ft; the flare is flown again whenever it ends.
        next.altitudeFt = std::max(370.0, last.altitudeFt + motion.verticalFpm * sampleTicks / 6000.0);
    }
    next.dueTick = last.dueTick + sampleTicks;
    return next;
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
    const CategoryPerformance& values = gf_categoryPerformance(flight.category);
    flight.normalTurnStepRad = values.normalTurnStepDeg * radPerDeg;
    flight.turnStepRad = flight.normalTurnStepRad;
    flight.climbLimitFtPerTick = values.climbLimitFtPerTick;
    flight.taxiSpeedKt = values.taxiSpeedKt;
    flight.flareTicks = values.flareTicks;
    flight.touchdownTicks = values.touchdownTicks;
    flight.halfWingspanNm = 0.0097;
    flight.staticCgHeightFt = 8.0;
    flight.staticPitchRad = 0.7 * radPerDeg;
    return flight;
}

// 500 aircraft of the four kinds, samples every 3 s.
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
            const Kind kind = lf_kind(i);
            const double lon = 4.0 + 0.01 * i;
            const double altitudeFt = kind == Kind::taxi ? 0.0 : kind == Kind::approach ? 1500.0 : 20000.0;
            PositionRecord first =
                lf_position(50.0, lon, altitudeFt, lf_motion(kind).speedKt, state.tick + phase(random) - sampleTicks);
            LiveAircraft aircraft(first, lf_flight(0x400000 + i), 1.7e9);
            const int count = queued(random);
            for (int k = 0; k < count; ++k) {
                aircraft.positions.push_back(lf_following(aircraft.positions.back(), kind));
            }
            aircraft.latitude = first.latitude;
            aircraft.longitude = first.longitude;
            aircraft.altitudeFt = altitudeFt;
            aircraft.state = SimObjectState::active;
            aircraft.objectId = 1000 + i;
            aircraft.groundMode = kind == Kind::taxi ? 1 : 0;
            aircraft.phase = kind == Kind::taxi ? MovementPhase::taxi : MovementPhase::flying;
            aircraft.landing = kind == Kind::approach ? 1 : 0;
            // Approaches come down to a field at 370 ft.
            aircraft.heightAboveGroundFt = kind == Kind::approach ? altitudeFt - 370.0 : altitudeFt;
            state.live.push_back(std::move(aircraft));
        }
        commands.fillBuffer().reserve(1024);
        commands.publishPositions();
        commands.fillBuffer().reserve(1024);
    }

    // The intake between ticks: every aircraft's stream is kept at 5 or more positions; an approach whose flare
    // ended climbs back to where it began.
    void takePositions()
    {
        for (std::size_t i = 0; i < state.live.size(); ++i) {
            LiveAircraft& aircraft = state.live[i];
            const Kind kind = lf_kind(static_cast<int>(i));
            if (kind == Kind::approach && aircraft.flareStage == 4) {
                aircraft.flareStage = 0;
                aircraft.altitudeFt += 400.0;
                aircraft.heightAboveGroundFt += 400.0;
                aircraft.pitch = 0.0;
            }
            while (aircraft.state == SimObjectState::active && aircraft.positions.size() < 5) {
                decodeExisting(context, aircraft, lf_following(aircraft.positions.back(), kind));
            }
        }
    }

    // The frame send takes what the tick handed over.
    void handOver()
    {
        commands.publishPositions();
        const SimCommandQueues::Lock held = commands.lock();
        commands.queued(held).positions.clear();
        commands.queued(held).events.clear();
    }

    LiveEngineState state;
    SimCommandQueues commands;
    ParkingPort parking;
    LiveServices services;
    TrafficReaders readers;
    LiveMotion motion{readers};
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
        const test::AllocationWindow allocations;
        const Clock::time_point start = Clock::now();
        for (LiveAircraft& aircraft : world.state.live) {
            updateLiveAc(world.context, aircraft);
        }
        const Clock::time_point end = Clock::now();
        const std::size_t allocated = allocations.counted().count;
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
        LiveAircraft waiting(lf_position(51.0, 4.0 + 0.01 * i, 20000.0, 360.0, now), lf_flight(0x500000 + i), 1.7e9);
        waiting.positions.push_back(
            lf_position(51.0 + 0.5 * degPerNm, 4.0 + 0.01 * i, 20000.0, 360.0, now + sampleTicks));
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

// The per-second safety passes with 500 live and 256 static aircraft, the user aircraft on the ground where none of
// them is close enough to be removed: every aircraft is tested and none goes.
void BM_PerSecondSafetyPasses(benchmark::State& bench)
{
    World world;
    for (int i = 0; i < 256; ++i) {
        StaticAircraft& fixed = world.state.statics.emplace_back(lf_flight(1 + i), 0, 49.0 + 0.001 * (i / 16),
                                                                 4.0 + 0.001 * (i % 16), 0.0, false);
        fixed.flight.callsign += "*";
        fixed.state = SimObjectState::active;
        fixed.objectId = 5000 + i;
    }
    UserAircraftFix user;
    user.latitude = 48.0;
    user.longitude = 3.0;
    user.onGround = true;
    world.state.user = user;
    LiveSafety safety;
    std::vector<double> passMicros;
    for (auto _ : bench) {
        // The user moves a little every second, so the static pass runs too.
        world.state.user->latitude += 1e-6;
        const Clock::time_point start = Clock::now();
        safety.removeGroundAircraftNearUser(world.context);
        safety.removeGroundAircraftAheadOfUser(world.context);
        safety.checkMovingAgainstParked(world.context);
        safety.removeStaticTwins(world.context);
        const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
        bench.SetIterationTime(seconds);
        passMicros.push_back(seconds * 1e6);
        for (LiveAircraft& aircraft : world.state.live) {
            aircraft.savedPosition = {};
        }
    }
    std::ranges::sort(passMicros);
    bench.counters["p99_us"] = passMicros[passMicros.size() * 99 / 100];
    bench.counters["removed"] = static_cast<double>(std::ranges::count_if(
        world.state.statics, [](const StaticAircraft& fixed) { return fixed.state != SimObjectState::active; }));
}
BENCHMARK(BM_PerSecondSafetyPasses)->UseManualTime()->Unit(benchmark::kMicrosecond)->Iterations(2000);

} // namespace
} // namespace hlw
