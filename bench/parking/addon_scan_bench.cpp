// The add-on airports scan over the airport tree builder's "bench" tree: 200 add-on airports (20 stands each)
// among 20,000 files, in a program folder of its own.
//
// Goals: the scan while the simulator refuses the facility connection (every airport read from its BGL file)
// within 2x the time of reading every file of the tree once (measured beside it, same run, warm cache); the
// quick check at 20,000 files/s or more; with the simulator stand-in answering, the time per airport; and a
// 500-stand airport's facility data read in under 100 ms.
#include "parking/addon_scan.h"
#include "parking/bgl_reader.h"
#include "parking/facility_reader.h"

#include "airport_tree.h"
#include "core/log.h"
#include "refdata/airports_database.h"
#include "refdata/reference_tables.h"
#include "settings/catalogue.h"
#include "standin_process.h"
#include "support/sim_recording.h"

#include <benchmark/benchmark.h>
#include <fmt/format.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;
using namespace hlw;

constexpr int benchAirports = 200;
constexpr int benchFiles = 20000;

// The program folder with the tree, made once per run and made the current folder.
class ScanWorld {
  public:
    ScanWorld() : folder_(fs::temp_directory_path() / fmt::format("hlmr-scan-bench-{}", ::getpid()))
    {
        fs::create_directories(folder_ / "input");
        fs::create_directories(folder_ / "user");
        layout_ = tree::gf_buildAirportTree("bench", folder_ / "sim", {benchAirports, benchFiles, 20, 500});
        fs::copy_file(folder_ / "sim/ICAO_airports.txt", folder_ / "input/ICAO_airports.txt");
        fs::current_path(folder_);
        gf_startLog(folder_ / "Log.txt");
        gf_overrideDataFolderPath(folder_ / "user");
        settings::msfsInstallPath.set((folder_ / "sim/packages").string());
        std::vector<AirportRecord> airports;
        for (const auto& airport : layout_) {
            airports.push_back({AirportCode(airport["code"].get<std::string>()), gf_noIataCode(), 40.0, 0.0, 0.0F, 0});
        }
        airports.push_back({AirportCode("BLRG"), gf_noIataCode(), 45.0, 5.0, 0.0F, 0});
        gf_installAirports(std::move(airports));
        gf_installReferenceTables({});
        for (const fs::directory_entry& entry : fs::recursive_directory_iterator(folder_ / "sim/packages")) {
            if (entry.is_regular_file()) {
                files_.push_back(entry.path());
                if (entry.path().extension() == ".bgl") {
                    bglFiles_.push_back(entry.path());
                }
            }
        }
    }
    ~ScanWorld()
    {
        gf_stopLog();
        gf_overrideDataFolderPath(std::nullopt);
        fs::current_path(folder_.parent_path());
        fs::remove_all(folder_);
    }

    const std::vector<fs::path>& files() const { return files_; }
    const std::vector<fs::path>& bglFiles() const { return bglFiles_; }
    fs::path facilities() const { return folder_ / "sim/facilities"; }
    // The airports the last scan wrote.
    std::size_t generated() const
    {
        std::size_t count = 0;
        for (const fs::directory_entry& entry : fs::directory_iterator(folder_ / "airports/my_thirdparty")) {
            count += entry.path().extension() == ".xml" ? 1 : 0;
        }
        return count;
    }

  private:
    fs::path folder_;
    nlohmann::json layout_;
    std::vector<fs::path> files_;
    std::vector<fs::path> bglFiles_;
};

ScanWorld& lf_world()
{
    static ScanWorld world;
    return world;
}

void lf_scan()
{
    StatusBoard status;
    settings::scanAirports.set(true);
    AddonAirportsScan(status, gf_systemSteadyTime()).scanAddonAirports();
}

void BM_ReadEveryFileOnce(benchmark::State& state)
{
    const ScanWorld& world = lf_world();
    std::string bytes;
    for (auto _ : state) {
        std::size_t total = 0;
        for (const fs::path& file : world.files()) {
            std::ifstream in(file, std::ios::binary);
            bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
            total += bytes.size();
        }
        benchmark::DoNotOptimize(total);
    }
    state.counters["files"] = static_cast<double>(world.files().size());
}
BENCHMARK(BM_ReadEveryFileOnce)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_ScanWhileTheSimulatorRefuses(benchmark::State& state)
{
    ScanWorld& world = lf_world();
    SimRecordingScope simulator;
    simulator.refuseOpen(true);
    for (auto _ : state) {
        lf_scan();
    }
    if (world.generated() != benchAirports) {
        state.SkipWithError("the scan did not generate every airport");
    }
    state.counters["airports"] = static_cast<double>(world.generated());
}
BENCHMARK(BM_ScanWhileTheSimulatorRefuses)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_QuickCheck(benchmark::State& state)
{
    const ScanWorld& world = lf_world();
    std::size_t airports = 0;
    for (auto _ : state) {
        airports = 0;
        for (const fs::path& file : world.bglFiles()) {
            airports += gf_bglQuickCheck(file) ? 1 : 0;
        }
    }
    if (airports != benchAirports) {
        state.SkipWithError("the quick check did not find every airport");
    }
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * world.bglFiles().size()));
    state.counters["bgl_files"] = static_cast<double>(world.bglFiles().size());
}
BENCHMARK(BM_QuickCheck)->Unit(benchmark::kMillisecond);

// The simulator stand-in answering from the tree's facility files.
struct AnsweringSimulator {
    AnsweringSimulator()
    {
        standin.control("facility dir " + lf_world().facilities().string());
        ::setenv("HLMR_SIM_PORT", std::to_string(standin.simPort()).c_str(), 1);
    }
    test::StandinProcess standin;
};

void BM_ScanWithTheSimulatorAnswering(benchmark::State& state)
{
    ScanWorld& world = lf_world();
    const AnsweringSimulator simulator;
    const auto start = std::chrono::steady_clock::now();
    for (auto _ : state) {
        lf_scan();
    }
    const std::chrono::duration<double, std::milli> spent = std::chrono::steady_clock::now() - start;
    if (world.generated() != benchAirports) {
        state.SkipWithError("the scan did not generate every airport");
    }
    state.counters["per_airport_ms"] =
        spent.count() / static_cast<double>(state.iterations()) / static_cast<double>(benchAirports);
}
BENCHMARK(BM_ScanWithTheSimulatorAnswering)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();

void BM_FacilityReadOf500Stands(benchmark::State& state)
{
    const AnsweringSimulator simulator;
    FacilityReader reader(gf_systemSteadyTime());
    std::size_t stands = 0;
    for (auto _ : state) {
        ApfData data;
        int32_t helipads = 0;
        if (!reader.read(AirportCode("BLRG"), data, helipads)) {
            state.SkipWithError("the facility data was not read");
            break;
        }
        stands = data.stands.size();
    }
    state.counters["stands"] = static_cast<double>(stands);
}
BENCHMARK(BM_FacilityReadOf500Stands)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace
