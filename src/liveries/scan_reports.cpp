#include "liveries/scan_reports.h"

#include "core/count_text.h"
#include "core/log.h"
#include "core/text_file_writer.h"
#include "settings/catalogue.h"

#include <fmt/format.h>

#include <algorithm>
#include <exception>
#include <string>
#include <vector>

namespace hlw {
namespace fs = std::filesystem;
namespace {

// A file in the way of the folder fails here too, rather than losing every report silently.
void lf_makeErrorsFolder()
{
    if (!fs::is_directory(paths::errorsFolder)) {
        fs::create_directory(paths::errorsFolder);
    }
}

// Sorted by bytes, each line once when unique is set; written; "{:5} {what}, see {path}" logged with the count
// of the lines collected.
void lf_writeSortedReport(ScanReport report, std::vector<std::string> lines, bool unique, std::string_view what)
{
    const std::size_t count = lines.size();
    if (lines.empty()) {
        return;
    }
    std::stable_sort(lines.begin(), lines.end());
    if (unique) {
        lines.erase(std::unique(lines.begin(), lines.end()), lines.end());
    }
    if (report != ScanReport::NoFltsimSection) {
        lf_makeErrorsFolder();
    }
    const fs::path& path = gf_scanReportPath(report);
    gf_writeLine(lines, path);
    gf_log(fmt::format("{:5} {}, see {}", count, what, path.string()));
}

void lf_writeFixesFile(const std::vector<std::string>& lines)
{
    const fs::path& path = gf_scanReportPath(ScanReport::Fix);
    try {
        fs::create_directories(paths::errorsFolder);
        gf_writeLine(lines, path);
    } catch (const std::exception& error) {
        gf_log(fmt::format("Error writing file {}: {}", path.string(), error.what()));
    }
}

} // namespace

const fs::path& gf_scanReportPath(ScanReport report)
{
    static const fs::path invalidAirlineCodes = paths::errorsFolder / "InvalidAirlineCodes.txt";
    static const fs::path invalidModelCodes = paths::errorsFolder / "InvalidAircraftCodes.txt";
    static const fs::path fixes = paths::errorsFolder / "Fixes.txt";
    static const fs::path invalidAircraftCfg = paths::errorsFolder / "InvalidAircraftCfgFiles.txt";
    static const fs::path incompleteSections = paths::errorsFolder / "IncompleFltsimSections.txt";
    static const fs::path noFltsimSection = paths::infoFolder / "AircraftCfgWithNoFltsimSection.txt";
    switch (report) {
    case ScanReport::InvalidAirlineCode:
        return invalidAirlineCodes;
    case ScanReport::InvalidModelCode:
        return invalidModelCodes;
    case ScanReport::Fix:
        return fixes;
    case ScanReport::InvalidAircraftCfg:
        return invalidAircraftCfg;
    case ScanReport::IncompleteSection:
        return incompleteSections;
    case ScanReport::NoFltsimSection:
        break;
    }
    return noFltsimSection;
}

void gf_removeScanResultFiles() noexcept
{
    try {
        const std::vector<fs::path> items{gf_scanReportPath(ScanReport::NoFltsimSection),
                                          paths::liveriesScannedPath,
                                          paths::errorsFolder / "InlineRegcodes.txt",
                                          gf_scanReportPath(ScanReport::InvalidAirlineCode),
                                          gf_scanReportPath(ScanReport::InvalidModelCode),
                                          gf_scanReportPath(ScanReport::Fix),
                                          gf_scanReportPath(ScanReport::InvalidAircraftCfg),
                                          gf_scanReportPath(ScanReport::IncompleteSection),
                                          paths::errorsFolder};
        for (const fs::path& item : items) {
            // fs::remove takes an empty folder only; a folder that still holds files fails here.
            fs::remove(item);
        }
    } catch (const std::exception& error) {
        gf_log(fmt::format("problems with removing previous files: {}", error.what()));
    }
}

void gf_writeScanSummary()
{
    // Taken once: the counts below are those of the lines collected, repeats included.
    const std::vector<std::string> airlineCodes = gf_scanReport(ScanReport::InvalidAirlineCode).lines();
    const std::vector<std::string> modelCodes = gf_scanReport(ScanReport::InvalidModelCode).lines();
    const std::vector<std::string> fixes = gf_scanReport(ScanReport::Fix).lines();
    const std::vector<std::string> invalidFiles = gf_scanReport(ScanReport::InvalidAircraftCfg).lines();
    const std::vector<std::string> incomplete = gf_scanReport(ScanReport::IncompleteSection).lines();
    const std::vector<std::string> emptyFiles = gf_scanReport(ScanReport::NoFltsimSection).lines();

    const bool anyError = !airlineCodes.empty() || !modelCodes.empty() || !fixes.empty() || !invalidFiles.empty() ||
                          !incomplete.empty();
    gf_log(anyError ? "\nErrors:" : "\nNo errors");
    lf_writeSortedReport(ScanReport::InvalidAirlineCode, airlineCodes, false,
                         fmt::format("invalid airline code{}", gf_plural(airlineCodes.size())));
    lf_writeSortedReport(ScanReport::InvalidModelCode, modelCodes, false,
                         fmt::format("invalid model code{}", gf_plural(modelCodes.size())));
    if (!fixes.empty()) {
        lf_writeFixesFile(fixes);
        gf_log(fmt::format("{:5} fixes, see {}", fixes.size(), gf_scanReportPath(ScanReport::Fix).string()));
    }
    lf_writeSortedReport(ScanReport::InvalidAircraftCfg, invalidFiles, false, "invalid aircraft.cfg files");
    lf_writeSortedReport(ScanReport::IncompleteSection, incomplete, true, "incomplete [fltsim.x] sections");
    gf_log("\nInformation:");
    lf_writeSortedReport(ScanReport::NoFltsimSection, emptyFiles, false, "empty aircraft.cfg files");
}

} // namespace hlw
