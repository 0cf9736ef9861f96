#include "parking/scan_walks.h"

#include "core/log.h"
#include "core/message_line.h"
#include "core/string_helpers.h"
#include "parking/airport_link.h"
#include "parking/bgl_airports.h"
#include "parking/bgl_reader.h"
#include "parking/package_manifest.h"
#include "parking/scan_outputs.h"
#include "refdata/airport_code_in_text.h"
#include "refdata/reference_lookups.h"
#include "settings/catalogue.h"

#include <fmt/format.h>

#include <algorithm>
#include <array>
#include <system_error>

namespace hlw {
namespace {

namespace fs = std::filesystem;

constexpr std::string_view streamedRootName = "StreamedPackages";
constexpr std::string_view simaddonPublisher = "simaddon";

// Words of folders that hold no airport scenery of their own, compared lower-cased.
constexpr std::array<std::string_view, 14> bglExcludedWords{
    "fs-base",       "tutorials",           "aircraft",   "bushtrip",
    "discovery",     "point-of-interest",   "simobjects", "vcockpits",
    "aig-aitraffic", "justflight-aircraft", "fsltl",      "gsx-pro",
    "gsx-world",     "landingchallenge"};
// Words of BGL files that are scenery objects or corrections rather than an airport, case kept.
constexpr std::array<std::string_view, 4> notAirportWords{"statics", "afcad updates", "_heliports",
                                                          "duijffmedia-eham-remove"};
// Streamed packages that are no airport.
// clang-format off
constexpr std::array<std::string_view, 36> streamedExcludedWords{
    "fs20-", "-landingchallenge-", "-cabin-services-", "-livingworld-", "-jetways-", "-material-lib-",
    "-palettelib-", "-procedural-hangar-", "-eventtriggers-", "-event-rescuechallenge-", "-discovery-",
    "-challenges-", "-aircraft-", "-ships-", "-certification-", "-training-", "-activities-", "-passiveaircraft-",
    "-trainings-", "-fs-base-", "-travelbook-", "-simobjects-", "-airrace-", "-procedural-", "-palette-",
    "-spotlight-", "-modellib-", "-texturelib", "-textlib", "-scenery-", "-surface-", "-vfx-", "-coverage-",
    "-point-of-interest", "-proceduralgeneration", "-simattachmentlib-"};
// clang-format on
constexpr std::array<std::string_view, 3> simulatorPackageWords{"asobo-airport", "microsoft-airport", "microsoft-eddk"};

bool lf_containsAny(std::string_view text, std::span<const std::string_view> words)
{
    return std::ranges::any_of(words, [text](std::string_view word) { return text.find(word) != text.npos; });
}

// ".bgl" in any letter case.
bool lf_hasBglExtension(std::string_view path)
{
    return path.size() > 4 && gf_equalNoCase(path.substr(path.size() - 4), ".bgl") &&
           path[path.size() - 5] != fs::path::preferred_separator;
}

std::string lf_lower(std::string_view text)
{
    std::string lower(text);
    std::ranges::transform(lower, lower.begin(), gf_toLowerChar);
    return lower;
}

void lf_readFailed(const AirportCode& code, AddonScanRun& run)
{
    const std::string line =
        fmt::format("Reading Facilites data for {} via SimConnect failed, is MSFS connected?", code);
    gf_log(line);
    run.report().push_back(line);
    run.checkpointScanLog();
}

// The airport of a BGL file from the simulator's facility data. True when the file is dealt with: linked, written,
// naming an airport that the airports database does not know, or left because the run is ending during its facility
// request; false when the BGL reader is to read it.
bool lf_readFacilities(const fs::path& file, AddonScanRun& run)
{
    ReportLines& report = run.report();
    ApfData data;
    data.bglPath = file;
    data.bglPathText = file.string();
    report.push_back(fmt::format("\nFac: {}", data.bglPathText));
    data.manifest = gf_searchManifest(file, report);
    bool refused = false;
    const std::optional<AirportCode> code = gf_detectAirportCode(data, run.supported(), refused, report);
    if (!code) {
        return refused;
    }
    data.icao = *code;
    if (gf_linkAirport(data, run)) {
        run.countBoth();
        return true;
    }
    if (gf_manifestNamesNoMaker(data.manifest)) {
        return false;
    }
    int32_t helipads = 0;
    if (run.facilities().read(*code, data, helipads)) {
        gf_writeGeneratedAirport(data, helipads, run.simulator().code, report);
        run.countBoth();
        return true;
    }
    if (run.facilities().stopped()) {
        return true;
    }
    lf_readFailed(*code, run);
    return false;
}

void lf_scanBglFile(const fs::path& file, AddonScanRun& run)
{
    try {
        if (!lf_readFacilities(file, run)) {
            run.report().push_back("Facilities reader did not succeed, trying the BGL file reader ...");
            gf_processBglFile(file, run);
        }
    } catch (const std::exception& error) {
        const std::string line = fmt::format("===> {} skipped, cause: {}", file.string(), error.what());
        gf_logAlert(line);
        run.report().push_back(line);
    }
}

class BglWalk {
  public:
    BglWalk(const fs::path& root, AddonScanRun& run) : rootLength_(root.native().size()), run_(run) {}

    // False once a stop ended the walk.
    bool folder(const fs::path& folder)
    {
        std::error_code error;
        fs::directory_iterator entries(folder, error);
        for (; !error && entries != fs::directory_iterator(); entries.increment(error)) {
            if (AddonScanRun::stopping()) {
                return false;
            }
            if (!entry(*entries)) {
                return false;
            }
        }
        if (error) {
            unreadable(folder, error);
        }
        return true;
    }

  private:
    bool entry(const fs::directory_entry& entry)
    {
        const std::string& full = entry.path().native();
        std::string_view relative = std::string_view(full).substr(std::min(full.size(), rootLength_));
        if (relative.starts_with(fs::path::preferred_separator)) {
            relative.remove_prefix(1);
        }
        if (gf_excludedFromBglWalk(full, lf_lower(relative))) {
            return true;
        }
        std::error_code error;
        const fs::file_status link = entry.symlink_status(error);
        if (error) {
            unreadable(entry.path(), error);
            return true;
        }
        if (fs::is_directory(link)) {
            return folder(entry.path());
        }
        if (!lf_hasBglExtension(full) || gf_notAnAirportFile(relative)) {
            return true;
        }
        // Links to files are read; links to folders are not followed.
        if ((fs::is_symlink(link) && !fs::is_regular_file(entry.status(error))) ||
            (!fs::is_symlink(link) && !fs::is_regular_file(link)) || !gf_bglQuickCheck(entry.path())) {
            return true;
        }
        lf_scanBglFile(entry.path(), run_);
        return true;
    }

    void unreadable(const fs::path& path, const std::error_code& error)
    {
        const std::string line = fmt::format("===> {} cannot be read ({}), skipped", path.string(), error.message());
        gf_logAlert(line);
        run_.report().push_back(line);
    }

    const std::size_t rootLength_;
    AddonScanRun& run_;
};

void lf_scanBglRoot(const fs::path& root, AddonScanRun& run)
{
    const std::string header =
        fmt::format("\n\n\n+++++++++++++++++ Scanning for {} airports in:{}\n", "addon ", root.string());
    gf_setMessage(header, true);
    run.report().push_back(header);
    try {
        BglWalk(root, run).folder(root);
    } catch (const std::exception& error) {
        run.report().push_back(
            fmt::format("{} airports search in folder {} aborted, cause: {}", "===> ", root.string(), error.what()));
    }
}

void lf_scanPackage(const fs::path& package, bool simulatorPackage, int32_t& simulatorPackages, AddonScanRun& run)
{
    ReportLines& report = run.report();
    const std::string name = package.filename().string();
    report.push_back(fmt::format("\n{}", package.string()));
    const AirportInText found = gf_airportCodeInText(name, run.supported());
    if (!found.found) {
        return;
    }
    if (!gf_isKnownAirport(found.code)) {
        report.push_back("no supported airport ICAO in BGL path");
        return;
    }
    ApfData data;
    data.icao = found.code;
    data.bglPath = package;
    data.bglPathText = package.string();
    if (simulatorPackage) {
        report.push_back(fmt::format("airport has '{}' in directory path", found.code));
        if (++simulatorPackages % 10 == 0) {
            run.status().update([count = simulatorPackages](StatusValues& values) { values.simAddonCount = count; });
        }
        data.publisher = simaddonPublisher;
        data.manifest = PackageManifest{"", "", "microsoft", "asobo"};
    } else {
        report.push_back(fmt::format("airport has '{}' in folder path", found.code));
        run.checkpointScanLog();
        if (std::optional<std::string> publisher = gf_findPublisher(data.bglPathText)) {
            data.publisher = std::move(*publisher);
            report.push_back(fmt::format("publisher '{}' found", data.publisher));
        }
        run.checkpointScanLog();
    }
    if (gf_linkAirport(data, run)) {
        run.countBoth();
        return;
    }
    int32_t helipads = 0;
    if (run.facilities().read(found.code, data, helipads)) {
        gf_writeGeneratedAirport(data, helipads, run.simulator().code, report);
        run.countBoth();
    } else if (!run.facilities().stopped()) {
        lf_readFailed(found.code, run);
    }
}

void lf_scanStreamedRoot(const fs::path& root, AddonScanRun& run)
{
    gf_setMessage("Scanning for streamed airports ...", false);
    run.report().push_back(
        fmt::format("\n\n\n+++++++++++++++++ Scanning for streamed airports in:\n{}\n", root.string()));
    int32_t simulatorPackages = 0;
    bool stopped = false;
    std::error_code error;
    fs::directory_iterator entries(root, error);
    for (; !error && entries != fs::directory_iterator(); entries.increment(error)) {
        if (AddonScanRun::stopping()) {
            stopped = true;
            break;
        }
        const fs::directory_entry& entry = *entries;
        std::error_code kind;
        const std::string name = entry.path().filename().string();
        if (!fs::is_directory(entry.symlink_status(kind)) || gf_excludedStreamedPackage(name)) {
            continue;
        }
        try {
            lf_scanPackage(entry.path(), lf_containsAny(name, simulatorPackageWords), simulatorPackages, run);
        } catch (const std::exception& failure) {
            const std::string line = fmt::format("===> {} skipped, cause: {}", entry.path().string(), failure.what());
            gf_logAlert(line);
            run.report().push_back(line);
        }
        if (AddonScanRun::stopping()) {
            run.writeScanLog();
            stopped = true;
            break;
        }
    }
    if (error) {
        run.report().push_back(
            fmt::format("{} airports search in folder {} aborted, cause: {}", "===> ", root.string(), error.message()));
    }
    // A scan that stopped packs nothing.
    if (!stopped) {
        gf_copySimaddonFilesToTblo(paths::tbloFolder);
    }
    run.countSimAddons();
}

} // namespace

bool gf_excludedFromBglWalk(std::string_view fullPath, std::string_view relativePath)
{
    return fullPath.size() >= scanMaxPathLength || lf_containsAny(relativePath, bglExcludedWords);
}

bool gf_notAnAirportFile(std::string_view relativePath)
{
    return lf_containsAny(relativePath, notAirportWords);
}

bool gf_excludedStreamedPackage(std::string_view folderName)
{
    return lf_containsAny(folderName, streamedExcludedWords);
}

void gf_scanRoot(const fs::path& root, AddonScanRun& run)
{
    if (root.empty()) {
        return;
    }
    std::error_code error;
    const fs::file_status status = fs::status(root, error);
    if (status.type() == fs::file_type::not_found) {
        gf_setMessage(root.string() + " does not exist, skipped!", true);
        return;
    }
    if (error) {
        gf_setMessage(fmt::format("{} cannot be read ({}), skipped!", root.string(), error.message()), true);
        return;
    }
    if (!fs::is_directory(status)) {
        gf_setMessage(root.string() + " is not a folder name, skipped!", true);
        return;
    }
    if (root.string().find(streamedRootName) != std::string::npos) {
        lf_scanStreamedRoot(root, run);
    } else {
        lf_scanBglRoot(root, run);
    }
}

} // namespace hlw
