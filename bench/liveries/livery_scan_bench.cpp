// The livery scan of the generated "bench" packages (10,000 aircraft.cfg files, 60,000 sections) with the
// sample reference database, next to just reading the same files and splitting them into lines, once on one
// thread and once on as many threads as the scan uses. The cache is warm: the files are read before timing.
// The counter "peak_MiB" is the process's peak resident memory after the run.
#include "core/log.h"
#include "liveries/folder_walk.h"
#include "liveries/livery_scan.h"
#include "liveries/scan_lists.h"
#include "refdata/reference_database.h"

#include <benchmark/benchmark.h>
#include <fmt/format.h>

#include <sys/resource.h>

#include <atomic>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

namespace {
namespace fs = std::filesystem;

struct BenchPackages {
    fs::path folder;
    std::vector<fs::path> roots;
    std::vector<fs::path> files;

    BenchPackages()
    {
        std::string pattern = (fs::temp_directory_path() / "hlmr-bench-XXXXXX").string();
        if (mkdtemp(pattern.data()) == nullptr) {
            throw std::runtime_error("mkdtemp failed");
        }
        folder = pattern;
        const std::string command = fmt::format("python3 '{}' bench --out '{}'", HLMR_PACKAGE_GENERATOR_SCRIPT,
                                                (folder / "p").string());
        if (std::system(command.c_str()) != 0) {
            throw std::runtime_error("package generator failed");
        }
        fs::create_directories(folder / "program" / "output" / "info");
        fs::copy_file(fs::path(HLMR_SAMPLES_INPUT) / "dbase.enc", folder / "program" / "dbase.enc");
        fs::current_path(folder / "program");
        hlw::gf_startLog(folder / "program" / "Log.txt");
        if (!hlw::gf_readDbase(folder / "program" / "dbase.enc")) {
            throw std::runtime_error("the sample reference database was not read");
        }
        for (const fs::directory_entry& package : fs::directory_iterator(folder / "p")) {
            if (package.is_directory()) {
                roots.push_back(package.path());
            }
        }
        std::sort(roots.begin(), roots.end());
        for (const fs::path& root : roots) {
            for (const fs::directory_entry& entry : fs::recursive_directory_iterator(root)) {
                if (entry.is_regular_file() && entry.path().filename() == "aircraft.cfg") {
                    files.push_back(entry.path());
                }
            }
        }
    }
    ~BenchPackages()
    {
        hlw::gf_stopLog();
        std::error_code ec;
        fs::current_path(fs::temp_directory_path(), ec);
        fs::remove_all(folder, ec);
    }
};

const BenchPackages& lf_packages()
{
    static const BenchPackages packages;
    return packages;
}

// Reads the whole file and cuts it into lines at line feeds (a carriage return before one is dropped).
std::size_t lf_readAndSplit(const fs::path& file)
{
    std::ifstream in(file, std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::vector<std::string> lines;
    lines.reserve(4096);
    std::size_t start = 0;
    while (start < bytes.size()) {
        std::size_t end = bytes.find('\n', start);
        if (end == std::string::npos) {
            end = bytes.size();
        }
        std::size_t cut = end;
        if (cut > start && bytes[cut - 1] == '\r') {
            --cut;
        }
        lines.emplace_back(bytes, start, cut - start);
        start = end + 1;
    }
    return lines.size();
}

std::size_t lf_readAndSplitOn(int threads)
{
    const std::vector<fs::path>& files = lf_packages().files;
    std::atomic<std::size_t> next{0};
    std::atomic<std::size_t> lines{0};
    std::vector<std::thread> workers;
    for (int t = 0; t < threads; ++t) {
        workers.emplace_back([&] {
            for (std::size_t i = next++; i < files.size(); i = next++) {
                lines += lf_readAndSplit(files[i]);
            }
        });
    }
    for (std::thread& worker : workers) {
        worker.join();
    }
    return lines.load();
}

void lf_reportPeak(benchmark::State& state)
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    state.counters["peak_MiB"] = static_cast<double>(usage.ru_maxrss) / 1024.0;
    state.counters["files"] = static_cast<double>(lf_packages().files.size());
}

void BM_ReadAndSplitOneThread(benchmark::State& state)
{
    lf_readAndSplitOn(1);
    for (auto _ : state) {
        benchmark::DoNotOptimize(lf_readAndSplitOn(1));
    }
    lf_reportPeak(state);
}

void BM_ReadAndSplitAllThreads(benchmark::State& state)
{
    lf_readAndSplitOn(hlw::gf_readerTaskLimit());
    for (auto _ : state) {
        benchmark::DoNotOptimize(lf_readAndSplitOn(hlw::gf_readerTaskLimit()));
    }
    state.counters["threads"] = hlw::gf_readerTaskLimit();
    lf_reportPeak(state);
}

void lf_walkWith(benchmark::State& state, const hlw::LiveryReaders& readers)
{
    lf_readAndSplitOn(hlw::gf_readerTaskLimit());
    for (auto _ : state) {
        hlw::ScannedLiveryList out;
        hlw::ReaderTaskPool tasks;
        uint16_t source = 0;
        for (const fs::path& root : lf_packages().roots) {
            hlw::gf_scanLiveryFolder(++source, root, readers, tasks, out);
        }
        tasks.finish();
    }
    state.counters["threads"] = hlw::gf_readerTaskLimit();
    lf_reportPeak(state);
}

// The walk and the task pool with readers that do nothing: the cost of walking and of the tasks alone.
void BM_WalkWithIdleReaders(benchmark::State& state)
{
    auto reader = [](int32_t, const fs::path&) { return hlw::ScannedLiveryList{}; };
    lf_walkWith(state, {reader, reader});
}

// The walk and the task pool with readers that only read and split.
void BM_WalkWithReadAndSplitReaders(benchmark::State& state)
{
    auto reader = [](int32_t, const fs::path& file) {
        benchmark::DoNotOptimize(lf_readAndSplit(file));
        return hlw::ScannedLiveryList{};
    };
    lf_walkWith(state, {reader, reader});
}

// Only the walk and the reader tasks: the scan without ordering, the durable file writes and the reports.
void BM_LiveryWalk(benchmark::State& state)
{
    const hlw::LiveryScanSetup setup = hlw::gf_programLiveryScanSetup();
    lf_readAndSplitOn(hlw::gf_readerTaskLimit());
    std::size_t liveries = 0;
    for (auto _ : state) {
        hlw::gf_clearScanLists();
        hlw::ScannedLiveryList out;
        hlw::ReaderTaskPool tasks(setup.tasks);
        uint16_t source = 0;
        for (const fs::path& root : lf_packages().roots) {
            hlw::gf_scanLiveryFolder(++source, root, setup.readers, tasks, out);
        }
        tasks.finish();
        liveries = out.size();
    }
    hlw::gf_clearScanLists();
    state.counters["liveries"] = static_cast<double>(liveries);
    state.counters["threads"] = hlw::gf_readerTaskLimit();
    lf_reportPeak(state);
}

void BM_LiveryScan(benchmark::State& state)
{
    const hlw::LiveryScanSetup setup = hlw::gf_programLiveryScanSetup();
    lf_readAndSplitOn(hlw::gf_readerTaskLimit());
    for (auto _ : state) {
        if (hlw::gf_scanLiveryFolders(lf_packages().roots, setup) != hlw::LiveryScanResult::done) {
            state.SkipWithError("the scan did not finish");
            break;
        }
    }
    state.counters["threads"] = hlw::gf_readerTaskLimit();
    state.counters["liveries_file_KiB"] =
        static_cast<double>(fs::file_size(lf_packages().folder / "program" / "output" / "LiveriesScanned.xml")) / 1024.0;
    lf_reportPeak(state);
}

} // namespace

BENCHMARK(BM_ReadAndSplitOneThread)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2.0);
BENCHMARK(BM_ReadAndSplitAllThreads)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2.0);
BENCHMARK(BM_WalkWithIdleReaders)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2.0);
BENCHMARK(BM_WalkWithReadAndSplitReaders)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2.0);
BENCHMARK(BM_LiveryWalk)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2.0);
BENCHMARK(BM_LiveryScan)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2.0);
