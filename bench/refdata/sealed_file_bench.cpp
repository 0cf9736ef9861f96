// Decryption speed of a sealed data file of the size of a large reference database (about 8 MB of XML).
#include "refdata/sealed_file.h"

#include "seal_stream.h"

#include <benchmark/benchmark.h>

#include <filesystem>
#include <string>

namespace {

namespace fs = std::filesystem;

struct SealedSample {
    fs::path folder = fs::temp_directory_path() / "hlmr_sealed_file_bench";
    fs::path sealed = folder / "dbase.enc";
    fs::path plain = folder / "dbase.xml";
    std::size_t plainBytes = 0;

    SealedSample()
    {
        fs::create_directories(folder);
        std::string xml = "<root><dbase>\n";
        for (int i = 0; xml.size() < 8'000'000; ++i) {
            xml += "<d r=\"N" + std::to_string(10000 + i) + "\" a=\"DLH\" o=\"CFE\" m=\"A20N\" c=\"0\"/>\n";
        }
        xml += "</dbase></root>\n";
        plainBytes = xml.size();
        hlw::sealer::sealTextToFile(hlw::gf_projectKey(), xml, sealed);
    }
    ~SealedSample() { fs::remove_all(folder); }
};

const SealedSample& lf_sample()
{
    static const SealedSample sample;
    return sample;
}

void BM_DecryptToPlainFile(benchmark::State& state)
{
    const SealedSample& sample = lf_sample();
    for (auto _ : state) {
        if (!hlw::gf_streamDecrypt(sample.sealed, sample.plain)) {
            state.SkipWithError("decryption failed");
            break;
        }
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * sample.plainBytes));
}
BENCHMARK(BM_DecryptToPlainFile)->Unit(benchmark::kMillisecond);

void BM_VerifySealedFile(benchmark::State& state)
{
    const SealedSample& sample = lf_sample();
    for (auto _ : state) {
        benchmark::DoNotOptimize(hlw::gf_verifySealedFile(sample.sealed));
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * sample.plainBytes));
}
BENCHMARK(BM_VerifySealedFile)->Unit(benchmark::kMillisecond);

} // namespace
