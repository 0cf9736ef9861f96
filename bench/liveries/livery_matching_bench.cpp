// Building every livery table from 60,000 generated liveries, and one livery match at each matching depth
// with "RANDOM" on and off. Each match benchmark reports the heap allocations per match; the table benchmark
// reports the heap the tables hold.
#include "core/random_choice.h"
#include "liveries/livery_catalogue.h"
#include "liveries/livery_matching.h"
#include "liveries/livery_tables.h"
#include "liveries/registration_codes.h"
#include "liveries/registration_tables.h"
#include "records/flight_record.h"
#include "refdata/code_table.h"
#include "refdata/reference_lookups.h"
#include "refdata/reference_tables.h"
#include "refdata/similar_models.h"
#include "settings/catalogue.h"

#include "support/allocation_counter.h"

#include <benchmark/benchmark.h>
#include <fmt/format.h>

#include <malloc.h>
#include <random>
#include <string>
#include <vector>

namespace hlw {
namespace {

constexpr std::size_t liveryCount = 60000;
constexpr std::size_t airlineCount = 700;
constexpr std::size_t flightCount = 1000;

struct ModelKind {
    std::string code;
    AircraftCategory category;
};

std::vector<ModelKind> lf_models()
{
    std::vector<ModelKind> models;
    for (int i = 0; i < 160; ++i) {
        const AircraftCategory category = i < 100   ? AircraftCategory::Large
                                          : i < 125 ? AircraftCategory::Heavy
                                          : i < 140 ? AircraftCategory::Light
                                          : i < 150 ? AircraftCategory::Buzjets
                                                    : AircraftCategory::Rotorcraft;
        models.push_back({fmt::format("M{:03}", i), category});
    }
    return models;
}

std::string lf_airlineCode(std::size_t i)
{
    return fmt::format("{}{}{}", static_cast<char>('A' + i / 260 % 26), static_cast<char>('A' + i / 10 % 26),
                       static_cast<char>('A' + i % 10));
}

const char* const prefixes[] = {"D-", "G-", "F-", "OE-", "PH-", "EI-", "HB-", "N", "C-", "VH-"};

std::string lf_registration(std::mt19937& random)
{
    std::string registration = prefixes[random() % 10];
    for (int i = 0; i < 4; ++i) {
        registration.push_back(static_cast<char>('A' + random() % 26));
    }
    return registration;
}

void lf_installReferenceTables(const std::vector<ModelKind>& models)
{
    for (const ModelKind& model : models) {
        gf_modelIndex(model.code);
    }
    ReferenceTables tables;
    tables.categoryByModel.assign(gf_modelCodes().size(), AircraftCategory::Light);
    for (const ModelKind& model : models) {
        tables.categoryByModel[gf_modelIndex(model.code)] = model.category;
    }
    // Groups of four neighbouring models, like the similar types of the reference data.
    for (std::size_t first = 0; first + 4 <= models.size(); first += 4) {
        tables.similarModelGroups.push_back(
            {models[first].code, models[first + 1].code, models[first + 2].code, models[first + 3].code});
    }
    tables.similarPrefixes = {{"D-", {"OE-", "HB-"}}, {"OE-", {"D-", "HB-"}}, {"HB-", {"D-", "OE-"}},
                              {"N", {"C-"}},          {"C-", {"N"}},          {"G-", {"EI-"}},
                              {"EI-", {"G-"}}};
    gf_installReferenceTables(std::move(tables));
}

// 60,000 liveries: airlines with a handful of models each, one in ten with an operator, one in ten cargo,
// generic and private liveries, and a registration in every second title.
ScannedLiveryList lf_generateLiveries(const std::vector<ModelKind>& models, std::vector<RegcodeEntry>& offline)
{
    std::mt19937 random(7);
    ScannedLiveryList liveries;
    liveries.reserve(liveryCount);
    for (std::size_t i = 0; i < liveryCount; ++i) {
        LiveryData livery;
        const std::size_t airline = random() % airlineCount;
        const std::size_t kind = random() % 100;
        const std::string airlineCode = kind < 3 ? "ZZZ" : kind < 6 ? "PVT" : lf_airlineCode(airline);
        const ModelKind& model = models[(airline * 7 + random() % 12) % models.size()];
        livery.airline = gf_airlineIndex(airlineCode);
        if (kind >= 90) {
            livery.secondAirline = gf_airlineIndex(lf_airlineCode((airline + 1 + random() % 20) % airlineCount));
        }
        livery.model = gf_modelIndex(model.code);
        livery.cargo = kind % 10 == 7 ? 1 : 0;
        if (i % 2 == 0) {
            livery.atcId = lf_registration(random);
        }
        livery.title = fmt::format("{} {} livery number {} {}", airlineCode, model.code, i, livery.atcId);
        if (i % 9 == 0) {
            offline.push_back({livery.title, {lf_registration(random), lf_registration(random)}, i % 90 == 0});
        }
        liveries.push_back(std::move(livery));
    }
    std::ranges::sort(liveries, gf_liveryLess);
    return liveries;
}

struct World {
    World()
    {
        gf_installRandomSettingReader([]() noexcept { return settings::random.get(); });
        settings::lightAircraft.set(false);
        settings::highPerfAircraft.set(false);
        settings::helicopters.set(false);
        models = lf_models();
        lf_installReferenceTables(models);
        liveries = lf_generateLiveries(models, offline);
    }

    void build() const
    {
        gf_clearLiveryCatalogue();
        gf_buildLiveryTables(liveries, [this] {
            gf_checkInlineRegcodes(liveries);
            std::vector<std::string> messages;
            gf_mergeRegcodes(offline, messages);
        });
    }

    std::vector<ModelKind> models;
    ScannedLiveryList liveries;
    std::vector<RegcodeEntry> offline;
};

World& lf_world()
{
    static World world;
    return world;
}

// Live flights as traffic brings them: known and unknown registrations, airlines with and without liveries,
// operators, cargo, private aircraft and every category.
std::vector<FlightRecord> lf_flights()
{
    World& world = lf_world();
    std::mt19937 random(11);
    std::vector<FlightRecord> flights;
    for (std::size_t i = 0; i < flightCount; ++i) {
        FlightRecord record;
        record.callsign = fmt::format("FLT{}", i);
        const LiveryData& livery = world.liveries[random() % world.liveries.size()];
        const std::size_t kind = random() % 10;
        record.airline = kind < 2 ? gf_airlineIndex(lf_airlineCode(airlineCount + random() % 50)) : livery.airline;
        record.secondAirline = kind == 3 ? livery.airline : livery.secondAirline;
        const ModelKind& model = world.models[random() % world.models.size()];
        record.model = kind < 6 ? livery.model : gf_modelIndex(model.code);
        record.cargo = kind == 9 ? 1 : livery.cargo;
        record.registration = kind < 3 ? livery.atcId : lf_registration(random);
        record.category = gf_modelCategory(record.model);
        flights.push_back(std::move(record));
    }
    return flights;
}

std::size_t lf_heapInUse()
{
    return mallinfo2().uordblks;
}

void BM_BuildAllTables(benchmark::State& state)
{
    World& world = lf_world();
    gf_clearLiveryCatalogue();
    const std::size_t before = lf_heapInUse();
    std::size_t held = 0;
    for (auto _ : state) {
        world.build();
        state.PauseTiming();
        held = lf_heapInUse() - before;
        state.ResumeTiming();
    }
    state.counters["liveries"] = static_cast<double>(world.liveries.size());
    state.counters["registrations"] = static_cast<double>(gf_registrationTables().regcodes.size());
    state.counters["table_MB"] = static_cast<double>(held) / (1024.0 * 1024.0);
}
BENCHMARK(BM_BuildAllTables)->Unit(benchmark::kMillisecond)->Iterations(5);

// One match of a generated live flight, cycling through the flights; args: depth, "RANDOM".
void BM_MatchLivery(benchmark::State& state)
{
    World& world = lf_world();
    if (gf_liveryCatalogue().byAirline.empty()) {
        world.build();
    }
    settings::matchingDepth.set(static_cast<int32_t>(state.range(0)));
    settings::random.set(state.range(1) != 0);
    gf_seedThreadRandomEngine(3);
    std::vector<FlightRecord> flights = lf_flights();
    std::size_t next = 0;
    std::size_t matched = 0;
    const test::AllocationWindow allocations;
    for (auto _ : state) {
        FlightRecord& record = flights[next];
        next = (next + 1) % flights.size();
        gf_matchLivery(record);
        matched += record.title.empty() ? 0 : 1;
        benchmark::DoNotOptimize(record.title);
    }
    const double matches = static_cast<double>(state.iterations());
    state.counters["matched_pct"] = 100.0 * static_cast<double>(matched) / matches;
    state.counters["allocs_per_match"] = static_cast<double>(allocations.counted().count) / matches;
}
BENCHMARK(BM_MatchLivery)->ArgsProduct({{1, 2, 3, 4}, {0, 1}})->ArgNames({"depth", "random"});

// The longest way: a Light aircraft of an unknown airline with an operator, a registration nobody has and a
// model without liveries or similar models, so that every step up to the depth runs and finds nothing; only at
// depth 4 a random Light model of the catalogue gives it a title (step 6), after the prefix searches.
void BM_MatchLiveryLongestWay(benchmark::State& state)
{
    World& world = lf_world();
    if (gf_liveryCatalogue().byAirline.empty()) {
        world.build();
    }
    settings::matchingDepth.set(static_cast<int32_t>(state.range(0)));
    settings::random.set(state.range(1) != 0);
    FlightRecord record;
    record.callsign = "NOMATCH";
    record.airline = gf_airlineIndex("QQQ");
    record.secondAirline = gf_airlineIndex("QQR");
    record.model = gf_modelIndex("ZZ99");
    record.registration = "D-QQQQ";
    record.category = AircraftCategory::Light;
    gf_matchLivery(record);
    const test::AllocationWindow allocations;
    for (auto _ : state) {
        gf_matchLivery(record);
        benchmark::DoNotOptimize(record.title);
    }
    state.counters["allocs_per_match"] =
        static_cast<double>(allocations.counted().count) / static_cast<double>(state.iterations());
}
BENCHMARK(BM_MatchLiveryLongestWay)->ArgsProduct({{1, 2, 3, 4}, {0, 1}})->ArgNames({"depth", "random"});

} // namespace
} // namespace hlw
