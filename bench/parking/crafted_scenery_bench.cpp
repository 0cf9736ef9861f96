// The add-on airports scan over one crafted BGL file under the size cap, in a package whose manifest names a
// maker, with the simulator refusing the facility connection (every airport read from the file):
//   same_code        100,000 airport records, all EHAM, a parking each (16.8 MB)
//   promised_count   50,000 airports whose parkings count says 65,535 but that hold one
//   one_stand_id     15 airports of 65,535 parkings with one id (55 MB)
//   unsupported      100,000 airports, each with another code the airports database does not know
//   known_codes      10,000 airports, each with another code the airports database knows: 10,000 files to write
//   stop             known_codes with a stop of the run requested 100 ms after the scan began, and 1,000 ms
//                    after it, when thousands of the 10,000 files are written: the time from the stop to the end
//                    of the scan (which syncs the file system and packs nothing), the files written before the
//                    stop, and the time from a stop 100 ms into the file alone to its end
// Each airport has an airport section of its own, so that the walk of the sections finds every one.
//
// Goal: each file scans in at most 2 s, and a file ends within 100 ms of a stop. The counters give the scan log
// lines, the log lines and the generated files written ("Generated" lines) of one scan, and the time of the file
// alone (file_ms: the file read once more, its airports written again).
#include "parking/addon_scan.h"
#include "parking/bgl_airports.h"

#include "bgl_writer.h"
#include "core/log.h"
#include "core/run_state_port.h"
#include "refdata/airports_database.h"
#include "refdata/reference_tables.h"
#include "settings/catalogue.h"
#include "support/sim_recording.h"

#include <benchmark/benchmark.h>
#include <fmt/format.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;
using namespace hlw;
using Clock = std::chrono::steady_clock;

constexpr double packageLat = 52.3;

tree::BglAirport lf_airport(std::string ident, int parkings, bool helipad)
{
    tree::BglAirport airport;
    airport.ident = std::move(ident);
    if (helipad) {
        airport.helipads.push_back({packageLat, 4.75, 20.0F});
    }
    for (int i = 0; i < parkings; ++i) {
        tree::BglParking parking;
        parking.nameCode = 12;
        parking.number = 1;
        parking.lat = packageLat;
        parking.lon = 4.7;
        airport.parkings.push_back(parking);
    }
    return airport;
}

constexpr int knownCodes = 10'000;

// Four letters: below knownCodes the codes the airports database of the bench knows, from there on others.
std::string lf_code(int index)
{
    std::string code(4, 'A');
    for (auto letter = code.rbegin(); letter != code.rend(); ++letter, index /= 26) {
        *letter = static_cast<char>('A' + index % 26);
    }
    return code;
}

tree::BglFile lf_shape(const std::string& name)
{
    tree::BglFile file;
    file.sectionPerAirport = true;
    if (name == "same_code") {
        file.airports.assign(100'000, lf_airport("EHAM", 1, false));
    } else if (name == "promised_count") {
        tree::BglAirport airport = lf_airport("EHAM", 1, false);
        airport.parkingCount = 65'535;
        file.airports.assign(50'000, airport);
    } else if (name == "one_stand_id") {
        file.airports.assign(15, lf_airport("EHAM", 65'535, false));
    } else if (name == "unsupported") {
        for (int i = knownCodes; file.airports.size() < 100'000; ++i) {
            if (lf_code(i) != "EHAM") {
                file.airports.push_back(lf_airport(lf_code(i), 1, false));
            }
        }
    } else if (name == "known_codes") {
        for (int i = 0; i < knownCodes; ++i) {
            file.airports.push_back(lf_airport(lf_code(i), 1, false));
        }
    }
    return file;
}

std::size_t lf_lines(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return static_cast<std::size_t>(
        std::count(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>(), '\n'));
}

std::size_t lf_occurrences(const fs::path& path, std::string_view text)
{
    std::ifstream in(path, std::ios::binary);
    std::size_t count = 0;
    for (std::string line; std::getline(in, line);) {
        count += line.find(text) != std::string::npos ? 1 : 0;
    }
    return count;
}

// A stop of the run from a moment on.
class StopFrom final : public RunStatePort {
  public:
    explicit StopFrom(Clock::time_point at) : at_(at) { gf_installRunStatePort(this); }
    ~StopFrom() override { gf_installRunStatePort(nullptr); }
    StopFrom(const StopFrom&) = delete;
    StopFrom& operator=(const StopFrom&) = delete;

    bool stopRequested() const noexcept override { return Clock::now() >= at_; }
    bool userClosing() const noexcept override { return false; }
    bool simIsMsfs2020() const noexcept override { return true; }
    int32_t simCode() const noexcept override { return 1; }
    bool simTimeInUse() const noexcept override { return false; }
    int64_t simUtcSeconds() const noexcept override { return 0; }

  private:
    const Clock::time_point at_;
};

// A program folder whose simulator holds the one crafted file, made the current folder.
class CraftedWorld {
  public:
    explicit CraftedWorld(const std::string& shape)
        : folder_(fs::temp_directory_path() / fmt::format("hlmr-crafted-bench-{}-{}", ::getpid(), shape))
    {
        const fs::path package = folder_ / "sim/packages/Community/tallgrass-crafted-scenery";
        fs::create_directories(package / "scenery");
        fs::create_directories(folder_ / "input");
        fs::create_directories(folder_ / "user");
        std::ofstream(package / "manifest.json") << R"({"title": "Crafted", "manufacturer": "Tallgrass", )"
                                                 << R"("creator": "Tallgrass", "package_version": "1.0.0"})";
        const std::string bytes = tree::gf_bglFileBytes(lf_shape(shape));
        std::ofstream(package / "scenery/crafted.bgl", std::ios::binary)
            .write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        std::ofstream(folder_ / "input/ICAO_airports.txt") << "EHAM\n";
        fs::current_path(folder_);
        gf_startLog(folder_ / "Log.txt");
        gf_overrideDataFolderPath(folder_ / "user");
        settings::msfsInstallPath.set((folder_ / "sim/packages").string());
        std::vector<AirportRecord> airports{{AirportCode("EHAM"), gf_noIataCode(), packageLat, 4.76, 0.0F, 0}};
        for (int i = 0; i < knownCodes; ++i) {
            airports.push_back({AirportCode(lf_code(i)), gf_noIataCode(), packageLat, 4.76, 0.0F, 0});
        }
        gf_installAirports(std::move(airports));
        gf_installReferenceTables({});
        fileBytes_ = bytes.size();
    }
    ~CraftedWorld()
    {
        gf_stopLog();
        gf_overrideDataFolderPath(std::nullopt);
        gf_clearAirports();
        fs::current_path(folder_.parent_path());
        fs::remove_all(folder_);
    }
    CraftedWorld(const CraftedWorld&) = delete;
    CraftedWorld& operator=(const CraftedWorld&) = delete;

    void scan()
    {
        StatusBoard status;
        settings::scanAirports.set(true);
        AddonAirportsScan(status, gf_systemSteadyTime()).scanAddonAirports();
        gf_logFlushNow();
    }

    // The file alone, as the scan reads it once the facility data failed; the time it took.
    double processFile()
    {
        StatusBoard status;
        AddonScanRun run(status, gf_systemSteadyTime(), {}, {});
        const Clock::time_point start = Clock::now();
        gf_processBglFile(folder_ / "sim/packages/Community/tallgrass-crafted-scenery/scenery/crafted.bgl", run);
        return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
    }

    void count(benchmark::State& state, std::size_t logLinesBefore) const
    {
        state.counters["file_mb"] = static_cast<double>(fileBytes_) / 1e6;
        state.counters["scan_log_lines"] = static_cast<double>(lf_lines(folder_ / "output/info/AirportsScanLog.txt"));
        state.counters["log_lines"] = static_cast<double>(lf_lines(folder_ / "Log.txt") - logLinesBefore);
        state.counters["writes"] =
            static_cast<double>(lf_occurrences(folder_ / "output/info/AirportsScanLog.txt", "Generated "));
    }
    std::size_t logLines() const { return lf_lines(folder_ / "Log.txt"); }

  private:
    fs::path folder_;
    std::size_t fileBytes_ = 0;
};

void BM_CraftedFile(benchmark::State& state, const std::string& shape)
{
    CraftedWorld world(shape);
    SimRecordingScope simulator;
    simulator.refuseOpen(true);
    std::size_t logLines = 0;
    for (auto _ : state) {
        logLines = world.logLines();
        world.scan();
    }
    world.count(state, logLines);
    state.counters["file_ms"] = world.processFile();
}
BENCHMARK_CAPTURE(BM_CraftedFile, same_code, std::string("same_code"))
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1)
    ->UseRealTime();
BENCHMARK_CAPTURE(BM_CraftedFile, promised_count, std::string("promised_count"))
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1)
    ->UseRealTime();
BENCHMARK_CAPTURE(BM_CraftedFile, one_stand_id, std::string("one_stand_id"))
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1)
    ->UseRealTime();
BENCHMARK_CAPTURE(BM_CraftedFile, unsupported, std::string("unsupported"))
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1)
    ->UseRealTime();
BENCHMARK_CAPTURE(BM_CraftedFile, known_codes, std::string("known_codes"))
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1)
    ->UseRealTime();

void BM_StopDuringACraftedFile(benchmark::State& state)
{
    CraftedWorld world("known_codes");
    SimRecordingScope simulator;
    simulator.refuseOpen(true);
    double scanAfterStopMs = 0.0;
    double fileAfterStopMs = 0.0;
    std::size_t logLines = 0;
    for (auto _ : state) {
        logLines = world.logLines();
        Clock::time_point stopAt = Clock::now() + std::chrono::milliseconds(state.range(0));
        {
            const StopFrom stop(stopAt);
            world.scan();
        }
        scanAfterStopMs = std::chrono::duration<double, std::milli>(Clock::now() - stopAt).count();
        world.count(state, logLines);
        stopAt = Clock::now() + std::chrono::milliseconds(100);
        const StopFrom stop(stopAt);
        fileAfterStopMs = world.processFile() - 100.0;
    }
    state.counters["scan_ms_after_stop"] = scanAfterStopMs;
    state.counters["file_ms_after_stop"] = fileAfterStopMs;
}
BENCHMARK(BM_StopDuringACraftedFile)->Arg(100)->Arg(1000)->Unit(benchmark::kMillisecond)->Iterations(1)->UseRealTime();

} // namespace
