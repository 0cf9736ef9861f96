// The program update's download and unpacking of a 100 MB zip from the local HTTP server, next to the download
// alone (as the update does it, and as a kept file for comparison) and the unpacking alone, in the same run: time per
// run and the growth of the resident memory while it runs (sampled every millisecond), which the streamed unpacking
// keeps small. Only the measured step is timed: the files left by a run are removed with the timing paused.
#include "app/updater.h"
#include "core/log.h"
#include "core/zip_reader.h"
#include "http_test_server.h"
#include "refdata/download.h"
#include "refdata/download_settings.h"

#include <benchmark/benchmark.h>
#include <zip.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <random>
#include <thread>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;
using namespace hlw;

constexpr std::size_t payloadBytes = 100u << 20;

long lf_residentBytes()
{
    std::ifstream statm("/proc/self/statm");
    long pages = 0;
    long resident = 0;
    statm >> pages >> resident;
    return resident * sysconf(_SC_PAGESIZE);
}

// The highest resident size seen while it lives, above the size when it began.
class MemoryWatch {
  public:
    MemoryWatch() : base_(lf_residentBytes()), peak_(base_)
    {
        thread_ = std::thread([this] {
            while (!stop_.load()) {
                peak_.store(std::max(peak_.load(), lf_residentBytes()));
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
            }
        });
    }
    ~MemoryWatch() { stopWatching(); }
    MemoryWatch(const MemoryWatch&) = delete;
    MemoryWatch& operator=(const MemoryWatch&) = delete;
    long growth()
    {
        stopWatching();
        return std::max(0L, peak_.load() - base_);
    }

  private:
    void stopWatching()
    {
        if (thread_.joinable()) {
            stop_.store(true);
            thread_.join();
        }
    }
    long base_;
    std::atomic<long> peak_;
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

// A served folder with release/Hollowmere/latest_version.zip: one stored entry of random bytes.
class ServedZip {
  public:
    ServedZip() : root_(fs::temp_directory_path() / fmt::format("hlmr-update-bench-{}", getpid()))
    {
        fs::create_directories(root_ / "www" / "release" / "Hollowmere");
        fs::create_directories(root_ / "program");
        const fs::path payload = root_ / "payload.bin";
        {
            std::ofstream out(payload, std::ios::binary);
            std::mt19937_64 random(1);
            std::vector<uint64_t> block(1 << 16);
            for (std::size_t written = 0; written < payloadBytes; written += block.size() * 8) {
                for (uint64_t& word : block) {
                    word = random();
                }
                out.write(reinterpret_cast<const char*>(block.data()), static_cast<std::streamsize>(block.size() * 8));
            }
        }
        int error = 0;
        zip_t* archive = zip_open((root_ / "www" / "release" / "Hollowmere" / "latest_version.zip").c_str(),
                                  ZIP_CREATE | ZIP_TRUNCATE, &error);
        zip_source_t* source = zip_source_file(archive, payload.c_str(), 0, -1);
        const zip_int64_t index = zip_file_add(archive, "install_new_version.exe", source, ZIP_FL_OVERWRITE);
        zip_set_file_compression(archive, static_cast<zip_uint64_t>(index), ZIP_CM_STORE, 0);
        zip_close(archive);
        fs::remove(payload);
        server_ = std::make_unique<test::HttpTestServer>(root_ / "www");
        DownloadSettings settings;
        settings.baseAddress = server_->url("");
        settings.allowPlainHttp = true;
        gf_setDownloadSettings(settings);
        fs::current_path(root_ / "program");
    }
    ~ServedZip()
    {
        fs::current_path(fs::temp_directory_path());
        server_.reset();
        fs::remove_all(root_);
    }
    ServedZip(const ServedZip&) = delete;
    ServedZip& operator=(const ServedZip&) = delete;

    std::string zipUrl() const { return server_->url("release/Hollowmere/latest_version.zip"); }

  private:
    fs::path root_;
    std::unique_ptr<test::HttpTestServer> server_;
};

ServedZip& lf_served()
{
    static ServedZip served;
    return served;
}

// The update downloads its zip as a scratch file (not forced to disk); a kept file, such as a data file, is.
void BM_DownloadOnly(benchmark::State& state, DownloadedFile kind)
{
    ServedZip& served = lf_served();
    long growth = 0;
    for (auto _ : state) {
        MemoryWatch watch;
        if (!gf_download(served.zipUrl(), "latest_version.zip", true, {}, maxDownloadBytes, kind)) {
            state.SkipWithError("download failed");
            return;
        }
        growth = std::max(growth, watch.growth());
        state.PauseTiming();
        fs::remove("latest_version.zip");
        state.ResumeTiming();
    }
    state.counters["memory_growth_MB"] = static_cast<double>(growth) / (1 << 20);
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * payloadBytes));
}
BENCHMARK_CAPTURE(BM_DownloadOnly, scratch, DownloadedFile::scratch)->Iterations(5)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_DownloadOnly, kept, DownloadedFile::kept)->Iterations(5)->Unit(benchmark::kMillisecond);

// Reading the entry (with its checksum check) and writing the installer: the part of the update that the download
// alone does not do, besides removing the zip.
void BM_UnpackOnly(benchmark::State& state)
{
    ServedZip& served = lf_served();
    if (!gf_download(served.zipUrl(), "latest_version.zip", true)) {
        state.SkipWithError("download failed");
        return;
    }
    long growth = 0;
    for (auto _ : state) {
        MemoryWatch watch;
        ZipReader archive;
        std::string error;
        if (!archive.open("latest_version.zip", error) || !archive.extract(0, "install_new_version.exe", error)) {
            state.SkipWithError(error.c_str());
            break;
        }
        growth = std::max(growth, watch.growth());
        state.PauseTiming();
        fs::remove("install_new_version.exe");
        state.ResumeTiming();
    }
    fs::remove("latest_version.zip");
    state.counters["memory_growth_MB"] = static_cast<double>(growth) / (1 << 20);
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * payloadBytes));
}
BENCHMARK(BM_UnpackOnly)->Iterations(5)->Unit(benchmark::kMillisecond);

void BM_DownloadAndUnpack(benchmark::State& state)
{
    lf_served();
    long growth = 0;
    for (auto _ : state) {
        MemoryWatch watch;
        if (!gf_updateProgram(VersionData("99.0.0"), {})) {
            state.SkipWithError("update failed");
            return;
        }
        growth = std::max(growth, watch.growth());
        state.PauseTiming();
        fs::remove_all("new_version");
        state.ResumeTiming();
    }
    state.counters["memory_growth_MB"] = static_cast<double>(growth) / (1 << 20);
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * payloadBytes));
}
BENCHMARK(BM_DownloadAndUnpack)->Iterations(5)->Unit(benchmark::kMillisecond);

} // namespace
