#pragma once
// The traffic engine as the program wires it, on a bench: the engine with the program's motion, its side of the
// park airport and the parking service, the traffic queue fed by the traffic reader's handling of datagrams, and an
// in-process simulator (bench_simulator.h). The program folder is a temporary one with the sample reference data
// and livery tables; the park airport is a generated one at EHAM with enough stands for the static aircraft and the
// live ones.
//
// build() fills the park airport with static aircraft placed by the parking service (the selection, one placement
// and one creation every 500 ms, as in the program) and brings the live traffic (bench_flights.h) in: each flight's
// datagrams reach the queue as they are sent, each aircraft becomes due 30 s later and is created at the engine's
// pace. Time is simulated: every tick is 10 ms, whatever it takes.
#include "bench_flights.h"
#include "bench_simulator.h"
#include "core/status_board.h"
#include "engine/intake/traffic_reader.h"
#include "engine/live/engine_lifecycle.h"
#include "engine/live/live_motion.h"
#include "engine/live/live_safety.h"
#include "engine/live/parking_traffic_link.h"
#include "engine/live/traffic_engine.h"
#include "parking/parking_service.h"

#include <array>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace hlw::bench {

// The simulated steady clock: 10 ms per tick.
class TickTime final : public SteadyTimeSource {
  public:
    TimePoint now() override { return now_; }
    void sleepUntil(TimePoint deadline) override { now_ = std::max(now_, deadline); }
    void advanceTick() { now_ += std::chrono::milliseconds(10); }

  private:
    TimePoint now_{std::chrono::hours(1)};
};

// The QNH the motion reads, and the park airport handed on to the traffic reader as the program's readers do.
class BenchReaders final : public TrafficReaders {
  public:
    explicit BenchReaders(TrafficReader& reader) : reader_(reader) {}
    void setParkAirport(const std::optional<ParkAirportFix>& airport) override { reader_.setParkAirport(airport); }
    void setRangeCentre(double latitude, double longitude) override { reader_.setRangeCentre({latitude, longitude}); }

  private:
    TrafficReader& reader_;
};

// The program folder of the benchmarks, one per process: made current for its lifetime and removed at the end, with
// the log, the sample reference data and the livery tables of 60,000 generated liveries.
class BenchFolder {
  public:
    static BenchFolder& shared();
    ~BenchFolder();
    BenchFolder(const BenchFolder&) = delete;
    BenchFolder& operator=(const BenchFolder&) = delete;

    const std::filesystem::path& path() const noexcept { return path_; }

  private:
    BenchFolder();

    std::filesystem::path path_;
    std::filesystem::path previous_;
};

// How many aircraft of each kind the engine moves.
struct WorldCounts {
    int liveActive = 0;
    int staticActive = 0;
    std::array<int, 8> byPhase{}; // active live aircraft by MovementPhase
    std::size_t queuedPositions = 0;
};

class TickWorld {
  public:
    TickWorld(int liveCount, int staticCount);
    ~TickWorld();
    TickWorld(const TickWorld&) = delete;
    TickWorld& operator=(const TickWorld&) = delete;

    // The statics placed and the live traffic created: runs until 98 % of the live aircraft are active, at most a
    // simulated hour; throws when they are not there by then, or fewer statics than staticCount are active.
    void build();

    // What happens between two ticks on the other threads: the simulator's frame and the datagrams of the next
    // 10 ms through the traffic reader.
    void betweenTicks();
    // One engine tick and the clock's 10 ms.
    void tick();
    // The end of a tick whose steps the caller ran one by one: the tick counted and published, the clock's 10 ms.
    void endSteppedTick();

    WorldCounts counts();
    TrafficEngine& engine() noexcept { return engine_; }
    const BenchSimulator& simulator() const noexcept { return simulator_; }
    uint64_t datagrams() const noexcept { return datagrams_; }

  private:
    // Static and live aircraft parked at the park airport at most.
    int parkLimit() const;
    void placeStatics();
    std::vector<LatLon> freeStands();
    // The live records by the kind of their flight, state and phase, for a failed build.
    std::string liveByKind();

    BenchFolder& folder_ = BenchFolder::shared();
    int liveCount_;
    int staticCount_;
    TickTime time_;
    StatusBoard status_;
    SimCommandQueues commands_;
    SimReplyQueue replies_;
    LiveTrafficLink link_;
    TrafficQueue traffic_{time_};
    TrafficReader reader_{traffic_, status_, time_};
    BenchReaders readers_{reader_};
    LiveMotion motion_{readers_};
    BenchSimulator simulator_;
    // The engine's side of the park airport refers to the engine, which is made further down.
    EngineParkingTraffic parkingTraffic_{engine_, readers_, traffic_};
    ParkingService parking_{parkingTraffic_, status_, time_};
    TrafficEngine engine_;
    // The per-second step's arrivals, taken between ticks as the worker does.
    LiveSafety safety_;
    EngineLifecycle lifecycle_{engine_, safety_};
    std::optional<FlightSender> senders_;
    int32_t flightsStartTick_ = 0;
    std::vector<std::string> lines_;
    uint64_t datagrams_ = 0;
};

} // namespace hlw::bench
