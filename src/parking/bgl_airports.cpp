#include "parking/bgl_airports.h"

#include "core/log.h"
#include "core/whole_file.h"
#include "parking/airport_link.h"
#include "parking/bgl_reader.h"
#include "parking/package_manifest.h"
#include "parking/scan_outputs.h"

#include <fmt/format.h>

#include <optional>

namespace hlw {
namespace {

namespace fs = std::filesystem;

constexpr std::string_view emDash = "\u2014";

// The ident as an airport code when it is one the airports database knows; an unknown 4-character code gets a
// scan log line, any other ident (a heliport's 3 characters) none.
std::optional<AirportCode> lf_supportedAirport(const std::string& ident, ReportLines& report)
{
    if (ident.size() != 4 || !AirportCode::isValid(ident)) {
        return std::nullopt;
    }
    const AirportCode code(ident);
    if (!gf_isKnownAirport(code)) {
        report.push_back(fmt::format("{} is not an airport supported by RealTraffic", code));
        return std::nullopt;
    }
    return code;
}

void lf_processAirportRecord(const BglWords& words, const BglAirportRecord& record, const AirportCode& code,
                             const fs::path& path, BglWalkBudget& budget, AddonScanRun& run)
{
    ReportLines& report = run.report();
    ApfData data;
    data.icao = code;
    data.bglPath = path;
    data.bglPathText = path.string();
    data.manifest = gf_searchManifest(path, report);
    if (gf_linkAirport(data, run)) {
        run.countBoth();
        return;
    }
    if (gf_manifestNamesNoMaker(data.manifest)) {
        report.push_back(gf_noMakerLine(code, *data.manifest));
        return;
    }
    BglAirportStands airport = gf_readBglStands(words, record, data.bglPathText, report, budget);
    if (budget.spent()) {
        return;
    }
    data.altitude = airport.altitudeFt;
    data.stands = std::move(airport.stands);
    gf_writeGeneratedAirport(data, airport.helipads, run.simulator().code, report);
    run.countThirdParty();
}

} // namespace

void gf_processBglFile(const fs::path& path, AddonScanRun& run)
{
    BglWalkBudget budget(path.string());
    try {
        WholeFile file = gf_readWholeFile(path, bglFileMaxBytes);
        if (file.status == WholeFileStatus::tooLarge) {
            run.report().push_back(
                fmt::format("===> {} {}, not read", path.string(), gf_wholeFileProblem(file.status, bglFileMaxBytes)));
        }
        if (file.status != WholeFileStatus::ok) {
            return;
        }
        const BglWords words(std::move(file.bytes));
        for (const BglAirportRecord& record : gf_findBglAirports(words, budget)) {
            if (budget.spent()) {
                break;
            }
            if (const std::optional<AirportCode> code = lf_supportedAirport(record.ident, run.report())) {
                lf_processAirportRecord(words, record, *code, path, budget, run);
            }
        }
    } catch (const std::exception& error) {
        gf_logAlert(
            fmt::format("Exception in lf_processBGLfile (std::ex): {} {} {}", path.string(), emDash, error.what()));
    } catch (...) {
        gf_logAlert(fmt::format("Exception in lf_processBGLfile: {}", path.string()));
    }
    budget.logLeftOut();
}

} // namespace hlw
