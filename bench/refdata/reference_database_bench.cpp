// Reading the reference database with 100,000 registrations (decrypt, parse, build every table) next to its
// parts measured the same way: decryption alone, a plain pugixml parse of the same text, and both together.
// Then the lookups of the engine path.
//
// The plain text is the file named by HLMR_BENCH_DBASE_XML (for example one written by
// samples/builder/build_refdata.py with --registrations 100000); without it a generated text of the same shape.
#include "refdata/code_table.h"
#include "refdata/reference_database.h"
#include "refdata/reference_lookups.h"
#include "refdata/reference_tables.h"
#include "refdata/sealed_file.h"

#include "seal_stream.h"

#include <benchmark/benchmark.h>
#include <fmt/format.h>
#include <pugixml.hpp>

#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

constexpr int registrationCount = 100'000;

std::string lf_codeList(const std::vector<std::string>& codes, std::size_t from, std::size_t step)
{
    std::string text;
    for (std::size_t i = from; i < codes.size(); i += step) {
        text += (text.empty() ? "" : ",") + codes[i];
    }
    return text;
}

// About 2,500 types, 1,000 airlines and the registration formats of several nations.
std::string lf_generatedDbase()
{
    std::mt19937 random(42);
    std::vector<std::string> types;
    std::vector<std::string> airlines;
    for (int i = 0; i < 2500; ++i) {
        types.push_back(fmt::format("{:c}{:03X}", 'A' + i % 26, i));
    }
    for (int i = 0; i < 1000; ++i) {
        airlines.push_back(fmt::format("{:c}{:c}{:c}", 'A' + i % 26, 'A' + (i / 26) % 26, 'A' + (i / 676) % 26));
    }
    std::string xml = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<root>\n";
    auto section = [&](const char* name, const char* element, const char* attribute, const std::string& list) {
        xml += fmt::format("<{0}>\n<{1} {2}=\"{3}\"/>\n</{0}>\n", name, element, attribute, list);
    };
    section("aircrafts", "aircraft", "types", lf_codeList(types, 0, 1));
    section("cargo_types", "cargo_type", "types", lf_codeList(types, 3, 50));
    section("heavy", "hvy", "types", lf_codeList(types, 1, 40));
    section("large", "lar", "types", lf_codeList(types, 2, 10));
    section("buzjet", "bzj", "types", lf_codeList(types, 5, 30));
    section("high_performance", "hpf", "types", lf_codeList(types, 7, 60));
    section("rotorcraft", "rot", "types", lf_codeList(types, 9, 25));
    section("ICAO_airlines", "ICAO", "codes", lf_codeList(airlines, 0, 1));
    section("cargo_operators", "ICAO", "codes", lf_codeList(airlines, 4, 20));
    section("simaddons20", "simaddon20", "arpts", "EDDM,LSZH,EHAM");
    section("simaddons24", "simaddon24", "arpts", "EDDM,KJFK,LFPG");
    xml += "<wingspans>\n";
    for (std::size_t i = 0; i < types.size(); i += 5) {
        xml += fmt::format("<wingspan type=\"{}\" meters=\"{}\"/>\n", types[i], 10 + i % 60);
    }
    xml += "</wingspans>\n<dbase>\n";
    const char* formats[] = {"D-A{}", "G-{}", "F-G{}", "OE-L{}", "EC-{}", "JA{}"};
    for (int i = 0; i < registrationCount; ++i) {
        const std::string registration =
            i % 3 == 0 ? fmt::format("N{}", 10000 + i)
                       : fmt::format(fmt::runtime(formats[i % 6]),
                                     fmt::format("{:c}{:c}{:c}{:c}", 'A' + i % 26, 'A' + (i / 26) % 26,
                                                 'A' + (i / 676) % 26, 'A' + (i / 17576) % 26));
        xml += fmt::format("<d r=\"{}\" a=\"{}\" m=\"{}\"{}/>\n", registration, airlines[random() % airlines.size()],
                           types[random() % types.size()], i % 17 == 0 ? " c=\"1\"" : "");
    }
    return xml + "</dbase>\n</root>\n";
}

std::string lf_plainText()
{
    if (const char* file = std::getenv("HLMR_BENCH_DBASE_XML"); file != nullptr && *file != '\0') {
        std::ifstream in(file, std::ios::binary);
        if (!in) {
            throw std::runtime_error(fmt::format("cannot read {}", file));
        }
        std::ostringstream text;
        text << in.rdbuf();
        return text.str();
    }
    return lf_generatedDbase();
}

struct SealedDbase {
    fs::path folder = fs::temp_directory_path() / "hlmr_reference_database_bench";
    fs::path sealed = folder / "dbase.enc";
    fs::path plain = folder / "dbase.xml";
    std::vector<std::string> registrations;

    SealedDbase()
    {
        fs::create_directories(folder);
        const std::string text = lf_plainText();
        hlw::sealer::sealTextToFile(hlw::gf_projectKey(), text, sealed);
    }
    ~SealedDbase() { fs::remove_all(folder); }
};

const SealedDbase& lf_dbase()
{
    static const SealedDbase dbase;
    return dbase;
}

// Before each read: the reader reads once per run, and seeds the code tables from empty.
void lf_resetTables()
{
    hlw::gf_clearReferenceTables();
    hlw::gf_modelCodes().reset();
    hlw::gf_airlineCodes().reset();
}

void BM_DecryptOnly(benchmark::State& state)
{
    const SealedDbase& dbase = lf_dbase();
    for (auto _ : state) {
        benchmark::DoNotOptimize(hlw::gf_streamDecrypt(dbase.sealed, dbase.plain));
    }
    fs::remove(dbase.plain);
}
BENCHMARK(BM_DecryptOnly)->Unit(benchmark::kMillisecond);

void BM_ParsePlainOnly(benchmark::State& state)
{
    const SealedDbase& dbase = lf_dbase();
    hlw::gf_streamDecrypt(dbase.sealed, dbase.plain);
    for (auto _ : state) {
        pugi::xml_document document;
        benchmark::DoNotOptimize(document.load_file(dbase.plain.c_str()));
    }
    fs::remove(dbase.plain);
}
BENCHMARK(BM_ParsePlainOnly)->Unit(benchmark::kMillisecond);

void BM_DecryptAndParse(benchmark::State& state)
{
    const SealedDbase& dbase = lf_dbase();
    for (auto _ : state) {
        hlw::gf_streamDecrypt(dbase.sealed, dbase.plain);
        pugi::xml_document document;
        benchmark::DoNotOptimize(document.load_file(dbase.plain.c_str()));
        fs::remove(dbase.plain);
    }
}
BENCHMARK(BM_DecryptAndParse)->Unit(benchmark::kMillisecond);

void BM_ReadDbase(benchmark::State& state)
{
    const SealedDbase& dbase = lf_dbase();
    for (auto _ : state) {
        state.PauseTiming();
        lf_resetTables();
        state.ResumeTiming();
        if (!hlw::gf_readDbase(dbase.sealed)) {
            state.SkipWithError("read failed");
            break;
        }
    }
    state.counters["records"] = static_cast<double>(hlw::gf_referenceTables().records.size());
}
BENCHMARK(BM_ReadDbase)->Unit(benchmark::kMillisecond);

// CPU time of the calling thread (kernel time for page faults and file writes included), so that other
// processes on the machine do not count.
double lf_threadCpuSeconds()
{
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

// Both roads in turns, so that a change of machine load hits both alike; "ratio" is the CPU time of the read
// over that of decrypt-and-parse (the goal is at most 1.5).
void BM_ReadAgainstDecryptAndParse(benchmark::State& state)
{
    const SealedDbase& dbase = lf_dbase();
    double baseline = 0.0;
    double read = 0.0;
    for (auto _ : state) {
        const double start = lf_threadCpuSeconds();
        hlw::gf_streamDecrypt(dbase.sealed, dbase.plain);
        {
            pugi::xml_document document;
            benchmark::DoNotOptimize(document.load_file(dbase.plain.c_str()));
            fs::remove(dbase.plain);
        }
        const double middle = lf_threadCpuSeconds();
        state.PauseTiming();
        lf_resetTables();
        state.ResumeTiming();
        const double readStart = lf_threadCpuSeconds();
        benchmark::DoNotOptimize(hlw::gf_readDbase(dbase.sealed));
        read += lf_threadCpuSeconds() - readStart;
        baseline += middle - start;
    }
    const auto iterations = static_cast<double>(state.iterations());
    state.counters["baseline_ms"] = baseline * 1000.0 / iterations;
    state.counters["read_ms"] = read * 1000.0 / iterations;
    state.counters["ratio"] = read / baseline;
}
BENCHMARK(BM_ReadAgainstDecryptAndParse)->Unit(benchmark::kMillisecond);

// The tables of one read, and registrations to look up (every 97th record, plus spellings without the dash).
const std::vector<std::string>& lf_lookupRegistrations()
{
    static const std::vector<std::string> registrations = [] {
        lf_resetTables();
        hlw::gf_readDbase(lf_dbase().sealed);
        std::vector<std::string> texts;
        const auto& records = hlw::gf_referenceTables().records;
        for (std::size_t i = 0; i < records.size(); i += 97) {
            std::string registration = records[i].registration;
            if (i % 2 == 0) {
                std::erase(registration, '-');
            }
            texts.push_back(registration);
        }
        return texts;
    }();
    return registrations;
}

std::vector<std::string> lf_modelCodes()
{
    lf_lookupRegistrations();
    const auto& models = hlw::gf_referenceTables().validModels;
    return {models.begin(), models.end()};
}

void BM_ModelIndexOfKnownCode(benchmark::State& state)
{
    const std::vector<std::string> codes = lf_modelCodes();
    std::size_t i = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(hlw::gf_modelIndex(codes[i++ % codes.size()]));
    }
}
BENCHMARK(BM_ModelIndexOfKnownCode);

void BM_ModelCategory(benchmark::State& state)
{
    const auto modelCount = static_cast<uint16_t>(lf_modelCodes().size());
    uint16_t model = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(hlw::gf_modelCategory(model));
        model = static_cast<uint16_t>((model + 7) % modelCount);
    }
}
BENCHMARK(BM_ModelCategory);

void BM_HalfWingspan(benchmark::State& state)
{
    const auto modelCount = static_cast<uint16_t>(lf_modelCodes().size());
    uint16_t model = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(hlw::gf_halfWingspanNm(model));
        model = static_cast<uint16_t>((model + 7) % modelCount);
    }
}
BENCHMARK(BM_HalfWingspan);

void BM_FindDbaseRecord(benchmark::State& state)
{
    const auto& registrations = lf_lookupRegistrations();
    std::size_t i = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(hlw::gf_findDbaseRecord(registrations[i++ % registrations.size()]));
    }
}
BENCHMARK(BM_FindDbaseRecord);

void BM_FindDbaseRecordMissing(benchmark::State& state)
{
    lf_lookupRegistrations();
    for (auto _ : state) {
        benchmark::DoNotOptimize(hlw::gf_findDbaseRecord("ZZQXW")); // three searches, none found
    }
}
BENCHMARK(BM_FindDbaseRecordMissing);

} // namespace
