#include "livery_world.h"

#include "core/log.h"
#include "core/random_choice.h"
#include "liveries/livery_catalogue.h"
#include "liveries/livery_tables.h"
#include "liveries/matching_summary.h"
#include "liveries/registration_codes.h"
#include "liveries/registration_tables.h"
#include "liveries/scan_lists.h"
#include "records/not_created_liveries.h"
#include "records/refused_titles.h"
#include "refdata/code_table.h"
#include "refdata/reference_lookups.h"
#include "refdata/reference_tables.h"
#include "refdata/similar_models.h"
#include "settings/catalogue.h"

#include <algorithm>
#include <utility>

namespace hlw::test {
namespace {

bool lf_randomSetting() noexcept
{
    return settings::random.get();
}

const std::vector<std::pair<const char*, AircraftCategory>> modelCategories = {
    {"A319", AircraftCategory::Large},  {"A320", AircraftCategory::Large},  {"A321", AircraftCategory::Large},
    {"B737", AircraftCategory::Large},  {"B738", AircraftCategory::Large},  {"B739", AircraftCategory::Large},
    {"E170", AircraftCategory::Large},  {"E190", AircraftCategory::Large},  {"E195", AircraftCategory::Large},
    {"BCS1", AircraftCategory::Large},  {"BCS3", AircraftCategory::Large},  {"CRJ7", AircraftCategory::Large},
    {"CRJ9", AircraftCategory::Large},  {"A300", AircraftCategory::Large},  {"B77W", AircraftCategory::Heavy},
    {"B789", AircraftCategory::Heavy},  {"C152", AircraftCategory::Light},  {"C172", AircraftCategory::Light},
    {"C182", AircraftCategory::Light},  {"PA28", AircraftCategory::Light},  {"C56X", AircraftCategory::Buzjets},
    {"GLF5", AircraftCategory::Buzjets}, {"EC35", AircraftCategory::Rotorcraft}, {"R44", AircraftCategory::Rotorcraft},
    {"F16", AircraftCategory::HighPerf},
};

void lf_installReferenceTables()
{
    for (const auto& [code, category] : modelCategories) {
        gf_modelIndex(code);
    }
    ReferenceTables tables;
    tables.categoryByModel.assign(gf_modelCodes().size(), AircraftCategory::Light);
    for (const auto& [code, category] : modelCategories) {
        tables.categoryByModel[gf_modelIndex(code)] = category;
    }
    tables.similarModelGroups = {{"A319", "A320", "A321"}, {"B737", "B738", "B739"}, {"C152", "C172", "C182"},
                                 {"CRJ7", "CRJ9"},         {"E190", "E195"},         {"EC35", "R44"}};
    tables.similarPrefixes = {{"OE-", {"D-"}}, {"D-", {"OE-"}}, {"N", {"C-", "G-"}}};
    gf_installReferenceTables(std::move(tables));
}

void lf_clearTables()
{
    gf_clearLiveryCatalogue();
    gf_refusedTitles().clear();
    gf_notCreatedLiveries().clear();
    gf_dontUseTitles().clear();
}

} // namespace

LiveryWorld::LiveryWorld()
{
    gf_startLog(dir / "Log.txt");
    gf_airlineCodes().reset();
    gf_modelCodes().reset();
    lf_installReferenceTables();
    gf_installRandomSettingReader(&lf_randomSetting);
    randomOff();
    settings::matchingDepth.set(4);
    // The category reports would switch these off and save them when nothing of the category is installed.
    settings::lightAircraft.set(false);
    settings::highPerfAircraft.set(false);
    settings::helicopters.set(false);
    gf_resetMatchStepCounts();
}

LiveryWorld::~LiveryWorld()
{
    lf_clearTables();
    gf_resetMatchStepCounts();
    gf_installRandomSettingReader(nullptr);
    settings::random.set(settings::random.defaultValue());
    settings::matchingDepth.set(settings::matchingDepth.defaultValue());
    gf_clearReferenceTables();
    gf_airlineCodes().reset();
    gf_modelCodes().reset();
    gf_stopLog();
}

void LiveryWorld::build(const std::vector<Livery>& liveries, const std::vector<RegcodeEntry>& offline)
{
    lf_clearTables();
    ScannedLiveryList& list = gf_scannedLiveryList();
    list.clear();
    for (const Livery& livery : liveries) {
        LiveryData data;
        data.title = livery.title;
        data.atcId = livery.registration;
        data.airline = airline(livery.airline);
        data.secondAirline = livery.secondAirline.empty() ? 0 : airline(livery.secondAirline);
        data.model = model(livery.model);
        data.cargo = livery.cargo ? 1 : 0;
        list.push_back(std::move(data));
    }
    std::ranges::sort(list, gf_liveryLess);

    gf_buildLiveryTables(list, [&list, &offline] {
        gf_checkInlineRegcodes(list);
        std::vector<std::string> messages;
        gf_mergeRegcodes(offline, messages);
    });
    liveriesDone.store(true);
    list.clear();
}

void LiveryWorld::randomOn(uint32_t seed)
{
    settings::random.set(true);
    gf_seedThreadRandomEngine(seed);
}

void LiveryWorld::randomOff()
{
    settings::random.set(false);
}

std::string LiveryWorld::logText() const
{
    gf_logFlushNow();
    return readWholeFile(dir / "Log.txt");
}

uint16_t LiveryWorld::airline(const std::string& code)
{
    return gf_airlineIndex(code);
}

uint16_t LiveryWorld::model(const std::string& code)
{
    return gf_modelIndex(code);
}

FlightRecord LiveryWorld::flight(const std::string& airline, const std::string& secondAirline,
                                 const std::string& model, bool cargo, const std::string& registration)
{
    FlightRecord record;
    record.callsign = "TST123";
    record.airline = LiveryWorld::airline(airline);
    record.secondAirline = secondAirline.empty() ? 0 : LiveryWorld::airline(secondAirline);
    record.model = LiveryWorld::model(model);
    record.cargo = cargo ? 1 : 0;
    record.registration = registration;
    record.category = gf_modelCategory(record.model);
    return record;
}

} // namespace hlw::test
