#include "refdata/similar_models.h"

#include "core/log.h"
#include "refdata/code_table.h"
#include "refdata/reference_tables.h"

#include <fmt/format.h>

#include <map>
#include <set>
#include <string>
#include <unordered_map>
#include <utility>

namespace hlw {
namespace {

using ModelList = std::vector<uint16_t>;
using SimilarModelMap = std::unordered_map<uint16_t, ModelList>;

struct SimilarModelTables {
    SimilarModelMap withLivery;
    std::unordered_map<uint16_t, SimilarModelMap> byAirline;
};

SimilarModelTables& lf_tables()
{
    static SimilarModelTables tables;
    return tables;
}

const ModelList& lf_emptyList()
{
    static const ModelList empty;
    return empty;
}

// Every group member to the members of its group that have liveries. A model in several groups keeps the
// entry whose text ("model,similar,...") sorts first.
SimilarModelMap lf_buildWithLivery(const LiveryPresence& liveries)
{
    std::map<std::string, ModelList> byText;
    for (const auto& group : gf_referenceTables().similarModelGroups) {
        for (std::size_t i = 0; i < group.size(); ++i) {
            ModelList entry{gf_modelIndex(group[i])};
            std::string text = group[i];
            for (std::size_t j = 0; j < group.size(); ++j) {
                const uint16_t other = gf_modelIndex(group[j]);
                if (j != i && liveries.modelHasLiveries(other)) {
                    entry.push_back(other);
                    text += ',';
                    text += group[j];
                }
            }
            if (entry.size() > 1) {
                byText.emplace(std::move(text), std::move(entry));
            }
        }
    }
    SimilarModelMap withLivery;
    for (auto& [text, entry] : byText) {
        withLivery.try_emplace(entry.front(), entry.begin() + 1, entry.end());
    }
    return withLivery;
}

std::unordered_map<uint16_t, SimilarModelMap> lf_buildByAirline(const LiveryPresence& liveries,
                                                                const SimilarModelMap& withLivery)
{
    const ModelList airlineList = liveries.airlines();
    const std::set<uint16_t> airlines(airlineList.begin(), airlineList.end());
    std::unordered_map<uint16_t, SimilarModelMap> byAirline;
    for (const uint16_t airline : airlines) {
        SimilarModelMap models;
        for (const auto& [model, similar] : withLivery) {
            if (liveries.hasLivery(airline, model)) {
                continue;
            }
            ModelList kept;
            for (const uint16_t other : similar) {
                if (liveries.hasLivery(airline, other)) {
                    kept.push_back(other);
                }
            }
            if (!kept.empty()) {
                models.emplace(model, std::move(kept));
            }
        }
        if (!models.empty()) {
            byAirline.emplace(airline, std::move(models));
        }
    }
    return byAirline;
}

} // namespace

void gf_buildSimilarModels(const LiveryPresence& liveries)
{
    SimilarModelTables tables;
    tables.withLivery = lf_buildWithLivery(liveries);
    tables.byAirline = lf_buildByAirline(liveries, tables.withLivery);
    lf_tables() = std::move(tables);
    gf_log(fmt::format("{:5} similar model definitions", lf_tables().withLivery.size()));
}

const std::vector<uint16_t>& gf_similarModelsWithLivery(uint16_t model)
{
    const auto& withLivery = lf_tables().withLivery;
    const auto hit = withLivery.find(model);
    return hit != withLivery.end() ? hit->second : lf_emptyList();
}

const std::vector<uint16_t>& gf_airlineSimilarModels(uint16_t airline, uint16_t model)
{
    const auto& byAirline = lf_tables().byAirline;
    const auto airlineHit = byAirline.find(airline);
    if (airlineHit == byAirline.end()) {
        return lf_emptyList();
    }
    const auto modelHit = airlineHit->second.find(model);
    return modelHit != airlineHit->second.end() ? modelHit->second : lf_emptyList();
}

std::size_t gf_similarModelDefinitionCount()
{
    return lf_tables().withLivery.size();
}

void gf_clearSimilarModels()
{
    lf_tables() = SimilarModelTables{};
}

} // namespace hlw
