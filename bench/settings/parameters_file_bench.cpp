// Loading and saving "parameters.xml" with every setting of the catalogue, in a temporary data folder.
#include "settings/catalogue.h"
#include "settings/parameters_file.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <string>

namespace {

namespace fs = std::filesystem;

class ScratchDataFolder {
public:
    ScratchDataFolder()
    {
        std::string pattern = (fs::temp_directory_path() / "hlmr-bench-XXXXXX").string();
        if (mkdtemp(pattern.data()) == nullptr) {
            std::abort();
        }
        folder_ = pattern;
        hlw::gf_overrideDataFolderPath(folder_);
        hlw::gf_saveParameters(false);
    }
    ~ScratchDataFolder()
    {
        hlw::gf_overrideDataFolderPath(std::nullopt);
        std::error_code ignored;
        fs::remove_all(folder_, ignored);
    }
    ScratchDataFolder(const ScratchDataFolder&) = delete;
    ScratchDataFolder& operator=(const ScratchDataFolder&) = delete;

private:
    fs::path folder_;
};

// The load of a complete file: parse, read and clamp every setting, write the file back.
void BM_LoadParameters(benchmark::State& state)
{
    const ScratchDataFolder folder;
    for (auto _ : state) {
        benchmark::DoNotOptimize(hlw::gf_readParameters());
    }
}
BENCHMARK(BM_LoadParameters)->Unit(benchmark::kMicrosecond);

void BM_SaveAllParameters(benchmark::State& state)
{
    const ScratchDataFolder folder;
    for (auto _ : state) {
        benchmark::DoNotOptimize(hlw::gf_saveParameters(false));
    }
}
BENCHMARK(BM_SaveAllParameters)->Unit(benchmark::kMicrosecond);

// A change made in the window: load, update one element, write the whole file.
void BM_SaveOneSetting(benchmark::State& state)
{
    const ScratchDataFolder folder;
    int32_t value = 0;
    for (auto _ : state) {
        hlw::settings::maxHoldingMinutes.set(1 + (value++ % 60));
        hlw::settings::maxHoldingMinutes.save();
    }
}
BENCHMARK(BM_SaveOneSetting)->Unit(benchmark::kMicrosecond);

} // namespace
