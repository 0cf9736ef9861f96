#include "livery_fixture.h"

#include "core/log.h"
#include "liveries/livery_data.h"
#include "liveries/livery_tables.h"
#include "liveries/scan_lists.h"
#include "refdata/code_table.h"
#include "refdata/reference_tables.h"
#include "settings/catalogue.h"
#include "settings/xml_attributes.h"

#include <pugixml.hpp>

#include <utility>

namespace hlw::test {
namespace {

struct ModelCategory {
    const char* code;
    AircraftCategory category;
};

// The models the suites use, interned in this order, with their categories.
const ModelCategory fleet[] = {
    {"A319", AircraftCategory::Large},   {"A320", AircraftCategory::Large},   {"A321", AircraftCategory::Large},
    {"B737", AircraftCategory::Large},   {"B738", AircraftCategory::Large},   {"B739", AircraftCategory::Large},
    {"B772", AircraftCategory::Heavy},   {"B77W", AircraftCategory::Heavy},   {"E175", AircraftCategory::Large},
    {"E190", AircraftCategory::Large},   {"E195", AircraftCategory::Large},   {"C172", AircraftCategory::Light},
    {"C208", AircraftCategory::Light},   {"CL35", AircraftCategory::Buzjets}, {"E55P", AircraftCategory::Buzjets},
    {"EC35", AircraftCategory::Rotorcraft}, {"F16", AircraftCategory::HighPerf},
};

void lf_installReferenceTables()
{
    ReferenceTables tables;
    tables.similarModelGroups = {{"A319", "A320", "A321"}, {"B737", "B738", "B739"}, {"B772", "B77W"},
                                 {"E190", "E195"}, {"C172", "C208"}};
    tables.categoryByModel.assign(1, AircraftCategory::Light);
    for (const ModelCategory& model : fleet) {
        const uint16_t index = gf_modelIndex(model.code);
        tables.categoryByModel.resize(index + 1U, AircraftCategory::Light);
        tables.categoryByModel[index] = model.category;
    }
    gf_installReferenceTables(std::move(tables));
}

void lf_resetLiveryState()
{
    gf_clearLiveryCatalogue();
    liveriesDone.store(false);
    liveryCount.store(0);
    gf_scannedLiveryList().clear();
    gf_clearScanLists();
    gf_airlineCodes().reset();
    gf_modelCodes().reset();
    gf_clearReferenceTables();
}

} // namespace

void RecordingWindow::enable(ui::ControlId id, bool enabled)
{
    std::lock_guard lock(mutex_);
    enabled_[id] = enabled;
}

std::optional<bool> RecordingWindow::enabled(ui::ControlId id) const
{
    std::lock_guard lock(mutex_);
    const auto found = enabled_.find(id);
    return found == enabled_.end() ? std::nullopt : std::optional<bool>(found->second);
}

LiveryFolder::LiveryFolder()
{
    std::filesystem::create_directories(dir / "output");
    std::filesystem::create_directories(dir / "data");
    gf_overrideDataFolderPath(dir / "data");
    gf_startLog(dir / "Log.txt");
    ui::gf_installControlPort(&window);
    gf_installLiveryViewPort(&view);
    for (BoolCheckBoxParameter* setting : {&settings::scanLiveries, &settings::lightAircraft,
                                           &settings::highPerfAircraft, &settings::helicopters}) {
        setting->set(setting->defaultValue());
    }
    // As after a start-up that found the file and did not scan.
    settings::scanLiveries.set(false);
    settings::random.set(false);
    lf_resetLiveryState();
    lf_installReferenceTables();
}

LiveryFolder::~LiveryFolder()
{
    lf_resetLiveryState();
    settings::random.set(settings::random.defaultValue());
    ui::gf_installControlPort(nullptr);
    gf_installLiveryViewPort(nullptr);
    gf_stopLog();
    gf_overrideDataFolderPath(std::nullopt);
}

void LiveryFolder::writeScannedFile(const std::string& liveryLines) const
{
    writeWholeFile(scannedPath(), "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<root>\n"
                                  "  <meta><info name=\"author\" value=\"Hollowmere\"/>"
                                  "<info name=\"copyright\" value=\"c\"/><info name=\"sim\" value=\"1\"/></meta>\n"
                                  "  <liveries>\n" +
                                      liveryLines + "  </liveries>\n</root>\n");
}

std::string LiveryFolder::logText() const
{
    gf_logFlushNow();
    return readWholeFile(dir / "Log.txt");
}

std::optional<std::string> LiveryFolder::storedSetting(const std::string& key) const
{
    pugi::xml_document document;
    if (!document.load_file((dir / "data" / "parameters.xml").c_str())) {
        return std::nullopt;
    }
    return gf_readStringParameter(document, key);
}

} // namespace hlw::test
