#include "liveries/livery_catalogue.h"

#include "core/count_text.h"
#include "core/log.h"
#include "core/random_choice.h"
#include "refdata/category_name.h"
#include "refdata/code_table.h"
#include "refdata/reference_lookups.h"
#include "settings/catalogue.h"
#include "settings/control_services.h"

#include <fmt/format.h>

#include <array>
#include <optional>
#include <set>
#include <string>
#include <utility>

namespace hlw {
namespace {

LiveryCatalogue& lf_catalogue()
{
    static LiveryCatalogue catalogue;
    return catalogue;
}

// Enters a value under a key unless the key is already there: the first group of a key wins.
template <typename Map, typename Value>
void lf_enter(Map& map, uint16_t key, Value& value)
{
    if (!value.empty()) {
        map.try_emplace(key, std::move(value));
        value.clear();
    }
}

constexpr std::size_t groupReserve = 4048;
constexpr std::size_t modelsPerAirline = 128;

// Walks the list in order and collects the liveries of one model in a group and the groups of one key (an
// airline, or an airline with its operator) in a map of models. A model change enters the group; a key change
// enters the group and then hands the map to enterKey. The list is sorted, so each key and model forms one
// run; a later run of the same key or model (a hand-edited file) is dropped by the keep-first inserts.
template <typename KeyOf, typename EnterKey>
void lf_collectGroups(const ScannedLiveryList& liveries, bool withOperator, KeyOf keyOf, EnterKey enterKey)
{
    LiveryCatalogue& catalogue = lf_catalogue();
    LiveryEntries group;
    group.reserve(groupReserve);
    ModelLiveries models;
    models.reserve(modelsPerAirline);
    uint16_t model = 0;
    uint32_t key = 0;
    const auto enterModels = [&] {
        lf_enter(models, model, group);
        if (!models.empty()) {
            enterKey(key, models);
            models = ModelLiveries();
            models.reserve(modelsPerAirline);
        }
    };
    for (const LiveryData& livery : liveries) {
        if ((livery.secondAirline != 0) != withOperator) {
            continue;
        }
        if (livery.model != model) {
            lf_enter(models, model, group);
            model = livery.model;
        }
        if (const uint32_t liveryKey = keyOf(livery); liveryKey != key) {
            enterModels();
            key = liveryKey;
        }
        catalogue.titleArena.push_back(livery.title);
        group.push_back({catalogue.titleArena.back(), livery.cargo});
    }
    enterModels();
}

// The map of an airline with its operator goes under the combined code (both code texts joined) and under the
// operator, each unless the key has its map already.
void lf_enterOperatorModels(uint32_t pair, ModelLiveries& models)
{
    auto& byAirline = lf_catalogue().byAirline;
    const auto airline = static_cast<uint16_t>(pair >> 16U);
    const auto secondAirline = static_cast<uint16_t>(pair & 0xFFFFU);
    const std::string combined = gf_airlineText(airline) + gf_airlineText(secondAirline);
    const uint16_t combinedIndex = gf_airlineIndex(combined);
    if (combinedIndex != 0) {
        byAirline.try_emplace(combinedIndex, models);
    } else {
        gf_logAlert(fmt::format("Airline code table full, liveries of {} not entered", combined));
    }
    byAirline.try_emplace(secondAirline, std::move(models));
}

void lf_indexTitles()
{
    LiveryCatalogue& catalogue = lf_catalogue();
    for (const auto& [airline, models] : catalogue.byAirline) {
        for (const auto& [model, liveries] : models) {
            for (const LiveryEntry& livery : liveries) {
                catalogue.titleIndex.try_emplace(livery.title, livery.title);
            }
        }
    }
}

uint16_t lf_randomModel(const std::vector<uint16_t>& models)
{
    return models.empty() ? uint16_t{0} : models[gf_randomIndex(models.size())];
}

// Appends the models to the list of their category and logs their codes, 20 to a line.
void lf_logCategoryModels(bool isLight, bool isBuzjet, bool isRotorcraft, const std::set<uint16_t>& models)
{
    LiveryCatalogue& catalogue = lf_catalogue();
    std::string line = "  ";
    std::size_t onLine = 0;
    for (const uint16_t model : models) {
        if (isLight) {
            catalogue.lightModels.push_back(model);
        } else if (isBuzjet) {
            catalogue.buzjetModels.push_back(model);
        } else if (isRotorcraft) {
            catalogue.rotorcraftModels.push_back(model);
        }
        line += gf_modelText(model);
        line += ',';
        if (++onLine == 20) {
            line.pop_back();
            gf_log(line);
            line = "  ";
            onLine = 0;
        }
    }
    if (onLine > 0) {
        line.pop_back();
        gf_log(line);
    }
}

// The traffic setting of a category that the category report may switch off, with the reason's wording.
struct CategorySetting {
    BoolCheckBoxParameter* setting;
    const char* missing;
};

std::optional<CategorySetting> lf_categorySetting(AircraftCategory category)
{
    switch (category) {
    case AircraftCategory::Light:
        return CategorySetting{&settings::lightAircraft, "light aircraft"};
    case AircraftCategory::HighPerf:
        return CategorySetting{&settings::highPerfAircraft, "High Perf aircraft"};
    case AircraftCategory::Rotorcraft:
        return CategorySetting{&settings::helicopters, "Helicopters"};
    default:
        return std::nullopt;
    }
}

class CataloguePresence final : public LiveryPresence {
public:
    bool modelHasLiveries(uint16_t model) const override
    {
        return gf_modelTitles(paxIndex, model) != nullptr || gf_modelTitles(cargoIndex, model) != nullptr;
    }
    bool hasLivery(uint16_t airline, uint16_t model) const override { return gf_hasLivery(airline, model); }
    std::vector<uint16_t> airlines() const override
    {
        std::vector<uint16_t> airlines;
        airlines.reserve(lf_catalogue().byAirline.size());
        for (const auto& entry : lf_catalogue().byAirline) {
            airlines.push_back(entry.first);
        }
        return airlines;
    }
};

} // namespace

const LiveryCatalogue& gf_liveryCatalogue()
{
    return lf_catalogue();
}

bool gf_hasLivery(uint16_t airline, uint16_t model)
{
    const auto& byAirline = lf_catalogue().byAirline;
    const auto hit = byAirline.find(airline);
    return hit != byAirline.end() && hit->second.contains(model);
}

std::string_view gf_findLiveryByTitle(std::string_view title)
{
    const auto& index = lf_catalogue().titleIndex;
    const auto hit = index.find(title);
    return hit != index.end() ? hit->second : std::string_view();
}

const TitleList* gf_paxCargoTitles(std::size_t cargo, uint16_t airline, uint16_t model)
{
    const auto& airlines = lf_catalogue().paxCargo.at(cargo);
    const auto airlineHit = airlines.find(airline);
    if (airlineHit == airlines.end()) {
        return nullptr;
    }
    const auto modelHit = airlineHit->second.find(model);
    return modelHit != airlineHit->second.end() ? &modelHit->second : nullptr;
}

const TitleList* gf_modelTitles(std::size_t cargo, uint16_t model)
{
    const auto& models = lf_catalogue().byModel.at(cargo);
    const auto hit = models.find(model);
    return hit != models.end() ? &hit->second : nullptr;
}

uint16_t gf_randomLightModel()
{
    return lf_randomModel(lf_catalogue().lightModels);
}

uint16_t gf_randomBuzjetModel()
{
    return lf_randomModel(lf_catalogue().buzjetModels);
}

uint16_t gf_randomRotorcraftModel()
{
    return lf_randomModel(lf_catalogue().rotorcraftModels);
}

const LiveryPresence& gf_liveryPresence()
{
    static const CataloguePresence presence;
    return presence;
}

void gf_buildLiveryCatalogue(const ScannedLiveryList& liveries)
{
    LiveryCatalogue& catalogue = lf_catalogue();
    catalogue.byAirline.reserve(2048);
    lf_collectGroups(liveries, false, [](const LiveryData& livery) -> uint32_t { return livery.airline; },
                     [&catalogue](uint32_t airline, ModelLiveries& models) {
                         catalogue.byAirline.try_emplace(static_cast<uint16_t>(airline), std::move(models));
                     });
    lf_collectGroups(
        liveries, true,
        [](const LiveryData& livery) -> uint32_t {
            return (static_cast<uint32_t>(livery.airline) << 16U) | livery.secondAirline;
        },
        lf_enterOperatorModels);
    lf_indexTitles();
    catalogue.genericAirline = gf_findAirlineIndex("ZZZ");
    catalogue.privateAirline = gf_findAirlineIndex("PVT");
}

void gf_buildPaxCargoCatalogue()
{
    LiveryCatalogue& catalogue = lf_catalogue();
    catalogue.paxCargo[paxIndex].reserve(2048);
    catalogue.paxCargo[cargoIndex].reserve(256);
    for (const auto& [airline, models] : catalogue.byAirline) {
        std::array<ModelTitleLists, 2> split;
        for (const auto& [model, liveries] : models) {
            std::array<TitleList, 2> titles;
            for (const LiveryEntry& livery : liveries) {
                titles[livery.cargo != 0 ? cargoIndex : paxIndex].push_back(livery.title);
            }
            for (std::size_t kind : {paxIndex, cargoIndex}) {
                if (!titles[kind].empty()) {
                    titles[kind].shrink_to_fit();
                    split[kind].reserve(16);
                    split[kind].emplace(model, std::move(titles[kind]));
                }
            }
        }
        for (std::size_t kind : {paxIndex, cargoIndex}) {
            if (!split[kind].empty()) {
                catalogue.paxCargo[kind].try_emplace(airline, std::move(split[kind]));
            }
        }
    }
}

void gf_reserveModelCatalogue()
{
    LiveryCatalogue& catalogue = lf_catalogue();
    catalogue.byModel[paxIndex].reserve(324);
    catalogue.byModel[cargoIndex].reserve(75);
}

void gf_buildModelCatalogue()
{
    LiveryCatalogue& catalogue = lf_catalogue();
    for (const auto& [airline, models] : catalogue.byAirline) {
        for (const auto& [model, liveries] : models) {
            for (const LiveryEntry& livery : liveries) {
                catalogue.byModel[livery.cargo != 0 ? cargoIndex : paxIndex][model].push_back(livery.title);
            }
        }
    }
    for (auto& models : catalogue.byModel) {
        for (auto& entry : models) {
            entry.second.shrink_to_fit();
        }
    }
}

void gf_logCategory(AircraftCategory category)
{
    const LiveryCatalogue& catalogue = lf_catalogue();
    std::array<std::size_t, 2> counts{};
    std::set<uint16_t> models;
    for (std::size_t kind : {paxIndex, cargoIndex}) {
        for (const auto& [model, titles] : catalogue.byModel[kind]) {
            if (gf_modelCategory(model) == category) {
                counts[kind] += titles.size();
                models.insert(model);
            }
        }
    }
    const std::string& name = gf_categoryName(category);
    const std::optional<CategorySetting> setting = lf_categorySetting(category);
    if (models.empty()) {
        gf_log(fmt::format("Category {}: No livery found", name));
        if (setting) {
            if (setting->setting->get()) {
                setting->setting->setAndSave(false);
                setting->setting->showCheck();
                gf_log(fmt::format("{} temporarily switched off because you do not have {} installed",
                                   setting->setting->key(), setting->missing));
            }
            gf_enableControl(*setting->setting, false);
        }
        return;
    }
    const std::string cargoPart =
        counts[cargoIndex] > 0
            ? fmt::format(" and {} cargo liverie{}", counts[cargoIndex], gf_plural(counts[cargoIndex]))
            : std::string();
    gf_log(fmt::format("Category {}: {} pax liverie{}{}", name, counts[paxIndex], gf_plural(counts[paxIndex]),
                       cargoPart));
    lf_logCategoryModels(category == AircraftCategory::Light, category == AircraftCategory::Buzjets,
                         category == AircraftCategory::Rotorcraft, models);
    if (setting) {
        gf_enableControl(*setting->setting);
    }
}

void gf_logGenericLiveries()
{
    const LiveryCatalogue& catalogue = lf_catalogue();
    const std::optional<uint16_t> generic = gf_findAirlineIndex("ZZZ");
    const auto hit = generic ? catalogue.byAirline.find(*generic) : catalogue.byAirline.end();
    if (hit == catalogue.byAirline.end()) {
        gf_log("No generic liveries");
        return;
    }
    std::set<uint16_t> models;
    for (const auto& entry : hit->second) {
        models.insert(entry.first);
    }
    gf_log(fmt::format("{} model{} have a generic livery", models.size(), gf_plural(models.size())));
    lf_logCategoryModels(false, false, false, models);
}

void gf_clearLiveryCatalogueTables()
{
    LiveryCatalogue& catalogue = lf_catalogue();
    catalogue.lightModels.clear();
    catalogue.buzjetModels.clear();
    catalogue.rotorcraftModels.clear();
    catalogue.genericAirline.reset();
    catalogue.privateAirline.reset();
    catalogue.titleIndex.clear();
    for (auto& models : catalogue.byModel) {
        models.clear();
    }
    for (auto& airlines : catalogue.paxCargo) {
        airlines.clear();
    }
    catalogue.byAirline.clear();
    // The strings go last, once nothing views them any more.
    catalogue.titleArena.clear();
}

} // namespace hlw
