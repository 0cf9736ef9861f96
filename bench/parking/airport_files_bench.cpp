// Reading, writing and rating airport files at the size of a large airport with a long learned history: the
// generator's "bench" files (1,000 stands, a learned file of 100,000 options) over a reference database of
// 100,000 registrations (the sample builder's, sealed as the program reads it).
//
// Goals: reading the airport file and the learned file under 500 ms (a plain pugixml load of the same two files
// is measured beside it), writing the learned file with its safe save under 300 ms, and the quality factors of
// 1,000 stands with 100 options each under 5 ms.
#include "parking/apf_reader.h"
#include "parking/apf_writer.h"
#include "parking/quality_factors.h"
#include "refdata/project_key.h"
#include "refdata/reference_database.h"

#include "airport_generator.h"
#include "seal_stream.h"

#include <benchmark/benchmark.h>
#include <fmt/format.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;
using namespace hlw;

// The files, made once per run in a temporary folder.
class BenchFiles {
  public:
    BenchFiles() : folder_(fs::temp_directory_path() / fmt::format("hlmr-apf-bench-{}", ::getpid()))
    {
        fs::create_directories(folder_);
        // Not "dbase.xml": the reader puts its own plain copy there and removes it.
        const fs::path plain = folder_ / "registrations.xml";
        const std::string command =
            fmt::format("'{}' '{}' dbase --data '{}' --out '{}' --registrations 100000", HLMR_PYTHON,
                        HLMR_SAMPLE_BUILDER, (fs::path(HLMR_SAMPLES_SOURCE) / "data").string(), plain.string());
        if (std::system(command.c_str()) != 0) {
            throw std::runtime_error("the sample builder failed");
        }
        std::string text;
        {
            std::ifstream in(plain, std::ios::binary);
            text.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
        }
        sealer::sealTextToFile(gf_projectKey(), text, folder_ / "dbase.enc");
        if (!gf_readDbase(folder_ / "dbase.enc")) {
            throw std::runtime_error("the reference database was not read");
        }
        test::generateAirports("bench", folder_, {"--dbase", plain.string()});
    }
    ~BenchFiles() { fs::remove_all(folder_); }

    fs::path airport() const { return folder_ / "airport.xml"; }
    fs::path learned() const { return folder_ / "learned.xml"; }
    fs::path written() const { return folder_ / "written" / "EHAM.xml"; }

  private:
    fs::path folder_;
};

const BenchFiles& lf_files()
{
    static const BenchFiles files;
    return files;
}

void lf_read(ParkAirportState& state)
{
    pugi::xml_document airport;
    if (gf_loadApfDocument(lf_files().airport(), airport)) {
        throw std::runtime_error("airport file not loaded");
    }
    gf_readParkpositions(airport, state.stands, true);
    if (gf_readLearned(lf_files().learned(), "Bench", state) != LearnedRead::complete) {
        throw std::runtime_error("learned file not read completely");
    }
}

void BM_ReadAirportAndLearnedFile(benchmark::State& run)
{
    lf_files();
    std::size_t options = 0;
    for (auto _ : run) {
        ParkAirportState state;
        lf_read(state);
        options = 0;
        for (const StandRecord& stand : state.stands) {
            options += stand.options.size();
        }
        benchmark::DoNotOptimize(options);
    }
    run.counters["options"] = static_cast<double>(options);
}
BENCHMARK(BM_ReadAirportAndLearnedFile)->Unit(benchmark::kMillisecond);

void BM_PlainPugixmlLoadOfBothFiles(benchmark::State& run)
{
    lf_files();
    for (auto _ : run) {
        pugi::xml_document airport;
        pugi::xml_document learned;
        benchmark::DoNotOptimize(airport.load_file(lf_files().airport().c_str()));
        benchmark::DoNotOptimize(learned.load_file(lf_files().learned().c_str()));
    }
}
BENCHMARK(BM_PlainPugixmlLoadOfBothFiles)->Unit(benchmark::kMillisecond);

void BM_WriteLearnedFile(benchmark::State& run)
{
    ParkAirportState state;
    lf_read(state);
    ApfData data;
    data.airportName = "Bench";
    const ApfWriteOptions options = gf_learnedWriteOptions(state, 1);
    for (auto _ : run) {
        if (!gf_writeApf(data, state.stands, lf_files().written(), options)) {
            run.SkipWithError("write failed");
        }
    }
    run.counters["bytes"] = static_cast<double>(fs::file_size(lf_files().written()));
}
BENCHMARK(BM_WriteLearnedFile)->Unit(benchmark::kMillisecond);

void BM_QualityFactors(benchmark::State& run)
{
    ParkAirportState state;
    lf_read(state);
    for (auto _ : run) {
        benchmark::DoNotOptimize(gf_qualityFactors(state.stands));
    }
}
BENCHMARK(BM_QualityFactors)->Unit(benchmark::kMicrosecond);

} // namespace
