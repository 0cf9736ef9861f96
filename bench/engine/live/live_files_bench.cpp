// The files the engine writes while traffic runs: one flight plan (a temporary file renamed over the target), and
// "ObjectIdList.txt" with 500 active aircraft (written safely: flushed to the disk and renamed). Each is timed by
// the wall clock, which includes the disk's flush, and by the processor time of the thread (the machine is shared).
// The folder is a temporary one under TMPDIR (default /tmp).
#include "engine/live/flight_plans.h"
#include "engine/live/live_list.h"
#include "refdata/code_table.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <stdexcept>
#include <string>

#include <stdlib.h>

#include <time.h>

namespace hlw {
namespace {

namespace fs = std::filesystem;

double lf_threadCpuSeconds()
{
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

class BenchFolder {
  public:
    BenchFolder()
    {
        const char* base = std::getenv("TMPDIR");
        const fs::path parent = base != nullptr && *base != '\0' ? base : "/tmp";
        std::string pattern = (parent / "hlmr-bench-XXXXXX").string();
        if (::mkdtemp(pattern.data()) == nullptr) {
            throw std::runtime_error("no temporary folder");
        }
        path_ = pattern;
    }
    ~BenchFolder()
    {
        std::error_code ignored;
        fs::remove_all(path_, ignored);
    }
    BenchFolder(const BenchFolder&) = delete;
    BenchFolder& operator=(const BenchFolder&) = delete;
    const fs::path& path() const { return path_; }

  private:
    fs::path path_;
};

template <class Write> void lf_timeWrites(benchmark::State& bench, Write&& write)
{
    double cpuSeconds = 0.0;
    for (auto _ : bench) {
        const auto start = std::chrono::steady_clock::now();
        const double cpuStart = lf_threadCpuSeconds();
        if (!write()) {
            bench.SkipWithError("the write failed");
            return;
        }
        cpuSeconds += lf_threadCpuSeconds() - cpuStart;
        bench.SetIterationTime(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    }
    bench.counters["cpu_us"] = cpuSeconds * 1e6 / static_cast<double>(bench.iterations());
}

void BM_WriteFlightPlan(benchmark::State& bench)
{
    BenchFolder folder;
    FlightRecord flight;
    flight.category = AircraftCategory::Heavy;
    flight.origin = RouteCode("JFK");
    flight.destination = RouteCode("AMS");
    uint32_t objectId = 1000;
    lf_timeWrites(bench, [&] { return gf_writeFlightPlan(gf_flightPlanPath(folder.path(), objectId++), flight); });
}
BENCHMARK(BM_WriteFlightPlan)->UseManualTime()->Unit(benchmark::kMicrosecond)->Iterations(2000);

void BM_WriteObjectIdList500(benchmark::State& bench)
{
    BenchFolder folder;
    LiveEngineState state;
    for (uint32_t i = 0; i < 500; ++i) {
        FlightRecord flight;
        flight.hexId = 0x400000 + i;
        flight.callsign = "KLM" + std::to_string(1000 + i);
        flight.registration = "PH-" + std::to_string(i);
        flight.airline = gf_airlineIndex("KLM");
        flight.model = gf_modelIndex("B738");
        LiveAircraft& aircraft = state.live.emplace_back(PositionRecord{}, std::move(flight), 1.7e9);
        aircraft.state = SimObjectState::active;
        aircraft.objectId = 1000 + i;
        aircraft.phase = i % 10 == 0 ? MovementPhase::parked : MovementPhase::flying;
        aircraft.groundMode = i % 10 == 0 ? 1 : 0;
    }
    const fs::path path = folder.path() / "ObjectIdList.txt";
    lf_timeWrites(bench, [&] { return gf_writeLiveAcList(state, path); });
    bench.counters["bytes"] = static_cast<double>(fs::file_size(path));
}
BENCHMARK(BM_WriteObjectIdList500)->UseManualTime()->Unit(benchmark::kMicrosecond)->Iterations(300);

} // namespace
} // namespace hlw
