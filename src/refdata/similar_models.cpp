#include "refdata/similar_models.h"

#include "core/log.h"
#include "refdata/code_table.h"
#include "refdata/reference_tables.h"

#include <fmt/format.h>

#include <algorithm>
#include <string>
#include <unordered_map>
#include <utility>

namespace hlw {
namespace {

using ModelList = std::vector<uint16_t>;

// One "similar_types" group: its members that have liveries (model indexes in group order, and their places
// in the group) and, per airline, those of them the airline has liveries of.
struct GroupLists {
    ModelList withLivery;
    std::vector<std::size_t> memberPlaces;
    std::unordered_map<uint16_t, ModelList> byAirline;
};

// Where the similar models of a model are: its group, its place in the group and its own place in the
// group's withLivery list.
struct ModelEntry {
    std::size_t group = 0;
    std::size_t member = 0;
    std::size_t ownPlace = SimilarModelList::noPlace;
};

struct SimilarModelTables {
    std::vector<GroupLists> groups;
    std::unordered_map<uint16_t, ModelEntry> models;
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

// The text that ranks the entries of a model that is in several groups: "model,similar,...", the similar
// models being the group's members with liveries other than the model's own place.
std::string lf_entryText(const ModelEntry& entry, const SimilarModelTables& tables)
{
    const std::vector<std::string>& group = gf_referenceTables().similarModelGroups[entry.group];
    const std::vector<std::size_t>& places = tables.groups[entry.group].memberPlaces;
    std::string text = group[entry.member];
    for (std::size_t place = 0; place < places.size(); ++place) {
        if (place != entry.ownPlace) {
            text += ',';
            text += group[places[place]];
        }
    }
    return text;
}

// The members of one group that have liveries, and an entry for every member that has at least one similar
// model with liveries. Each member's model index is looked up once.
void lf_addGroup(std::size_t groupIndex, const LiveryPresence& liveries, SimilarModelTables& tables)
{
    const std::vector<std::string>& group = gf_referenceTables().similarModelGroups[groupIndex];
    GroupLists& lists = tables.groups[groupIndex];
    std::vector<ModelEntry> entries(group.size());
    std::vector<uint16_t> indexes(group.size());
    for (std::size_t member = 0; member < group.size(); ++member) {
        entries[member] = ModelEntry{groupIndex, member, SimilarModelList::noPlace};
        indexes[member] = gf_modelIndex(group[member]);
        if (liveries.modelHasLiveries(indexes[member])) {
            entries[member].ownPlace = lists.withLivery.size();
            lists.withLivery.push_back(indexes[member]);
            lists.memberPlaces.push_back(member);
        }
    }
    for (std::size_t member = 0; member < group.size(); ++member) {
        const ModelEntry& entry = entries[member];
        if (SimilarModelList(lists.withLivery, entry.ownPlace).empty()) {
            continue;
        }
        // A model in several groups (or two codes of one model after fixes): the entry whose text sorts first.
        const auto [kept, added] = tables.models.try_emplace(indexes[member], entry);
        if (!added && lf_entryText(entry, tables) < lf_entryText(kept->second, tables)) {
            kept->second = entry;
        }
    }
}

// Per group and airline, the members with liveries that the airline has liveries of.
void lf_addAirlineLists(const LiveryPresence& liveries, SimilarModelTables& tables)
{
    ModelList airlines = liveries.airlines();
    std::ranges::sort(airlines);
    const auto [repeated, last] = std::ranges::unique(airlines);
    airlines.erase(repeated, last);
    for (GroupLists& lists : tables.groups) {
        for (const uint16_t airline : airlines) {
            ModelList kept;
            std::ranges::copy_if(lists.withLivery, std::back_inserter(kept),
                                 [&](uint16_t model) { return liveries.hasLivery(airline, model); });
            if (!kept.empty()) {
                lists.byAirline.emplace(airline, std::move(kept));
            }
        }
    }
}

} // namespace

void gf_buildSimilarModels(const LiveryPresence& liveries)
{
    SimilarModelTables tables;
    tables.groups.resize(gf_referenceTables().similarModelGroups.size());
    for (std::size_t group = 0; group < tables.groups.size(); ++group) {
        lf_addGroup(group, liveries, tables);
    }
    lf_addAirlineLists(liveries, tables);
    lf_tables() = std::move(tables);
    gf_log(fmt::format("{:5} similar model definitions", lf_tables().models.size()));
}

SimilarModelList gf_similarModelsWithLivery(uint16_t model)
{
    const SimilarModelTables& tables = lf_tables();
    const auto hit = tables.models.find(model);
    if (hit == tables.models.end()) {
        return {};
    }
    return {tables.groups[hit->second.group].withLivery, hit->second.ownPlace};
}

// The airline's list of the model's group; none when the airline has liveries of the model itself (its list
// then holds the model).
const std::vector<uint16_t>& gf_airlineSimilarModels(uint16_t airline, uint16_t model)
{
    const SimilarModelTables& tables = lf_tables();
    const auto modelHit = tables.models.find(model);
    if (modelHit == tables.models.end()) {
        return lf_emptyList();
    }
    const auto& byAirline = tables.groups[modelHit->second.group].byAirline;
    const auto airlineHit = byAirline.find(airline);
    if (airlineHit == byAirline.end() || std::ranges::find(airlineHit->second, model) != airlineHit->second.end()) {
        return lf_emptyList();
    }
    return airlineHit->second;
}

std::size_t gf_similarModelDefinitionCount()
{
    return lf_tables().models.size();
}

void gf_clearSimilarModels()
{
    lf_tables() = SimilarModelTables{};
}

} // namespace hlw
