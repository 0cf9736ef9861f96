#include "parking/airport_link.h"

#include "parking/apf_location.h"
#include "parking/package_manifest.h"
#include "parking/scan_outputs.h"
#include "refdata/reference_lookups.h"
#include "refdata/reference_tables.h"
#include "settings/catalogue.h"

#include <fmt/format.h>

namespace hlw {
namespace {

constexpr std::string_view simaddonPublisher = "simaddon";

std::string lf_blanksAsPercent20(std::string_view text)
{
    std::string result;
    for (const char c : text) {
        result += c == ' ' ? std::string_view("%20") : std::string_view(&c, 1);
    }
    return result;
}

} // namespace

std::optional<std::string> gf_existsAsSimaddon(const AirportCode& code, bool msfs2020, ReportLines& report)
{
    const ReferenceTables& tables = gf_referenceTables();
    const std::set<std::string>& list = msfs2020 ? tables.simAddons2020 : tables.simAddons2024;
    if (list.contains(code.str())) {
        return fmt::format("archive/{}/{}", simaddonPublisher, gf_icaoXmlName(code));
    }
    report.push_back(fmt::format("{} does not exist as {}", code, simaddonPublisher));
    return std::nullopt;
}

std::optional<std::string> gf_existsAsThirdparty(const ApfData& data, bool msfs2020, ReportLines& report)
{
    const std::string folder = fmt::format("archive/thirdparty/{}/", lf_blanksAsPercent20(data.publisher));
    if (data.manifest) {
        const std::string stem = gf_icaoVersionStem(data.icao, data.manifest->packageVersion);
        if (gf_isThirdPartyAirport(msfs2020, data.publisher, stem)) {
            return folder + stem + ".xml";
        }
    }
    if (gf_isThirdPartyAirport(msfs2020, data.publisher, data.icao.view())) {
        return folder + gf_icaoXmlName(data.icao);
    }
    report.push_back(fmt::format("thirdparty {} {} does not exist", data.publisher, data.icao));
    return std::nullopt;
}

bool gf_linkAirport(ApfData& data, AddonScanRun& run)
{
    ReportLines& report = run.report();
    if (data.publisher.empty()) {
        gf_detectPublisher(data, report);
        if (data.publisher.empty()) {
            return false;
        }
    }
    const bool msfs2020 = run.simulator().msfs2020;
    if (data.publisher == simaddonPublisher) {
        const std::optional<std::string> name = gf_existsAsSimaddon(data.icao, msfs2020, report);
        if (!name || !gf_writeLinkFile(paths::mySimaddonFolder, data.icao, *name, report)) {
            return false;
        }
        report.push_back(fmt::format("{} airport {} linked to {}\n", simaddonPublisher, data.icao, *name));
        return true;
    }
    const std::optional<std::string> name = gf_existsAsThirdparty(data, msfs2020, report);
    if (!name || !gf_writeLinkFile(paths::myThirdpartyFolder, data.icao, *name, report)) {
        return false;
    }
    report.push_back(fmt::format("thirdparty airport {} linked to {}\n", data.icao, *name));
    return true;
}

} // namespace hlw
