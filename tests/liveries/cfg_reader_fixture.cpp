#include "cfg_reader_fixture.h"

#include "liveries/ivao_model_reader.h"
#include "liveries/livery_file_reader.h"
#include "refdata/code_table.h"

#include <stdexcept>

namespace hlw::test {

nlohmann::json liveryAsJson(const LiveryData& livery)
{
    return {{"title", livery.title},
            {"atcId", livery.atcId},
            {"airline", gf_airlineText(livery.airline)},
            {"secondAirline", gf_airlineText(livery.secondAirline)},
            {"model", gf_modelText(livery.model)},
            {"cargo", livery.cargo},
            {"referenceFlag", livery.referenceFlag}};
}

ScannedLiveryList readWithManifestReader(const std::string& reader, const std::filesystem::path& file)
{
    if (reader == "generic") {
        return gf_searchLiveriesinFile(1, file);
    }
    if (reader == "ivao") {
        return gf_searchLiveriesinIVAOFile(1, file);
    }
    throw std::invalid_argument("unknown reader " + reader);
}

const std::vector<std::pair<std::string, ScanReport>>& reportNames()
{
    static const std::vector<std::pair<std::string, ScanReport>> names = {
        {"InvalidAirlineCode", ScanReport::InvalidAirlineCode}, {"InvalidModelCode", ScanReport::InvalidModelCode},
        {"Fix", ScanReport::Fix}, {"InvalidAircraftCfg", ScanReport::InvalidAircraftCfg},
        {"IncompleteSection", ScanReport::IncompleteSection}, {"NoFltsimSection", ScanReport::NoFltsimSection}};
    return names;
}

void clearReportLists()
{
    for (const auto& [name, report] : reportNames()) {
        gf_scanReport(report).clear();
    }
}

MinPackages::MinPackages()
{
    if (!database.read(DbaseText().text())) {
        throw std::runtime_error("the test reference database was not read");
    }
    gf_clearScanLists();
    generatePackages("min", root());
    manifest = readManifest(root());
}

MinPackages::~MinPackages()
{
    gf_clearScanLists();
}

} // namespace hlw::test
