// Building the similar-model tables when one "similar_types" group is very large: the build must grow with the
// size of the group, not with its square. 40 airlines have liveries of 5 members each, spread over the group.
#include "refdata/code_table.h"
#include "refdata/reference_tables.h"
#include "refdata/similar_models.h"

#include <benchmark/benchmark.h>
#include <fmt/format.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <unordered_set>
#include <utility>
#include <vector>

namespace {

constexpr std::size_t airlineCount = 40;
constexpr std::size_t modelsPerAirline = 5;

class BenchLiveries final : public hlw::LiveryPresence {
  public:
    void add(uint16_t airline, uint16_t model)
    {
        models_.insert(model);
        pairs_.insert((static_cast<uint32_t>(airline) << 16U) | model);
        if (std::find(airlines_.begin(), airlines_.end(), airline) == airlines_.end()) {
            airlines_.push_back(airline);
        }
    }
    bool modelHasLiveries(uint16_t model) const override { return models_.contains(model); }
    bool hasLivery(uint16_t airline, uint16_t model) const override
    {
        return pairs_.contains((static_cast<uint32_t>(airline) << 16U) | model);
    }
    std::vector<uint16_t> airlines() const override { return airlines_; }

  private:
    std::unordered_set<uint16_t> models_;
    std::unordered_set<uint32_t> pairs_;
    std::vector<uint16_t> airlines_;
};

// One group of `size` type codes (sorted, as the reader leaves groups) and the liveries described above.
BenchLiveries lf_installOneGroup(std::size_t size)
{
    hlw::gf_modelCodes().reset();
    hlw::gf_airlineCodes().reset();
    hlw::ReferenceTables tables;
    std::vector<std::string> group;
    group.reserve(size);
    for (std::size_t i = 0; i < size; ++i) {
        group.push_back(fmt::format("T{:05}", i));
    }
    BenchLiveries liveries;
    for (std::size_t airline = 0; airline < airlineCount; ++airline) {
        const uint16_t airlineIndex = hlw::gf_airlineIndex(fmt::format("A{:02}", airline));
        for (std::size_t k = 0; k < modelsPerAirline; ++k) {
            liveries.add(airlineIndex, hlw::gf_modelIndex(group[(airline * 37 + k * 1013) % size]));
        }
    }
    tables.similarModelGroups.push_back(std::move(group));
    hlw::gf_installReferenceTables(std::move(tables));
    return liveries;
}

void BM_BuildSimilarModelsOneLargeGroup(benchmark::State& state)
{
    const auto size = static_cast<std::size_t>(state.range(0));
    const BenchLiveries liveries = lf_installOneGroup(size);
    for (auto _ : state) {
        hlw::gf_buildSimilarModels(liveries);
    }
    state.counters["definitions"] = static_cast<double>(hlw::gf_similarModelDefinitionCount());
    hlw::gf_clearSimilarModels();
    hlw::gf_clearReferenceTables();
}
BENCHMARK(BM_BuildSimilarModelsOneLargeGroup)->Arg(7000)->Arg(70000)->Unit(benchmark::kMillisecond);

} // namespace
